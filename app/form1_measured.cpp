// The main window's measured speaker: the "Measured speaker" menu, reading and fitting a file,
// and what it draws beside the design's own curves.
#include "app/form1.h"

#include "core/measured/impedancefile.h"
#include "measured/measuredspeakerwindow.h"
#include "widgets/filechooser.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>

void Form1::createMeasuredMenu()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Measured speaker"));
    menu->setObjectName(QStringLiteral("measured_speaker"));
    QAction *load = menu->addAction(QStringLiteral("&Load…"));
    load->setObjectName(QStringLiteral("measured_load"));
    connectChange(load, &QAction::triggered, &Form1::chooseMeasured);
    QMenu *recent = menu->addMenu(QStringLiteral("&Recent"));
    recent->setObjectName(QStringLiteral("measured_recent"));
    m_recentMeasured = std::make_unique<RecentFiles>(
        recent, QStringLiteral("measuredSpeaker/recent"), [this](const QString &path) {
            const ChangeScope change(*this);
            loadMeasured(path);
        });
    QAction *fit = menu->addAction(QStringLiteral("&Fit…"));
    fit->setObjectName(QStringLiteral("measured_fit"));
    connect(fit, &QAction::triggered, this, &Form1::showMeasuredFit);
    m_clearMeasured = menu->addAction(QStringLiteral("&Clear"));
    m_clearMeasured->setObjectName(QStringLiteral("measured_clear"));
    m_clearMeasured->setEnabled(false);
    connectChange(m_clearMeasured, &QAction::triggered, &Form1::clearMeasured);
}

void Form1::chooseMeasured()
{
    const QString folder =
        m_measured ? QFileInfo(m_measured->load->path()).absolutePath() : QDir::currentPath();
    const QString path = chooseFileToOpen(this, QStringLiteral("Load a measured speaker"), folder,
                                          impedanceFileFilter());
    if (!path.isEmpty())
        loadMeasured(path);
}

void Form1::loadMeasured(const QString &path)
{
    std::variant<MeasuredLoad, QString> read = MeasuredLoad::fromFile(path);
    if (const QString *refusal = std::get_if<QString>(&read)) {
        // Nothing changes: the speaker loaded before, if any, stays.
        QMessageBox::warning(
            this, QGuiApplication::applicationDisplayName(),
            QStringLiteral("%1 was not loaded. %2").arg(QDir::toNativeSeparators(path), *refusal));
        return;
    }
    auto measured = std::make_unique<Measured>();
    measured->load = std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(std::move(read)));
    evaluateOnGrid(*measured->load, measured->grid);
    for (const ImpedancePoint &p : measured->load->data().points) {
        measured->pointsX.push_back(p.hz);
        measured->pointsY.push_back(p.ohms);
    }
    m_measured = std::move(measured);
    m_recentMeasured->add(path);
    m_clearMeasured->setEnabled(true);
    sweepMeasured(m_rec, m_measured->grid, m_measured->curves, kAllParts, &comparedGridPoints());
    for (GraphId id : {Fig1, Fig2, Fig3}) followOverlays(id);
    if (m_power)
        m_power->setMeasuredSpeaker(&m_measured->grid);
    followCarrier();
    followTradeoff();
    showMeasuredFit();
}

void Form1::clearMeasured()
{
    if (m_power)
        m_power->setMeasuredSpeaker(nullptr);
    m_measured.reset();
    m_clearMeasured->setEnabled(false);
    for (GraphId id : {Fig1, Fig2, Fig3}) followOverlays(id);
    followCarrier();
    followTradeoff();
    if (m_measuredWindow)
        m_measuredWindow->showLoad(nullptr);
}

void Form1::showMeasuredFit()
{
    if (!m_measuredWindow)
        m_measuredWindow = new MeasuredSpeakerWindow(this);
    m_measuredWindow->showLoad(measuredSpeaker());
}
