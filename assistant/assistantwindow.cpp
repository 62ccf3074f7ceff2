#include "assistant/assistantwindow.h"

#include "assistant/assistanttable.h"
#include "core/designmodel/designmodel.h"
#include "core/network/analysis.h"
#include "core/network/valuelists.h"
#include "widgets/windowlook.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>

#include <numeric>

struct AssistantWindow::Run {
    explicit Run(AssistantInputs in) : search(std::move(in)), tasks(std::size_t(search.taskCount()))
    {
        std::iota(tasks.begin(), tasks.end(), 0);
    }
    AssistantSearch search;
    std::vector<int> tasks;
    std::shared_ptr<const AssistantAnswer> answer;  // once complete
};

namespace {

QString hint()
{
    return QStringLiteral(
        "Every filter inductor and capacitor of the lists and of the parts library with every "
        "Zobel network of the lists: the designs that meet the limits and that no other beats on "
        "worst-case peak, Zobel dissipation, |gain at 20 kHz| and carrier attenuation (at 384 "
        "kHz, or at the switching frequency with the carrier inputs). Select a row to see it "
        "dashed on Fig. 3; Enter or a double-click puts it into the design.");
}

QString counted(long long n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

TradeoffInputs inputsOf(const DesignModel &model)
{
    return {model.record(), model.loadPower(), model.measured()};
}

// Whether an answer made for `a` stands for `b` too: the design's own filter and Zobel network are
// not part of the search, and its parts are the lists' ideal items.
bool sameSearch(const TradeoffInputs &a, const TradeoffInputs &b)
{
    const auto plain = [](TradeoffInputs in) {
        in.design = withFilter(in.design, 0, 0);
        return in;
    };
    return tradeoffPartsToRedo(plain(a), plain(b)) == 0;
}

const QString kChanged = QStringLiteral("The design changed: search again.");

}  // namespace

AssistantWindow::AssistantWindow(const DesignModel &model, QWidget *parent)
    : QMainWindow(parent), m_model(model)
{
    // The search's threads give way to the windows' thread, as the map's do; and as Linux's
    // default scheduling has no lower priority for them, one core is left to the windows.
    m_pool.setThreadPriority(QThread::LowPriority);
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    createControls();
    connectControls();
    connect(&m_model, &DesignModel::changed, this, &AssistantWindow::follow);
    connect(&m_model, &DesignModel::libraryChanged, this, &AssistantWindow::follow);
    // A search the change makes useless gives way at once, before the change is worked out.
    connect(&m_model, &DesignModel::changing, this, [this] {
        if (m_running && !standsFor(*m_running))
            m_running->search.stop();
    });
    follow();
}

AssistantWindow::~AssistantWindow()
{
    m_job.disconnect(this);
    m_view->selectionModel()->disconnect(this);
    if (m_running)
        m_running->search.stop();
    m_job.cancel();
    // Stopped searches' tasks too: each returns at once.
    m_pool.waitForDone();
}

void AssistantWindow::createControls()
{
    QVBoxLayout *page = setUpPage(this, "AssistantWindow", QStringLiteral("Design assistant"));
    QWidget *central = centralWidget();
    page->setSpacing(6);

    QLabel *caption = goldLabel(hint(), central, {6, 3, 6, 3});
    caption->setWordWrap(true);
    page->addWidget(caption);
    page->addWidget(goldLabel(QStringLiteral("Limits (empty: none)"), central));
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(0);
    page->addLayout(grid);
    const QString dB = QStringLiteral("dB");
    addBox(grid, MaxPeak, "assistant_max_peak", QStringLiteral("Highest worst-case peak"), dB, 0,
           0);
    addBox(grid, GainLow, "assistant_gain_low", QStringLiteral("Gain at 20 kHz, from"), dB, 2, 0);
    addBox(grid, GainHigh, "assistant_gain_high", QStringLiteral("to"), dB, 4, 0);
    addBox(grid, MinAttenuation, "assistant_min_attenuation",
           QStringLiteral("Least carrier attenuation"), dB, 0, 1);
    addBox(grid, MaxZobel, "assistant_max_zobel", QStringLiteral("Highest Zobel dissipation"),
           QStringLiteral("W"), 2, 1);
    addBox(grid, MaxRipple, "assistant_max_ripple", QStringLiteral("Highest ripple (carrier)"),
           QStringLiteral("A p-p"), 4, 1);

    auto *buttons = new QHBoxLayout;
    page->addLayout(buttons);
    m_search = new QPushButton(QStringLiteral("Search"), central);
    m_search->setObjectName(QStringLiteral("assistant_search"));
    m_search->setDefault(true);
    m_stop = new QPushButton(QStringLiteral("Stop"), central);
    m_stop->setObjectName(QStringLiteral("assistant_stop"));
    m_stop->setEnabled(false);
    m_progress = new QProgressBar(central);
    m_progress->setObjectName(QStringLiteral("assistant_progress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    buttons->addWidget(m_search);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_progress, 1);

    m_status = new QLabel(QStringLiteral("Set the limits and press Search."), central);
    m_status->setObjectName(QStringLiteral("assistant_status"));
    m_status->setWordWrap(true);
    page->addWidget(m_status);

    m_table = new AssistantTable(this);
    m_view = new QTableView(central);
    m_view->setObjectName(QStringLiteral("assistant_table"));
    m_view->setModel(m_table);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAlternatingRowColors(true);
    // Tens of thousands of rows: one height for all, nothing measured row by row.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->resizeColumnsToContents();
    m_view->horizontalHeader()->setStretchLastSection(true);
    page->addWidget(m_view, 1);
    // Escape lets go of the row, and of its curve on Fig. 3.
    m_view->installEventFilter(this);
    resize(1000, 640);
}

void AssistantWindow::addBox(QGridLayout *grid, BoxId id, const char *name, const QString &label,
                             const QString &unit, int row, int column)
{
    QWidget *central = centralWidget();
    Box &b = m_boxes[std::size_t(id)];
    b.edit = new QLineEdit(central);
    b.edit->setObjectName(QLatin1String(name));
    b.edit->setMaximumWidth(90);
    b.reason = new QLabel(central);
    b.reason->setObjectName(QLatin1String(name) + QStringLiteral("_reason"));
    QPalette red = b.reason->palette();
    red.setColor(QPalette::WindowText, kOverText);
    b.reason->setPalette(red);
    b.reason->setVisible(false);
    const int at = 4 * column;
    grid->addWidget(new QLabel(label, central), row, at);
    grid->addWidget(b.edit, row, at + 1);
    grid->addWidget(new QLabel(unit, central), row, at + 2);
    grid->addWidget(b.reason, row + 1, at + 1, 1, 3);
    grid->setColumnStretch(at + 3, 1);
}

void AssistantWindow::connectControls()
{
    for (const Box &b : m_boxes) {
        connect(b.edit, &QLineEdit::textChanged, this, [this] { readLimits(); });
        connect(b.edit, &QLineEdit::returnPressed, this, &AssistantWindow::search);
    }
    connect(m_search, &QPushButton::clicked, this, &AssistantWindow::search);
    connect(m_stop, &QPushButton::clicked, this,
            [this] { stop(QStringLiteral("Stopped: no answer.")); });
    connect(&m_job, &QFutureWatcherBase::progressRangeChanged, m_progress, &QProgressBar::setRange);
    connect(&m_job, &QFutureWatcherBase::progressValueChanged, m_progress, &QProgressBar::setValue);
    connect(&m_job, &QFutureWatcherBase::finished, this, &AssistantWindow::finished);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AssistantWindow::select);
    connect(m_view, &QAbstractItemView::activated, this, &AssistantWindow::choose);
}

void AssistantWindow::setFilterItems(std::vector<int> ls, std::vector<int> cs)
{
    m_filterLs = std::move(ls);
    m_filterCs = std::move(cs);
}

const AssistantAnswer *AssistantWindow::answer() const
{
    return m_shown ? m_shown->answer.get() : nullptr;
}

bool AssistantWindow::standsFor(const Run &run) const
{
    const AssistantInputs &searched = run.search.inputs();
    return sameSearch(searched.design, inputsOf(m_model)) && searched.library == m_model.library();
}

bool AssistantWindow::isWorking() const
{
    return m_running != nullptr;
}

void AssistantWindow::follow()
{
    // The ripple is a limit only with the carrier inputs.
    m_boxes[MaxRipple].edit->setEnabled(m_model.record().carrier.given());
    readLimits();
    if (m_running && !standsFor(*m_running))
        stop(kChanged);
    if (m_shown) {
        const bool current = standsFor(*m_shown);
        if (!current)
            m_view->clearSelection();
        m_view->setEnabled(current);
        showStatus();
    }
}

std::optional<AssistantLimits> AssistantWindow::readLimits()
{
    AssistantLimits limits;
    bool good = true;
    const auto show = [&good](const Box &b, const QString &why) {
        b.reason->setText(why);
        b.reason->setVisible(!why.isEmpty());
        good = good && why.isEmpty();
    };
    const auto number = [&show](const Box &b, std::optional<double> &limit) {
        if (!b.edit->isEnabled() || b.edit->text().trimmed().isEmpty())
            return show(b, QString());
        const auto v = readLimitNumber(b.edit->text());
        if (const double *value = std::get_if<double>(&v))
            limit = *value;
        show(b, limit ? QString() : std::get<QString>(v));
    };
    number(m_boxes[MaxPeak], limits.maxPeakDb);
    number(m_boxes[GainLow], limits.gain20kLowDb);
    number(m_boxes[GainHigh], limits.gain20kHighDb);
    number(m_boxes[MinAttenuation], limits.minAttenuationDb);
    number(m_boxes[MaxZobel], limits.maxZobelW);
    number(m_boxes[MaxRipple], limits.maxRippleA);
    if (limits.gain20kLowDb && limits.gain20kHighDb) {
        // Both ends: the window as the command line takes it.
        const auto window = readLimitWindow(m_boxes[GainLow].edit->text() + QLatin1Char(':') +
                                            m_boxes[GainHigh].edit->text());
        if (const QString *why = std::get_if<QString>(&window))
            show(m_boxes[GainHigh], *why);
    }
    m_search->setEnabled(good);
    return good ? std::optional(limits) : std::nullopt;
}

void AssistantWindow::search()
{
    const std::optional<AssistantLimits> limits = readLimits();
    if (!limits)
        return;
    stop(QString());
    // The answer shown was for other limits or another design.
    m_shown.reset();
    m_table->setAnswer(nullptr);
    select();
    m_running = std::make_shared<Run>(
        AssistantInputs{inputsOf(m_model), *limits, m_filterLs, m_filterCs, m_model.library()});
    m_status->setText(
        QStringLiteral("Searching %1 designs…")
            .arg(counted(m_running->search.taskCount() *
                         static_cast<long long>(m_running->search.networks().count()))));
    m_progress->setRange(0, m_running->search.taskCount());
    m_progress->setValue(0);
    m_stop->setEnabled(true);
    m_job.setFuture(QtConcurrent::map(&m_pool, m_running->tasks,
                                      [run = m_running](int task) { run->search.run(task); }));
}

void AssistantWindow::stop(const QString &why)
{
    if (!m_running)
        return;
    // Its tasks keep it until each has returned.
    m_running->search.stop();
    m_job.cancel();
    m_running.reset();
    m_stop->setEnabled(false);
    m_progress->setValue(m_progress->minimum());
    m_status->setText(why);
}

void AssistantWindow::finished()
{
    if (!m_running || !m_job.isFinished())
        return;  // a search stopped since
    const std::shared_ptr<Run> run = std::move(m_running);
    m_stop->setEnabled(false);
    AssistantAnswer answer = std::move(run->search).finish();
    run->answer = std::make_shared<const AssistantAnswer>(std::move(answer));
    m_shown = run;
    m_table->setAnswer(run->answer);
    // The first rows' texts and the titles, with room between the columns.
    m_view->resizeColumnsToContents();
    for (int c = 0; c < m_table->columnCount() - 1; ++c)  // the last one stretches
        m_view->setColumnWidth(c, m_view->columnWidth(c) + 10);
    m_view->setEnabled(true);
    showStatus();
}

void AssistantWindow::showStatus()
{
    const AssistantAnswer &a = *m_shown->answer;
    if (!m_view->isEnabled()) {
        m_status->setText(kChanged);
    } else if (!a.designs.empty()) {
        m_status->setText(QStringLiteral("%1 designs searched, %2 on the answer.")
                              .arg(counted(a.searched), counted(qint64(a.designs.size()))));
    } else if (const std::optional<AssistantLimit> most = a.mostExcluding()) {
        m_status->setText(
            QStringLiteral("No design meets the limits: %1 excludes the most (%2 of %3).")
                .arg(assistantLimitName(*most), counted(a.excluded[std::size_t(*most)]),
                     counted(a.searched)));
    } else {
        m_status->setText(QStringLiteral("No design meets the limits."));
    }
}

void AssistantWindow::select()
{
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    std::optional<Overlay> next;
    if (rows.size() == 1 && m_shown) {
        const AssistantDesign &d = m_shown->answer->designs[std::size_t(rows[0].row())];
        const QStringList items = m_shown->answer->items(d);
        next.emplace();
        next->name = QStringLiteral("assistant: %1 uH, %2 uF; Zobel %3 uF, %4 ohm, %5 uF")
                         .arg(items[0], items[1], items[2], items[3], items[4]);
        // A finished search still knows the design it searched for.
        DesignAnalysis a;
        analyseDesign(m_shown->search.designOf(d), 0.0, a, AnalysisPart::GainZobel);
        next->curve = std::move(a.gainZobel);
    }
    if (!next && !m_overlay)
        return;
    m_overlay = std::move(next);
    emit overlayChanged();
}

void AssistantWindow::choose(const QModelIndex &index)
{
    if (!m_shown || !index.isValid() || !m_view->isEnabled())
        return;
    const QStringList items =
        m_shown->answer->items(m_shown->answer->designs[std::size_t(index.row())]);
    emit designChosen(items[0], items[1], items[2], items[3], items[4]);
}

void AssistantWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeUpperRight(this, frameGeometry().size());
    }
}

void AssistantWindow::closeEvent(QCloseEvent *event)
{
    stop(QStringLiteral("Stopped: the window was closed."));
    m_view->clearSelection();
    event->accept();
}

bool AssistantWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The table would take Escape as the start of a search by text.
    if (watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_view->clearSelection();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
