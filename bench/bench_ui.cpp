// The main window's per-event cost through the real widgets, drawing included, on the offscreen
// platform: one replot of the three graphs, an item picked in a Zobel list, a keystroke in the
// speaker-inductance box (also with Compare Loads on for both gain graphs, with the carrier
// window open, or with a measured speaker loaded), one step of a cursor drag, and the Power
// graph drawn hidden and shown; with the Zobel map open, the keystroke and the time until the
// new map is drawn.
#include "app/form1.h"
#include "assistant/assistantwindow.h"
#include "carrier/carrierwindow.h"
#include "core/carrier/carrierinputs.h"
#include "core/designmodel/designmodel.h"
#include "tolerance/tolerancewindow.h"
#include "tradeoff/tradeoffwindow.h"
#include "widgets/graphcontrol.h"
#include "widgets/valuecombo.h"

#include "realparts.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <complex>

namespace {

Form1 *g_form = nullptr;

// Runs what the event queued: the coalesced replots and the paint.
void settle()
{
    QCoreApplication::processEvents();
}

void BM_ReplotThreeGraphs(benchmark::State &state)
{
    QList<GraphControl *> graphs;
    for (const char *name : {"CWGraph1", "CWGraph3", "CWGraph4"})
        graphs << g_form->findChild<GraphControl *>(QLatin1String(name));
    settle();
    for (auto _ : state) {
        for (GraphControl *g : graphs) {
            g->refresh();
            g->repaint();
        }
    }
}
BENCHMARK(BM_ReplotThreeGraphs)->UseRealTime()->Unit(benchmark::kMillisecond);

// An item picked with an arrow key, as the mouse would pick the neighbouring one: one change of
// the design, every graph and figure drawn again.
void BM_PickItem(benchmark::State &state, const char *list)
{
    auto *combo = g_form->findChild<ValueCombo *>(QLatin1String(list));
    combo->lineEdit()->setFocus();
    settle();
    bool down = true;
    for (auto _ : state) {
        QTest::keyClick(combo->lineEdit(), down ? Qt::Key_Down : Qt::Key_Up);
        settle();
        down = !down;
    }
}
BENCHMARK_CAPTURE(BM_PickItem, zobel_c_par, "zobel_c_par")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PickItem, speaker_r_mode, "speaker_r_mode")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_SpeakerLKeystroke(benchmark::State &state)
{
    auto *edit = g_form->findChild<QLineEdit *>(QStringLiteral("Speaker_L"));
    edit->setFocus();
    edit->setText(QStringLiteral(".6"));
    edit->end(false);
    settle();
    bool type = true;
    for (auto _ : state) {
        // ".6" -> ".67" -> ".6": every keystroke is accepted and recalculates.
        QTest::keyClick(edit, type ? Qt::Key_7 : Qt::Key_Backspace);
        settle();
        type = !type;
    }
}
BENCHMARK(BM_SpeakerLKeystroke)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same keystroke while Fig. 2 and Fig. 3 draw the gain for five other loads as well.
void BM_SpeakerLKeystrokeComparingLoads(benchmark::State &state)
{
    QList<QAction *> compare;
    for (const char *graph : {"CWGraph3", "CWGraph4"})
        compare << g_form->findChild<GraphControl *>(QLatin1String(graph))
                       ->findChild<QAction *>(QStringLiteral("actionCompareLoads"));
    for (QAction *a : compare) a->trigger();
    BM_SpeakerLKeystroke(state);
    for (QAction *a : compare) a->trigger();
    settle();
}
BENCHMARK(BM_SpeakerLKeystrokeComparingLoads)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same keystroke with the carrier window open on the full bridge at 48 V, 384 kHz: its table
// and both modulations' loss curves follow every keystroke.
void BM_SpeakerLKeystrokeCarrierOpen(benchmark::State &state)
{
    g_form->findChild<QAction *>(QStringLiteral("Topol_Full_Bridge"))->trigger();
    g_form->findChild<QAction *>(QStringLiteral("carrier_window"))->trigger();
    CarrierWindow *carrier = g_form->carrierWindow();
    for (const auto &[box, text] : {std::pair{"carrier_supply", "48"}, {"carrier_fsw", "384"}})
        QTest::keyClicks(carrier->findChild<QLineEdit *>(QLatin1String(box)), QLatin1String(text));
    settle();
    BM_SpeakerLKeystroke(state);
    carrier->close();
    g_form->findChild<QAction *>(QStringLiteral("Topol_Half_Bridge"))->trigger();
    settle();
}
BENCHMARK(BM_SpeakerLKeystrokeCarrierOpen)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same with real parts: the inductor with a saturation curve, the capacitor with a bias
// curve, their losses and parasitics; Fig. 2 and 3 draw the design at its load power as well.
// With the filter figures window open too.
void BM_SpeakerLKeystrokeCarrierOpenRealParts(benchmark::State &state, bool figures)
{
    DesignModel &model = g_form->model();
    putRealParts(model);
    if (figures)
        g_form->findChild<QAction *>(QStringLiteral("board_window"))->trigger();
    BM_SpeakerLKeystrokeCarrierOpen(state);
    model.setPart(PartSlot::filter_l, std::nullopt);
    model.setPart(PartSlot::filter_c, std::nullopt);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("BoardWindow"))
            w->close();
    settle();
}
BENCHMARK_CAPTURE(BM_SpeakerLKeystrokeCarrierOpenRealParts, carrier, false)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SpeakerLKeystrokeCarrierOpenRealParts, carrier_and_figures, true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same keystroke with a measured speaker loaded: its impedance on Fig. 1 and its gains on
// Fig. 2 and 3 drawn beside the design's, the gains worked out anew for every keystroke.
void BM_SpeakerLKeystrokeMeasured(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("woofer.zma"));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    for (int i = 0; i < 200; ++i) {
        const double hz = 10 * std::pow(2000.0, i / 199.0);
        const std::complex<double> jw(0, 2 * M_PI * hz);
        const std::complex<double> z =
            6.2 + jw * 0.35e-3 + 1.0 / (1.0 / 12.0 + 1.0 / (jw * 1.1e-3));
        out.write(QByteArray::number(hz) + ' ' + QByteArray::number(std::abs(z)) + ' ' +
                  QByteArray::number(std::arg(z) * 180 / M_PI) + '\n');
    }
    out.close();
    // The file dialog, answered as soon as it shows.
    QTimer answer;
    answer.callOnTimeout([&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            answer.stop();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(file);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    answer.start(5);
    g_form->findChild<QAction *>(QStringLiteral("measured_load"))->trigger();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("MeasuredSpeakerWindow"))
            w->close();
    settle();
    BM_SpeakerLKeystroke(state);
    g_form->findChild<QAction *>(QStringLiteral("measured_clear"))->trigger();
    settle();
}
BENCHMARK(BM_SpeakerLKeystrokeMeasured)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_CursorDragStep(benchmark::State &state)
{
    auto *graph = g_form->findChild<GraphControl *>(QStringLiteral("CWGraph4"));
    g_form->findChild<QAction *>(QStringLiteral("cursors3_on"))->trigger();
    settle();
    // Where the cursor's vertical line is drawn.
    const QImage image = graph->grab().toImage();
    int column = 0, most = 0;
    for (int x = 0; x < image.width(); ++x) {
        int red = 0;
        for (int y = 0; y < image.height(); ++y) red += image.pixel(x, y) == qRgb(200, 0, 0);
        if (red > most) {
            most = red;
            column = x;
        }
    }
    QWidget *plot = graph->findChild<QWidget *>();
    const int row = plot->height() / 2;
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(column, row));
    bool right = true;
    for (auto _ : state) {
        // Far enough to reach another point of the curve every time.
        QTest::mouseMove(plot, QPoint(right ? column + 6 : column, row));
        settle();
        right = !right;
    }
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(column, row));
    g_form->findChild<QAction *>(QStringLiteral("cursors3_on"))->trigger();
    settle();
}
BENCHMARK(BM_CursorDragStep)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A keystroke in the Power window's load-power box, the window on screen: "50" -> "5" -> "50".
void BM_LoadPowerKeystroke(benchmark::State &state)
{
    g_form->findChild<QAction *>(QStringLiteral("power_calcs"))->trigger();
    auto *edit = g_form->powerWindow()->findChild<QLineEdit *>(QStringLiteral("Text_peak_voltage"));
    edit->setFocus();
    edit->end(false);
    settle();
    bool erase = true;
    for (auto _ : state) {
        QTest::keyClick(edit, erase ? Qt::Key_Backspace : Qt::Key_0);
        settle();
        erase = !erase;
    }
    g_form->powerWindow()->hide();
    settle();
}
BENCHMARK(BM_LoadPowerKeystroke)->UseRealTime()->Unit(benchmark::kMillisecond);

// The Power graph drawn again from the design's analysis, the window hidden and shown.
void BM_PowerSweep(benchmark::State &state)
{
    g_form->findChild<QAction *>(QStringLiteral("power_calcs"))->trigger();
    Power_measurement_form *power = g_form->powerWindow();
    power->setVisible(state.range(0) != 0);
    settle();
    for (auto _ : state) {
        power->CWGraph4_Click();
        settle();
    }
    power->hide();
    settle();
}
BENCHMARK(BM_PowerSweep)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("shown")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The Zobel map open, worked out afresh after every change and drawn.
TradeoffWindow *openMap()
{
    g_form->findChild<QAction *>(QStringLiteral("tradeoff_window"))->trigger();
    auto *map = g_form->findChild<TradeoffWindow *>();
    QSignalSpy drawn(map, &TradeoffWindow::mapDrawn);
    if (!map->shownMap() || map->isWorking())
        drawn.wait(10000);
    g_form->activateWindow();
    return map;
}

void closeMap(TradeoffWindow *map)
{
    map->close();
    while (map->isWorking()) QThread::msleep(1);
    settle();
}

// A Speaker_L keystroke with the map open: it starts a new map (stopping the one in the works)
// and returns; the map's threads keep working while the next keystroke comes.
void BM_SpeakerLKeystrokeWithMap(benchmark::State &state)
{
    TradeoffWindow *map = openMap();
    BM_SpeakerLKeystroke(state);
    closeMap(map);
}
BENCHMARK(BM_SpeakerLKeystrokeWithMap)->UseRealTime()->Unit(benchmark::kMillisecond);

// A Speaker_L keystroke while the design assistant searches the whole space on its pool: the
// keystroke stops the search (its answer would be for the design before) and recalculates. Before
// each keystroke, off the clock, the search is started again and given 5 ms of an idle event
// loop, as the application gives it between keystrokes; with searching:0
// the same keystroke after the same pause, the window open and no search, for comparison (a
// keystroke after an idle pause finds colder caches than one of a tight loop).
void BM_SpeakerLKeystrokeWhileSearching(benchmark::State &state)
{
    g_form->findChild<QAction *>(QStringLiteral("assistant_window"))->trigger();
    auto *assistant = g_form->findChild<AssistantWindow *>();
    auto *search = assistant->findChild<QPushButton *>(QStringLiteral("assistant_search"));
    auto *edit = g_form->findChild<QLineEdit *>(QStringLiteral("Speaker_L"));
    edit->setText(QStringLiteral(".6"));
    edit->end(false);
    settle();
    bool type = true;
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) != 0)
            search->click();
        // 5 ms of an idle event loop: the click's repaint and the search's progress are
        // drawn as they come, not in the keystroke's time.
        QElapsedTimer idle;
        idle.start();
        do {
            settle();
            QThread::msleep(1);
        } while (idle.elapsed() < 5);
        if (assistant->isWorking() != (state.range(0) != 0))
            state.SkipWithError("the search did not start");
        state.ResumeTiming();
        QTest::keyClick(edit, type ? Qt::Key_7 : Qt::Key_Backspace);
        settle();
        type = !type;
    }
    while (assistant->isWorking()) {
        QThread::msleep(1);
        settle();
    }
    assistant->close();
    settle();
}
BENCHMARK(BM_SpeakerLKeystrokeWhileSearching)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("searching")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// From a Speaker_L keystroke to the new map drawn.
void BM_MapAfterKeystroke(benchmark::State &state)
{
    TradeoffWindow *map = openMap();
    auto *edit = g_form->findChild<QLineEdit *>(QStringLiteral("Speaker_L"));
    edit->setFocus();
    QSignalSpy drawn(map, &TradeoffWindow::mapDrawn);
    // ".67" -> ".6", whatever the design held: every keystroke below changes the map.
    edit->setText(QStringLiteral(".67"));
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    while (map->isWorking()) QThread::msleep(1);
    settle();
    bool type = true;
    for (auto _ : state) {
        const qsizetype before = drawn.size();
        QTest::keyClick(edit, type ? Qt::Key_7 : Qt::Key_Backspace);
        if (drawn.size() == before)
            drawn.wait(10000);
        type = !type;
    }
    closeMap(map);
}
BENCHMARK(BM_MapAfterKeystroke)->UseRealTime()->Unit(benchmark::kMillisecond);

// The Tolerance window open with its 1,000 boards: a Speaker_L keystroke starts a new batch (the
// one in the works stopped) and returns.
ToleranceWindow *openTolerance()
{
    g_form->findChild<QAction *>(QStringLiteral("tolerance_window"))->trigger();
    auto *window = g_form->findChild<ToleranceWindow *>();
    QSignalSpy shown(window, &ToleranceWindow::batchShown);
    if (!window->shownResult() || window->isWorking())
        shown.wait(10000);
    g_form->activateWindow();
    return window;
}

void closeTolerance(ToleranceWindow *window)
{
    window->close();
    while (window->isWorking()) QThread::msleep(1);
    settle();
}

void BM_SpeakerLKeystrokeWithTolerance(benchmark::State &state)
{
    ToleranceWindow *window = openTolerance();
    BM_SpeakerLKeystroke(state);
    closeTolerance(window);
}
BENCHMARK(BM_SpeakerLKeystrokeWithTolerance)->UseRealTime()->Unit(benchmark::kMillisecond);

// From a Speaker_L keystroke to the 1,000 boards' bands drawn on the graphs.
void BM_BandsAfterKeystroke(benchmark::State &state)
{
    ToleranceWindow *window = openTolerance();
    auto *edit = g_form->findChild<QLineEdit *>(QStringLiteral("Speaker_L"));
    edit->setFocus();
    QSignalSpy shown(window, &ToleranceWindow::batchShown);
    edit->setText(QStringLiteral(".67"));
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    shown.wait(10000);
    settle();
    bool type = true;
    for (auto _ : state) {
        const qsizetype before = shown.size();
        QTest::keyClick(edit, type ? Qt::Key_7 : Qt::Key_Backspace);
        while (shown.size() == before) shown.wait(10000);
        QCoreApplication::processEvents();  // the graphs redrawn with the bands
        type = !type;
    }
    closeTolerance(window);
}
BENCHMARK(BM_BandsAfterKeystroke)->UseRealTime()->Unit(benchmark::kMillisecond);

// From a change of the speaker inductance to the new map drawn, the window alone on a design:
// the start-up design in full bridge, without and with the carrier inputs (48 V, 384 kHz, BD).
void BM_MapAfterChange(benchmark::State &state)
{
    DesignModel model;
    model.setFullBridge(true);
    if (state.range(0)) {
        CarrierInputs carrier = model.record().carrier;
        acceptCarrierText(carrier, CarrierField::supply, QStringLiteral("48"));
        acceptCarrierText(carrier, CarrierField::switching, QStringLiteral("384"));
        model.setCarrierInputs(carrier);
    }
    TradeoffWindow map(model);
    map.resize(960, 680);
    QSignalSpy drawn(&map, &TradeoffWindow::mapDrawn);
    map.show();
    drawn.wait(10000);
    bool other = true;
    for (auto _ : state) {
        const qsizetype before = drawn.size();
        model.setSpeakerLText(other ? QStringLiteral(".6") : QStringLiteral(".67"));
        if (drawn.size() == before)
            drawn.wait(10000);
        other = !other;
    }
    map.close();
    while (map.isWorking()) QThread::msleep(1);
    settle();
}
BENCHMARK(BM_MapAfterChange)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("carrier")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Form1 form;
    form.resize(1500, 900);
    form.show();
    g_form = &form;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
