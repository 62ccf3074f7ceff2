// The main window's measured speaker: the "Measured speaker" menu, reading a file into the design
// model, and the file's own points drawn beside the curves.
#include "app/form1.h"

#include "core/measured/impedancefile.h"
#include "measured/measuredspeakerwindow.h"
#include "widgets/filechooser.h"
#include "widgets/graphcontrol.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>

void Form1::createMeasuredMenu()
{
    QMenu *menu =
        named(menuBar()->addMenu(QStringLiteral("&Measured speaker")), "measured_speaker");
    QAction *load = named(menu->addAction(QStringLiteral("&Load…")), "measured_load");
    connect(load, &QAction::triggered, this, &Form1::chooseMeasured);
    QMenu *recent = named(menu->addMenu(QStringLiteral("&Recent")), "measured_recent");
    m_recentMeasured =
        std::make_unique<RecentFiles>(recent, QStringLiteral("measuredSpeaker/recent"),
                                      [this](const QString &path) { loadMeasured(path); });
    m_fitMeasured = named(menu->addAction(QStringLiteral("&Fit…")), "measured_fit");
    m_fitMeasured->setEnabled(false);  // until a speaker is loaded
    connect(m_fitMeasured, &QAction::triggered, this, &Form1::showMeasuredFit);
    m_clearMeasured = named(menu->addAction(QStringLiteral("&Clear")), "measured_clear");
    m_clearMeasured->setEnabled(false);
    connect(m_clearMeasured, &QAction::triggered, this, [this] { m_model->setMeasured(nullptr); });
}

void Form1::chooseMeasured()
{
    const MeasuredLoad *shown = m_model->measured().get();
    const QString folder = shown ? QFileInfo(shown->path()).absolutePath() : QDir::currentPath();
    const QString path = chooseFileToOpen(this, QStringLiteral("Load a measured speaker"), folder,
                                          impedanceFileFilter());
    if (!path.isEmpty())
        loadMeasured(path);
}

std::shared_ptr<const MeasuredLoad> Form1::readMeasured(const QString &path, QString *refusal)
{
    std::variant<MeasuredLoad, QString> read = MeasuredLoad::fromFile(path);
    if (const QString *why = std::get_if<QString>(&read)) {
        *refusal =
            QStringLiteral("%1 was not loaded. %2").arg(QDir::toNativeSeparators(path), *why);
        return nullptr;
    }
    m_recentMeasured->add(path);
    return std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(std::move(read)));
}

void Form1::loadMeasured(const QString &path)
{
    // A file refused changes nothing: the speaker loaded before, if any, stays.
    QString refusal;
    std::shared_ptr<const MeasuredLoad> load = readMeasured(path, &refusal);
    if (!load) {
        QMessageBox::warning(this, QGuiApplication::applicationDisplayName(), refusal);
        return;
    }
    m_model->setMeasured(std::move(load));
    showMeasuredFit();
}

void Form1::followMeasured()
{
    const MeasuredLoad *load = m_model->measured().get();
    m_measuredX.clear();
    m_measuredY.clear();
    if (load) {
        for (const ImpedancePoint &p : load->data().points) {
            m_measuredX.push_back(p.hz);
            m_measuredY.push_back(p.ohms);
        }
    }
    m_fitMeasured->setEnabled(load != nullptr);
    m_clearMeasured->setEnabled(load != nullptr);
}

void Form1::showMeasuredRanges()
{
    GraphControl *fig1 = m_graphs[Fig1].graph;
    fig1->restoreRanges();
    if (const MeasuredCurves *curves = m_model->measuredCurves()) {
        fig1->widenToShow(m_measuredX, m_measuredY);
        fig1->widenToShow(curves->impedance.x, curves->impedance.y);
    }
}

void Form1::showMeasuredFit()
{
    if (!m_measuredWindow)
        m_measuredWindow = new MeasuredSpeakerWindow(*m_model, this);
    m_measuredWindow->show();
    m_measuredWindow->raise();
}
