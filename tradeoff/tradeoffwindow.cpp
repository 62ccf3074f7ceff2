#include "tradeoff/tradeoffwindow.h"

#include "core/common/figuretext.h"
#include "core/designmodel/designmodel.h"
#include "core/network/valuelists.h"
#include "widgets/graphcontrol.h"
#include "widgets/graphmenu.h"
#include "widgets/windowlook.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QColor kFrontColour(20, 20, 20);
const QColor kDesignColour(210, 0, 0);
const QColor kGroupColour(90, 90, 90);
const QColor kSelectedColour(255, 120, 0);
constexpr int kPickRadius = 7;  // pixels from a point that still pick it

QString hint()
{
    return QStringLiteral(
        "Point at a network to read its figures. A click, or Enter on the one "
        "picked with the arrow keys (Ctrl+Left/Right: along the front), puts it "
        "into the design.");
}

}  // namespace

TradeoffWindow::TradeoffWindow(const DesignModel &model, QWidget *parent) : QMainWindow(parent)
{
    // The map's threads are to give way to the windows' thread, so that typing goes on at its own
    // speed while a map is worked out. Under Linux's default scheduling Qt has no level between
    // normal and idle, and they run at normal priority there.
    m_pool.setThreadPriority(QThread::LowPriority);
    createControls();
    connectControls();
    const auto design = [&model] {
        return TradeoffInputs{model.record(), model.loadPower(), model.measured()};
    };
    connect(&model, &DesignModel::changed, this, [this, design](DesignParts parts) {
        if (parts != DesignPart::Reference)
            follow(design());
    });
    follow(design());
}

TradeoffWindow::~TradeoffWindow()
{
    m_job.cancel();
    m_job.waitForFinished();
}

void TradeoffWindow::createControls()
{
    QVBoxLayout *page = setUpPage(this, "TradeoffWindow", QStringLiteral("Zobel map"));
    QWidget *central = centralWidget();
    page->setSpacing(6);

    m_caption = goldLabel(QString(), central, {6, 3, 6, 3});
    m_caption->setObjectName(QStringLiteral("tradeoff_caption"));
    m_caption->setWordWrap(true);
    page->addWidget(m_caption);

    m_graph = new GraphControl(central);
    m_graph->setObjectName(QStringLiteral("tradeoff_graph"));
    m_graph->setup(QStringLiteral("Every Zobel network of the lists"),
                   {1e-3, 10, GraphControl::Logarithmic, QStringLiteral("W")},
                   {0, 40, GraphControl::Linear, QString()});
    m_graph->setAxisLabel(GraphControl::XAxis, QStringLiteral("Zobel resistor dissipation"));
    m_graph->setAxisLabel(GraphControl::YAxis,
                          QStringLiteral("worst-case peak over the loads, dB"));
    m_graph->setCurveStyle(QStringLiteral("Pareto front"), kFrontColour, 1.6);
    m_graph->setFocusPolicy(Qt::StrongFocus);
    addGraphMenu(m_graph, {QStringLiteral("zobel_map"),
                           [this] { return tradeoffCsv(m_shown ? *m_shown : TradeoffMap{}); },
                           {},
                           false});
    page->addWidget(m_graph, 1);

    m_readout = goldLabel(hint(), central, {6, 3, 6, 3});
    m_readout->setObjectName(QStringLiteral("tradeoff_readout"));
    m_readout->setWordWrap(true);
    m_readout->setMinimumHeight(2 * m_readout->fontMetrics().height() + 8);
    page->addWidget(m_readout);
    resize(1000, 700);
}

void TradeoffWindow::connectControls()
{
    connect(&m_job, &QFutureWatcherBase::finished, this, &TradeoffWindow::finished);
    connect(m_graph, &GraphControl::hovered, this, &TradeoffWindow::hover);
    connect(m_graph, &GraphControl::clickedAt, this,
            [this](QPoint pixel) { choose(networkAt(pixel)); });
}

void TradeoffWindow::follow(const TradeoffInputs &inputs)
{
    // Only the figures count: a caption follows with the next map.
    const bool changed = !m_following || tradeoffPartsToRedo(m_wanted, inputs) != 0;
    const bool moved = !m_following || ::designNetwork(inputs.design) != designNetwork();
    m_wanted = inputs;
    m_following = true;
    if (m_shown && moved)
        drawMarks();
    if (changed && isVisible())
        start();
}

bool TradeoffWindow::isWorking() const
{
    return m_job.isRunning();
}

void TradeoffWindow::start()
{
    if (m_job.isRunning()) {
        // Stopped after the rows at hand; finished() starts the next one.
        m_job.cancel();
        return;
    }
    m_work = std::make_shared<TradeoffWork>(m_wanted, m_shown.get());
    m_job.setFuture(QtConcurrent::map(&m_pool, m_work->rows(),
                                      [work = m_work](TradeoffRow &row) { work->fill(row); }));
}

void TradeoffWindow::finished()
{
    const std::shared_ptr<TradeoffWork> work = std::move(m_work);
    // A job that ended just before the window closed is not cancelled by the close: a closed
    // window draws nothing, and works the map out again when it is shown.
    if (!m_job.isCanceled() && isVisible() && tradeoffPartsToRedo(work->inputs(), m_wanted) == 0) {
        m_shown = std::make_shared<const TradeoffMap>(std::move(*work).finish());
        draw();
        emit mapDrawn();
        return;
    }
    // Stale or stopped: a map of what the design is now, unless the window was closed.
    if (isVisible())
        start();
}

void TradeoffWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeUpperRight(this, frameGeometry().size());
    }
    if (m_following && !(m_shown && tradeoffPartsToRedo(m_shown->inputs, m_wanted) == 0))
        start();
}

void TradeoffWindow::closeEvent(QCloseEvent *event)
{
    m_job.cancel();
    event->accept();
}

void TradeoffWindow::draw()
{
    const TradeoffMap &map = *m_shown;
    m_points.clear();
    m_front.clear();
    std::vector<double> x, y, colour;
    double left = std::numeric_limits<double>::infinity(), right = 0.0;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    double groupPeak = -std::numeric_limits<double>::infinity(), groupFront = groupPeak;
    bool groupOnFront = false;
    for (int i = 0; i < int(map.rows.size()); ++i) {
        const TradeoffRow &row = map.rows[std::size_t(i)];
        high = std::max(high, row.worstPeakDb);
        if (isNoZobel(zobelNetwork(i))) {
            groupPeak = std::max(groupPeak, row.worstPeakDb);
            if (row.pareto && (!groupOnFront || row.worstPeakDb < groupFront))
                groupFront = row.worstPeakDb;
            groupOnFront = groupOnFront || row.pareto;
            continue;
        }
        m_points.push_back({i, row.zobelW, row.worstPeakDb});
        x.push_back(row.zobelW);
        y.push_back(row.worstPeakDb);
        colour.push_back(row.gain20kDb);
        if (row.zobelW > 0)
            left = std::min(left, row.zobelW), right = std::max(right, row.zobelW);
        low = std::min(low, row.worstPeakDb);
    }
    if (!(right > 0))  // nothing dissipates: no load power and no carrier
        left = right = 1e-3;
    // The networks without a series capacitor sit at the left edge, as one point.
    const double groupX = left / 4;
    m_points.push_back({-1, groupX, groupPeak});

    std::vector<int> order;
    for (int p = 0; p < int(m_points.size()) - 1; ++p)
        if (map.rows[std::size_t(m_points[p].network)].pareto)
            order.push_back(p);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return m_points[a].x != m_points[b].x ? m_points[a].x < m_points[b].x
                                              : m_points[a].y > m_points[b].y;
    });
    std::vector<double> frontX, frontY;
    if (groupOnFront) {
        m_front.push_back(int(m_points.size()) - 1);
        frontX.push_back(groupX);
        frontY.push_back(groupFront);
    }
    for (int p : order) {
        m_front.push_back(p);
        frontX.push_back(m_points[p].x);
        frontY.push_back(m_points[p].y);
    }

    m_caption->setText(QStringLiteral("Dissipation: %1.  Worst case over the loads %2.")
                           .arg(dissipationCaption(m_wanted), loadsCaption(m_wanted)));
    m_graph->setScatter(x, y, colour, QStringLiteral("gain at 20 kHz, design's speaker, dB"),
                        QStringLiteral("network"));
    m_graph->plot(frontX, frontY);
    m_graph->setAxisRange(GraphControl::XAxis, groupX / 2.5, right * 2.5);
    const double span = std::max(high - std::min(low, groupPeak), 1.0);
    m_graph->setAxisRange(GraphControl::YAxis, std::min(low, groupPeak) - 0.06 * span,
                          high + 0.1 * span);
    drawMarks();
    showReadout(m_hovered >= 0 ? m_hovered : m_selected);
}

void TradeoffWindow::drawMarks()
{
    if (m_points.empty())
        return;
    const Point &group = m_points.back();
    QList<GraphControl::Mark> marks{{group.x, group.y, kGroupColour, GraphControl::Diamond,
                                     QStringLiteral("no Zobel (C_Ser 0)"), QString()}};
    if (const std::optional<ZobelNetwork> own = designNetwork()) {
        const Point &p = pointOf(zobelNetworkIndex(*own));
        marks.append({p.x, p.y, kDesignColour, GraphControl::Ring, QStringLiteral("design"),
                      QStringLiteral("the design's network")});
    }
    if (m_selected >= 0) {
        const Point &p = pointOf(m_selected);
        marks.append({p.x, p.y, kSelectedColour, GraphControl::Square, QString(),
                      QStringLiteral("picked: Enter puts it into the design")});
    }
    if (m_hovered >= 0) {  // the point the read-out speaks of
        const Point &p = pointOf(m_hovered);
        marks.append({p.x, p.y, Qt::black, GraphControl::Ring, QString(), QString()});
    }
    m_graph->setMarks(marks);
}

std::optional<ZobelNetwork> TradeoffWindow::designNetwork() const
{
    return ::designNetwork(m_wanted.design);
}

int TradeoffWindow::representative(int network) const
{
    if (network >= 0)
        return network;
    // The group stands for the design's own capacitor and resistor without the series capacitor.
    const std::optional<ZobelNetwork> own = designNetwork();
    ZobelNetwork z = own ? *own : ZobelNetwork{};
    for (int s = 0; s < int(listItems(ListSelector::zobel_c_ser).size()); ++s)
        if (isNoZobel({z.cPar, z.r, s}))
            z.cSer = s;
    return zobelNetworkIndex(z);
}

int TradeoffWindow::networkAt(QPoint pixel) const
{
    int best = -1;
    double bestDistance = kPickRadius * kPickRadius;
    for (std::size_t p = 0; p < m_points.size(); ++p) {
        const QPointF at = m_graph->pixelOf(m_points[p].x, m_points[p].y);
        const double dx = at.x() - pixel.x(), dy = at.y() - pixel.y();
        if (dx * dx + dy * dy <= bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = int(p);
        }
    }
    return best < 0 ? -1 : representative(m_points[std::size_t(best)].network);
}

const TradeoffWindow::Point &TradeoffWindow::pointOf(int network) const
{
    if (isNoZobel(zobelNetwork(network)))
        return m_points.back();
    // Drawn in network order, the group's left out.
    const auto at = std::lower_bound(m_points.begin(), m_points.end() - 1, network,
                                     [](const Point &p, int n) { return p.network < n; });
    return *at;
}

QPointF TradeoffWindow::pixelOfNetwork(int index) const
{
    if (m_points.empty() || index < 0)
        return {-1, -1};
    const Point &p = pointOf(index);
    return m_graph->pixelOf(p.x, p.y);
}

void TradeoffWindow::hover(QPoint pixel)
{
    const int network = networkAt(pixel);
    if (network == m_hovered)
        return;
    m_hovered = network;
    drawMarks();
    showReadout(network >= 0 ? network : m_selected);
}

void TradeoffWindow::showReadout(int network)
{
    if (network < 0 || !m_shown) {
        m_readout->setText(hint());
        return;
    }
    const TradeoffRow &row = m_shown->rows[std::size_t(network)];
    const ZobelNetwork z = zobelNetwork(network);
    QString watts = dissipationFigureText(row.at7kHzW) + QStringLiteral(" at 7 kHz");
    if (m_shown->withCarrier)
        watts += QStringLiteral(" + ") + dissipationFigureText(row.carrierW) +
                 QStringLiteral(" idle carrier");
    m_readout->setText(
        QStringLiteral("C_Par %1 uF, R %2 ohm, C_Ser %3 uF%4\nworst-case peak %5 (%6);  design's "
                       "speaker: peak %7, %8 at 20 kHz;  Zobel resistor %9")
            .arg(zobelCParText(z), zobelRText(z), zobelCSerText(z),
                 isNoZobel(z) ? QStringLiteral(" (no Zobel)") : QString(),
                 figureText(row.worstPeakDb), m_shown->loads[std::size_t(row.worstLoad)].name,
                 figureText(row.ownPeakDb), figureText(row.gain20kDb), watts));
}

void TradeoffWindow::choose(int network)
{
    if (network < 0)
        return;
    const std::optional<ZobelNetwork> own = designNetwork();
    if (own && zobelNetworkIndex(*own) == network)
        return;  // already the design's
    const ZobelNetwork z = zobelNetwork(network);
    emit networkChosen(zobelCParText(z), zobelRText(z), zobelCSerText(z));
}

void TradeoffWindow::select(int network)
{
    m_selected = network;
    drawMarks();
    showReadout(network);
}

int TradeoffWindow::nearestInDirection(int key) const
{
    if (m_points.empty())
        return -1;
    int from = m_selected >= 0 ? m_selected : -1;
    if (from < 0) {
        const std::optional<ZobelNetwork> own = designNetwork();
        return own ? zobelNetworkIndex(*own) : representative(m_points.front().network);
    }
    const QPointF here = pixelOfNetwork(from);
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const Point &p : m_points) {
        const QPointF at = m_graph->pixelOf(p.x, p.y);
        const double dx = at.x() - here.x(), dy = at.y() - here.y();
        // Within 45 degrees of the key's direction.
        const double along = key == Qt::Key_Right  ? dx
                             : key == Qt::Key_Left ? -dx
                             : key == Qt::Key_Down ? dy
                                                   : -dy;
        const double across = key == Qt::Key_Left || key == Qt::Key_Right ? dy : dx;
        if (!(along > 0) || std::abs(across) > along)
            continue;
        const double d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = representative(p.network);
        }
    }
    return best;
}

int TradeoffWindow::stepAlongFront(int step) const
{
    if (m_front.empty())
        return -1;
    const auto networkOf = [this](int p) {
        return representative(m_points[std::size_t(p)].network);
    };
    int at = -1;
    for (int k = 0; k < int(m_front.size()); ++k)
        if (networkOf(m_front[k]) == m_selected)
            at = k;
    if (at < 0)
        return networkOf(step > 0 ? m_front.front() : m_front.back());
    return networkOf(m_front[std::size_t(std::clamp(at + step, 0, int(m_front.size()) - 1))]);
}

void TradeoffWindow::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    int next = -2;
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && (event->modifiers() & Qt::ControlModifier))
        next = stepAlongFront(key == Qt::Key_Right ? 1 : -1);
    else if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
             key == Qt::Key_Down)
        next = nearestInDirection(key);
    else if (key == Qt::Key_Home || key == Qt::Key_End)
        next =
            m_front.empty()
                ? -1
                : representative(
                      m_points[std::size_t(key == Qt::Key_Home ? m_front.front() : m_front.back())]
                          .network);
    else if (key == Qt::Key_Return || key == Qt::Key_Enter)
        choose(m_selected);
    else if (key == Qt::Key_Escape)
        select(-1);
    else
        return QMainWindow::keyPressEvent(event);
    if (next >= 0)
        select(next);
    event->accept();
}
