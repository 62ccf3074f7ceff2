// The main window's per-event cost through the real widgets, drawing included, on the offscreen
// platform: one replot of the three graphs, an item picked in a Zobel list, a keystroke in the
// speaker-inductance box.
#include "app/form1.h"
#include "widgets/graphcontrol.h"
#include "widgets/valuecombo.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

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

void BM_PickZobelItem(benchmark::State &state)
{
    auto *combo = g_form->findChild<ValueCombo *>(QStringLiteral("zobel_c_par"));
    combo->lineEdit()->setFocus();
    settle();
    bool down = true;
    for (auto _ : state) {
        // An arrow key selects the neighbouring item, as the mouse would.
        QTest::keyClick(combo->lineEdit(), down ? Qt::Key_Down : Qt::Key_Up);
        settle();
        down = !down;
    }
}
BENCHMARK(BM_PickZobelItem)->UseRealTime()->Unit(benchmark::kMillisecond);

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
