#include "tolerance/tolerancewindow.h"

#include "core/common/figuretext.h"
#include "core/designmodel/designmodel.h"
#include "widgets/windowlook.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>

#include <cmath>

namespace {

constexpr std::array<const char *, kVariedCount> kInputLabels = {
    "Filter inductor",        "Filter capacitor",   "Zobel capacitor across R", "Zobel resistor",
    "Zobel series capacitor", "Speaker resistance", "Speaker inductance"};

struct FigureRow {
    ToleranceFigure figure;
    const char *label;
    bool watts;
};
constexpr std::array<FigureRow, kAllToleranceFigures> kRows = {{
    {ToleranceFigure::maxGain, "Fig. 3 MaxGain", false},
    {ToleranceFigure::gain20k, "Fig. 3 NetGain(@20kHz)", false},
    {ToleranceFigure::gain384k, "Fig. 3 NetGain(@384kHz)", false},
    {ToleranceFigure::plainMax, "Fig. 2 MaxGain", false},
    {ToleranceFigure::plain20k, "Fig. 2 Gain(@20kHz)", false},
    {ToleranceFigure::plain384k, "Fig. 2 Gain(@384kHz)", false},
    {ToleranceFigure::zobel7k, "Rzobel at 7 kHz", true},
}};

// A corner in the schematic's symbols, each input at its upper (+) or lower (-) end.
QString cornerText(const std::array<int, kVariedCount> &ends)
{
    static constexpr std::array<const char *, kVariedCount> symbols = {"L",   "C",  "Czp", "Rz",
                                                                       "Czs", "Rs", "Ls"};
    QStringList parts;
    for (Varied v : kAllVaried)
        if (const int e = ends[std::size_t(v)])
            parts << QLatin1String(symbols[std::size_t(v)]) +
                         (e > 0 ? QLatin1Char('+') : QLatin1Char('-'));
    return parts.join(QLatin1Char(' '));
}

}  // namespace

ToleranceWindow::ToleranceWindow(DesignModel &model, QWidget *parent)
    : QMainWindow(parent), m_model(model), m_settings(toleranceSettingsFor(model.record()))
{
    // The boards' threads give way to typing, as the map's do.
    m_pool.setThreadPriority(QThread::LowPriority);
    createControls();
    connect(&m_job, &QFutureWatcherBase::finished, this, &ToleranceWindow::finished);
    connect(&m_model, &DesignModel::changed, this, [this](DesignParts parts) {
        if (parts & (DesignPart::Parts | DesignPart::FilterL | DesignPart::FilterC |
                     DesignPart::ZobelR | DesignPart::ZobelCPar | DesignPart::ZobelCSer)) {
            // A library part brings its own tolerance.
            const ToleranceSettings own = toleranceSettingsFor(m_model.record());
            const ToleranceSettings plain;
            for (std::size_t i = 0; i < own.percent.size(); ++i)
                if (own.percent[i] != plain.percent[i] &&
                    m_tolerances[i].edit->text() != QString::number(own.percent[i]))
                    m_tolerances[i].edit->setText(QString::number(own.percent[i]));
        }
        if (parts & (kNetworkParts | DesignPart::LoadPower | DesignPart::Carrier))
            restart();
    });
}

ToleranceWindow::~ToleranceWindow()
{
    m_job.cancel();
    m_job.waitForFinished();
}

ToleranceWindow::Box ToleranceWindow::addBox(QGridLayout *grid, const QString &name,
                                             const QString &label, const QString &unit, int row)
{
    Box b;
    b.edit = new QLineEdit(centralWidget());
    b.edit->setObjectName(name);
    b.edit->setMaximumWidth(90);
    b.refusal = new QLabel(centralWidget());
    b.refusal->setObjectName(name + QStringLiteral("_refusal"));
    QPalette red = b.refusal->palette();
    red.setColor(QPalette::WindowText, kOverText);
    b.refusal->setPalette(red);
    b.refusal->setVisible(false);
    grid->addWidget(new QLabel(label, centralWidget()), row, 0);
    grid->addWidget(b.edit, row, 1);
    grid->addWidget(new QLabel(unit, centralWidget()), row, 2);
    grid->addWidget(b.refusal, row + 1, 1, 1, 3);
    connect(b.edit, &QLineEdit::textChanged, this, &ToleranceWindow::readSettings);
    return b;
}

void ToleranceWindow::createControls()
{
    QVBoxLayout *page = setUpPage(this, "ToleranceWindow", QStringLiteral("Tolerance"));
    QWidget *central = centralWidget();
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(0);
    page->addWidget(goldLabel(QStringLiteral("Each input within +- its tolerance"), central));
    page->addLayout(grid);
    int row = 0;
    for (Varied v : kAllVaried) {
        m_tolerances[std::size_t(v)] =
            addBox(grid, QStringLiteral("tolerance_") + variedName(v),
                   QLatin1String(kInputLabels[std::size_t(v)]), QStringLiteral("%"), row);
        row += 2;
    }
    m_distribution = new QComboBox(central);
    m_distribution->setObjectName(QStringLiteral("tolerance_distribution"));
    m_distribution->addItems({QStringLiteral("uniform"), QStringLiteral("normal, sigma = tol/3")});
    grid->addWidget(new QLabel(QStringLiteral("Distribution"), central), row, 0);
    grid->addWidget(m_distribution, row, 1, 1, 2);
    row += 2;
    m_runs =
        addBox(grid, QStringLiteral("tolerance_runs"), QStringLiteral("Boards"), QString(), row);
    row += 2;
    m_seed = addBox(grid, QStringLiteral("tolerance_seed"), QStringLiteral("Seed"), QString(), row);
    row += 2;
    grid->addWidget(goldLabel(QStringLiteral("Limits for the yield (empty: none)"), central), row,
                    0, 1, 4);
    ++row;
    m_maxPeak = addBox(grid, QStringLiteral("tolerance_limit_peak"),
                       QStringLiteral("Highest peak, compared loads"), QStringLiteral("dB"), row);
    row += 2;
    m_gainLow = addBox(grid, QStringLiteral("tolerance_limit_gain20k_low"),
                       QStringLiteral("Gain at 20 kHz, from"), QStringLiteral("dB"), row);
    row += 2;
    m_gainHigh = addBox(grid, QStringLiteral("tolerance_limit_gain20k_high"), QStringLiteral("to"),
                        QStringLiteral("dB"), row);
    row += 2;
    m_maxZobel = addBox(grid, QStringLiteral("tolerance_limit_zobel"),
                        QStringLiteral("Highest Zobel dissipation"), QStringLiteral("W"), row);
    row += 2;
    m_maxInductor =
        addBox(grid, QStringLiteral("tolerance_limit_inductor"),
               QStringLiteral("Highest inductor peak (carrier)"), QStringLiteral("A"), row);
    grid->setColumnStretch(3, 1);

    m_table = new QTableWidget(int(kRows.size()), 8, central);
    m_table->setObjectName(QStringLiteral("tolerance_table"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Figure"), QStringLiteral("p1"), QStringLiteral("p50"),
         QStringLiteral("p99"), QStringLiteral("min"), QStringLiteral("max"),
         QStringLiteral("corner min"), QStringLiteral("corner max")});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    page->addWidget(m_table, 1);
    m_yield = new QLabel(central);
    m_yield->setObjectName(QStringLiteral("tolerance_yield"));
    m_yield->setWordWrap(true);
    page->addWidget(m_yield);
    m_status = new QLabel(central);
    m_status->setObjectName(QStringLiteral("tolerance_status"));
    page->addWidget(m_status);

    // The boxes show the settings, then every edit goes through readSettings().
    for (Varied v : kAllVaried)
        m_tolerances[std::size_t(v)].edit->setText(
            QString::number(m_settings.percent[std::size_t(v)]));
    m_runs.edit->setText(QString::number(m_settings.runs));
    m_seed.edit->setText(QString::number(m_settings.seed));
    connect(m_distribution, &QComboBox::currentIndexChanged, this, &ToleranceWindow::readSettings);
    resize(920, 900);
}

void ToleranceWindow::readSettings()
{
    ToleranceSettings s = m_settings;
    const auto refuse = [](const Box &b, const QString &why) {
        b.refusal->setText(why);
        b.refusal->setVisible(!why.isEmpty());
    };
    for (Varied v : kAllVaried) {
        const Box &b = m_tolerances[std::size_t(v)];
        const ToleranceEntry e = acceptTolerancePercent(b.edit->text());
        refuse(b, e.refusal);
        if (e.value)
            s.percent[std::size_t(v)] = *e.value;
    }
    const ToleranceEntry runs = acceptToleranceRuns(m_runs.edit->text());
    refuse(m_runs, runs.refusal);
    if (runs.value)
        s.runs = int(*runs.value);
    QString why;
    const std::optional<std::uint64_t> seed = acceptToleranceSeed(m_seed.edit->text(), &why);
    refuse(m_seed, seed ? QString() : why);
    if (seed)
        s.seed = *seed;
    s.distribution =
        m_distribution->currentIndex() == 1 ? Distribution::normal : Distribution::uniform;

    ToleranceLimits limits;
    const auto limit = [&refuse](const Box &b) -> std::optional<double> {
        const QString text = b.edit->text().trimmed();
        bool ok = false;
        const double v = text.toDouble(&ok);
        const bool good = text.isEmpty() || (ok && std::isfinite(v));
        refuse(b, good ? QString() : QStringLiteral("a limit is a number, or empty for none"));
        return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
    };
    limits.maxPeakDb = limit(m_maxPeak);
    limits.maxZobelW = limit(m_maxZobel);
    limits.maxInductorA = limit(m_maxInductor);
    const std::optional<double> lo = limit(m_gainLow), hi = limit(m_gainHigh);
    if (lo && hi && *lo > *hi) {
        refuse(m_gainHigh, QStringLiteral("the low end is above the high end"));
    } else if (lo && hi) {
        limits.gain20kLowDb = lo;
        limits.gain20kHighDb = hi;
    } else if (lo || hi) {
        refuse(lo ? m_gainHigh : m_gainLow, QStringLiteral("the window needs both ends"));
    }
    m_settings = s;
    m_limits = limits;
    restart();
}

bool ToleranceWindow::active() const
{
    return isVisible() || m_bandsWanted;
}

void ToleranceWindow::setBandsWanted(bool wanted)
{
    m_bandsWanted = wanted;
    if (active())
        restart();
    else
        m_model.clearTolerance();
}

bool ToleranceWindow::isWorking() const
{
    return m_job.isRunning();
}

void ToleranceWindow::restart()
{
    // Whatever was drawn belongs to other settings now.
    m_model.clearTolerance();
    m_pending = true;
    if (!active())
        return;
    if (m_job.isRunning()) {
        m_job.cancel();  // finished() starts the next batch
        return;
    }
    start();
}

void ToleranceWindow::start()
{
    m_pending = false;
    m_generation = m_model.toleranceGeneration();
    m_status->setText(QStringLiteral("Working out %1 boards…").arg(m_settings.runs));
    m_work = std::make_shared<ToleranceWork>(m_model.record(), m_model.loadPower(), m_settings,
                                             m_limits, true);
    m_job.setFuture(QtConcurrent::map(&m_pool, m_work->items(),
                                      [work = m_work](ToleranceRun &run) { work->fill(run); }));
}

void ToleranceWindow::finished()
{
    const std::shared_ptr<ToleranceWork> work = std::move(m_work);
    if (!m_job.isCanceled() && !m_pending && active() &&
        m_generation == m_model.toleranceGeneration()) {
        m_shown = std::make_shared<const ToleranceResult>(std::move(*work).finish());
        m_model.setTolerance(m_shown, m_generation);
        m_status->setText(QStringLiteral("%1 boards, seed %2.")
                              .arg(m_shown->settings.runs)
                              .arg(m_shown->settings.seed));
        showResult();
        emit batchShown();
        return;
    }
    if (active() && (m_pending || m_generation != m_model.toleranceGeneration()))
        start();
}

void ToleranceWindow::showResult()
{
    const ToleranceResult &r = *m_shown;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const FigureSpread &s = r.spread[std::size_t(kRows[i].figure)];
        const auto text = [&](double v) {
            return kRows[i].watts ? dissipationFigureText(v) : figureText(v);
        };
        const QStringList cells = {
            QLatin1String(kRows[i].label),
            text(s.p1),
            text(s.p50),
            text(s.p99),
            text(s.min),
            text(s.max),
            text(s.cornerMin) + QLatin1Char('\n') + cornerText(s.cornerMinEnds),
            text(s.cornerMax) + QLatin1Char('\n') + cornerText(s.cornerMaxEnds)};
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem *item = m_table->item(int(i), c);
            if (!item)
                m_table->setItem(int(i), c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
    if (!r.yieldPercent) {
        m_yield->setText(QStringLiteral("Yield: no limits set."));
        return;
    }
    QString text = QStringLiteral("Yield: %1 % of %2 boards meet every limit.")
                       .arg(QString::number(*r.yieldPercent, 'f', 1))
                       .arg(r.settings.runs);
    if (r.mostFailed)
        text += QStringLiteral(" Failed most often: %1 (%2 boards).")
                    .arg(toleranceLimitKey(*r.mostFailed))
                    .arg(r.failures[std::size_t(*r.mostFailed)]);
    if (m_limits.maxInductorA && !m_model.record().carrier.given())
        text += QStringLiteral(" The inductor limit needs the carrier inputs.");
    m_yield->setText(text);
}

void ToleranceWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_model.tolerance())
        restart();
}

void ToleranceWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!m_bandsWanted) {
        m_job.cancel();
        m_model.clearTolerance();
    }
}
