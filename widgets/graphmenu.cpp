#include "widgets/graphmenu.h"

#include "core/common/savefile.h"
#include "widgets/graphcontrol.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

namespace {

SaveNameChooser &chooser()
{
    static SaveNameChooser choose = [](QWidget *parent, const QString &caption,
                                       const QString &suggested, const QString &filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    };
    return choose;
}

// Where the last file was saved: the next save suggests the same folder.
QString &lastFolder()
{
    static QString folder = QDir::currentPath();
    return folder;
}

// Asks for a file name and writes the bytes made for it there.
void saveAs(GraphControl *graph, const QString &caption, const QString &fileName,
            const QString &filter, const std::function<QByteArray(const QString &)> &bytesFor)
{
    const QString path =
        chooser()(graph->window(), caption, QDir(lastFolder()).filePath(fileName), filter);
    if (path.isEmpty())
        return;
    lastFolder() = QFileInfo(path).absolutePath();
    if (const std::optional<FileFailure> failure = writeFileAtomically(path, bytesFor(path)))
        QMessageBox::warning(graph->window(), QGuiApplication::applicationDisplayName(),
                             QStringLiteral("%1 could not be saved:\n%2")
                                 .arg(QDir::toNativeSeparators(path), failure->description));
}

GraphControl::ImageFormat imageFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("svg")   ? GraphControl::Svg
           : suffix == QLatin1String("pdf") ? GraphControl::Pdf
                                            : GraphControl::Png;
}

QAction *addAction(GraphControl *graph, const QString &text, const char *name)
{
    auto *action = new QAction(text, graph);
    action->setObjectName(QLatin1String(name));
    graph->addAction(action);
    return action;
}

void addSeparator(GraphControl *graph)
{
    auto *separator = new QAction(graph);
    separator->setSeparator(true);
    graph->addAction(separator);
}

}  // namespace

void setSaveNameChooser(SaveNameChooser choose)
{
    chooser() = std::move(choose);
}

QAction *addGraphMenu(GraphControl *graph, GraphMenuContent content)
{
    graph->setContextMenuPolicy(Qt::ActionsContextMenu);
    const QString stem = content.fileStem;

    QAction *copyImage = addAction(graph, QStringLiteral("Copy Image"), "actionCopyImage");
    QObject::connect(copyImage, &QAction::triggered, graph,
                     [graph] { QGuiApplication::clipboard()->setImage(graph->image(2.0)); });

    QAction *saveImage = addAction(graph, QStringLiteral("Save Image…"), "actionSaveImage");
    QObject::connect(saveImage, &QAction::triggered, graph, [graph, stem] {
        saveAs(graph, QStringLiteral("Save Image"), stem + QStringLiteral(".png"),
               QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"),
               [graph](const QString &path) { return graph->imageFile(imageFormatOf(path)); });
    });

    QAction *saveData = addAction(graph, QStringLiteral("Save Data…"), "actionSaveData");
    QObject::connect(saveData, &QAction::triggered, graph, [graph, stem, csv = content.csv] {
        saveAs(graph, QStringLiteral("Save Data"), stem + QStringLiteral(".csv"),
               QStringLiteral("CSV file (*.csv)"), [&csv](const QString &) { return csv(); });
    });

    if (content.netlist) {
        QAction *saveNetlist =
            addAction(graph, QStringLiteral("Save SPICE Netlist…"), "actionSaveNetlist");
        QObject::connect(
            saveNetlist, &QAction::triggered, graph, [graph, stem, netlist = content.netlist] {
                saveAs(graph, QStringLiteral("Save SPICE Netlist"), stem + QStringLiteral(".cir"),
                       QStringLiteral("SPICE netlist (*.cir *.sp)"),
                       [&netlist](const QString &) { return netlist(); });
            });
    }

    QAction *compareLoads = nullptr;
    if (content.compareLoads) {
        addSeparator(graph);
        compareLoads = addAction(graph, QStringLiteral("Compare Loads"), "actionCompareLoads");
        compareLoads->setCheckable(true);
    }

    addSeparator(graph);
    QAction *fitView = addAction(graph, QStringLiteral("Fit View"), "actionFitView");
    QObject::connect(fitView, &QAction::triggered, graph, [graph] {
        graph->fitAxis(GraphControl::XAxis);
        graph->fitAxis(GraphControl::YAxis);
    });
    return compareLoads;
}
