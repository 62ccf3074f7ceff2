// The design sheet: "Design → Export Sheet…" and the document it writes, the text of each section
// from the core and the drawings from the windows: the schematic, Fig. 1 to 3 and the Power graph
// as they are drawn, overlays and reference included.
#include "app/form1.h"

#include "core/designmodel/designsheet.h"
#include "schematic/schematic.h"
#include "schematic/schematic_full.h"
#include "widgets/filechooser.h"
#include "widgets/graphcontrol.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextDocumentWriter>

namespace {

constexpr QSize kGraphSize(640, 400);
constexpr double kDrawingScale = 2.0;  // pixels of a drawing per pixel of the page
constexpr int kDrawingWidth = 600;     // the page's pixels, at 96 to the inch

QByteArray pngOf(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// The sheet as a PDF (A4) or HTML document, each drawing in it: a resource of the document for
// the PDF, a data URL for the HTML, which so holds the whole sheet in one file.
QByteArray sheetBytes(const QList<SheetSection> &sections, const QMap<QString, QImage> &drawings,
                      bool pdf)
{
    QTextDocument document;
    QMap<QString, QString> sources;
    for (auto it = drawings.begin(); it != drawings.end(); ++it) {
        if (pdf) {
            sources[it.key()] = QStringLiteral("drawing-%1.png").arg(it.key());
            document.addResource(QTextDocument::ImageResource, QUrl(sources[it.key()]), it.value());
        } else {
            sources[it.key()] =
                QStringLiteral("data:image/png;base64,") + pngOf(it.value()).toBase64();
        }
    }
    document.setHtml(sheetHtml(sections, sources, kDrawingWidth));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (pdf) {
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("%1 design sheet").arg(QGuiApplication::applicationName()));
        writer.setCreator(QGuiApplication::applicationName());
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        document.print(&writer);
    } else {
        QTextDocumentWriter writer(&buffer, "HTML");
        writer.write(&document);
    }
    return buffer.data();
}

}  // namespace

void Form1::createSheetMenu()
{
    QMenu *menu = menuBar()->findChild<QMenu *>(QStringLiteral("design"));
    menu->addSeparator();
    QAction *sheet =
        named(menu->addAction(QStringLiteral("Export S&heet…")), "design_export_sheet");
    connect(sheet, &QAction::triggered, this, &Form1::exportSheet);
}

void Form1::exportSheet()
{
    const QString stem =
        m_designPath.isEmpty() ? QStringLiteral("design") : QFileInfo(m_designPath).baseName();
    const QString folder =
        m_designPath.isEmpty() ? QDir::currentPath() : QFileInfo(m_designPath).absolutePath();
    const QString path =
        chooseFileToSave(this, QStringLiteral("Export the design sheet"),
                         QDir(folder).filePath(stem + QStringLiteral(".pdf")),
                         QStringLiteral("PDF document (*.pdf);;HTML document (*.html *.htm)"),
                         QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    if (const std::optional<SheetFailure> failure = writeSheet(path, QDate::currentDate()))
        QMessageBox::warning(this, QGuiApplication::applicationDisplayName(), failure->message);
}

QMap<QString, QImage> Form1::sheetDrawings()
{
    QMap<QString, QImage> drawings;
    drawings[QStringLiteral("impedance")] =
        m_graphs[Fig1].graph->imageAt(kGraphSize, kDrawingScale);
    drawings[QStringLiteral("gain")] = m_graphs[Fig2].graph->imageAt(kGraphSize, kDrawingScale);
    drawings[QStringLiteral("gain-zobel")] =
        m_graphs[Fig3].graph->imageAt(kGraphSize, kDrawingScale);
    // The Power graph of the open window, or of one made for the sheet alone and never shown.
    PowerWindowState state;
    std::unique_ptr<Power_measurement_form> made;
    Power_measurement_form *power = m_power;
    if (!power)
        power = (made = std::make_unique<Power_measurement_form>(*m_model, state)).get();
    drawings[QStringLiteral("power")] = power->findChild<GraphControl *>(QStringLiteral("CWGraph4"))
                                            ->imageAt(kGraphSize, kDrawingScale);
    // The schematic of the topology, with its value labels, as its window draws it.
    QWidget *picture = schematicWindow()->findChild<QWidget *>(QStringLiteral("Picture1"));
    QImage schematic(picture->size() * kDrawingScale, QImage::Format_RGB32);
    schematic.setDevicePixelRatio(kDrawingScale);
    schematic.fill(Qt::white);
    picture->render(&schematic);
    drawings[QStringLiteral("schematic")] = schematic;
    return drawings;
}

std::optional<Form1::SheetFailure> Form1::writeSheet(const QString &path, const QDate &date)
{
    const QString shown = QDir::toNativeSeparators(path);
    const std::optional<bool> pdf = sheetIsPdf(path);
    if (!pdf)
        return SheetFailure{true, QStringLiteral("%1 was not written. A design sheet is a .pdf or "
                                                 ".html file.")
                                      .arg(shown)};
    const SheetData data{m_model->record(),
                         m_model->loadPower(),
                         m_model->analysis(),
                         m_model->measured().get(),
                         m_model->reference(),
                         QStringLiteral(QUORVEL_VERSION),
                         date,
                         m_model->tolerance()};
    const QByteArray bytes = sheetBytes(sheetSections(data), sheetDrawings(), *pdf);
    if (const std::optional<FileFailure> failure = writeFileAtomically(path, bytes)) {
        QString reason = failure->description;
        if (!reason.endsWith(QLatin1Char('.')))
            reason += QLatin1Char('.');
        return SheetFailure{false, QStringLiteral("%1 was not written. %2").arg(shown, reason)};
    }
    return std::nullopt;
}
