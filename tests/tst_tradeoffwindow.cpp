// The Zobel map through the main window, driven as a user would: its menu item, changes of the
// design while it is open, keys and the pointer on the map, its Save Data. What it shows is
// compared with the command line's map of the same design (another way in to the same inputs),
// and a network put into the design by a click with the main window's own figure boxes. Mouse
// events go through the window system, as a pointer moving over the map sends them.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/form1.h"
#include "core/common/figuretext.h"
#include "core/tradeoff/tradeoff.h"
#include "testhelpers.h"
#include "tradeoff/tradeoffwindow.h"
#include "widgets/graphmenu.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kWoofer =
    QStringLiteral(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-resonance-crlf.frd");

QString texts(int network)
{
    const ZobelNetwork z = zobelNetwork(network);
    return zobelCParText(z) + " " + zobelRText(z) + " " + zobelCSerText(z);
}

}  // namespace

class TestTradeoffWindow : public QObject
{
    Q_OBJECT

    Form1 *m_form = nullptr;

    // Whether the map shows what the main window holds now.
    bool current(TradeoffWindow *w) const
    {
        const TradeoffInputs held{m_form->design(), m_form->loadPower(),
                                  std::shared_ptr<const MeasuredLoad>(std::shared_ptr<void>(),
                                                                      m_form->measuredSpeaker())};
        return w->shownMap() && !w->isWorking() && sameTradeoff(w->shownMap()->inputs, held) &&
               w->shownMap()->inputs.measured.get() == m_form->measuredSpeaker();
    }
    // Opens the map, and waits until it shows the design as it is.
    TradeoffWindow *openMap()
    {
        childNamed<QAction>(m_form, "tradeoff_window")->trigger();
        auto *w = m_form->findChild<TradeoffWindow *>();
        for (int waited = 0; w && !current(w) && waited < 10000; waited += 50) QTest::qWait(50);
        return w && current(w) && QTest::qWaitForWindowExposed(w) ? w : nullptr;
    }
    // The networks on the front, by dissipation, the networks without a series capacitor left out;
    // those that stand apart enough to be clicked, or all.
    QList<int> frontOf(TradeoffWindow *w, bool clickable = false)
    {
        QList<int> front;
        const TradeoffMap &map = *w->shownMap();
        for (int i = 0; i < int(map.rows.size()); ++i)
            if (map.rows[i].pareto && !isNoZobel(zobelNetwork(i)) &&
                (!clickable || w->networkAt(w->pixelOfNetwork(i).toPoint()) == i))
                front << i;
        std::sort(front.begin(), front.end(),
                  [&](int a, int b) { return map.rows[a].zobelW < map.rows[b].zobelW; });
        return front;
    }

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup()
    {
        delete m_form;
        setSaveNameChooser({});
    }

    void followsTheDesign_data()
    {
        // On the main window, or "carrier <V> <kHz>" into the carrier window, "measured" the
        // woofer loaded through Load…
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("options");  // the same design on the command line
        QTest::newRow("filter C picked, speaker inductance typed")
            << "pick filter_c_par .47; type Speaker_L 1.25"
            << QStringList{"--filter-c", ".47", "--speaker-l", "1.25"};
        QTest::newRow("measured speaker loaded")
            << "pick speaker_r_mode 6; measured"
            << QStringList{"--speaker-r", "6", "--load-file", kWoofer};
        // The idle carrier loss joins the dissipation.
        QTest::newRow("carrier inputs typed")
            << "full; carrier 48 384"
            << QStringList{"--full-bridge", "--supply", "48", "--fsw", "384", "--modulation", "bd"};
    }

    // After each change in the main window, open beside the map, the map is the command line's for
    // the same design, row for row. The front is one line through each network on it, the cheapest
    // first (with .47 uF, the first network, 1 ohm and .047 uF, among them), after the point of the
    // networks without a series capacitor when one of those is on it.
    void followsTheDesign()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, options);
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        for (const QString &step : script.split("; ")) {
            const QStringList v = step.split(' ');
            if (v[0] == "carrier") {
                childNamed<QAction>(m_form, "carrier_window")->trigger();
                QWidget *window = m_form->findChild<QWidget *>("CarrierWindow");
                typeOver(childNamed<QLineEdit>(window, "carrier_supply"), v[1]);
                typeOver(childNamed<QLineEdit>(window, "carrier_fsw"), v[2]);
            } else if (v[0] == "measured") {
                answerFileDialog(kWoofer);
                childNamed<QAction>(m_form, "measured_load")->trigger();
            } else {
                play(m_form, step);
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(current(w), 10000);
        QTemporaryDir dir;
        setSaveNameChooser([&dir](QWidget *, const QString &, const QString &, const QString &) {
            return dir.filePath("map.csv");
        });
        GraphControl *graph = childNamed<GraphControl>(w, "tradeoff_graph");
        childNamed<QAction>(graph, "actionSaveData")->trigger();
        QProcess explore;
        explore.start(QStringLiteral(QUORVEL_EXE), QStringList{"explore"} + options);
        QVERIFY(explore.waitForFinished(30000));
        const QByteArray expected = explore.readAllStandardOutput();
        QVERIFY2(expected.size() > 100000, expected.left(200).constData());
        QVERIFY(contents(dir.filePath("map.csv")) == expected);
        const QList<int> front = frontOf(w);
        const auto &rows = w->shownMap()->rows;
        bool group = false;  // the point without a series capacitor on the front
        for (int i = 0; i < int(rows.size()); ++i)
            group = group || (rows[i].pareto && isNoZobel(zobelNetwork(i)));
        QCOMPARE(graph->curveSize(), front.size() + group);
        for (int k = 0; k < front.size(); ++k)
            QCOMPARE(QPointF(graph->curveX(k + group), graph->curveY(k + group)),
                     QPointF(rows[front[k]].zobelW, rows[front[k]].worstPeakDb));
        if (script.startsWith("pick filter_c_par .47"))
            QVERIFY(front.contains(zobelNetworkIndex({0, 0, 1})));
    }

    // Home picks the front's first point, Ctrl+Right walks along it, Enter puts the pick into the
    // design. Then the pointer over a point: its network read out, with a black ring on it; a
    // click puts the network into the three selectors, and the main window's figure boxes then
    // read what the map's row says.
    void keysAndPointer()
    {
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        GraphControl *graph = childNamed<GraphControl>(w, "tradeoff_graph");
        graph->setFocus();
        const QList<int> front = frontOf(w);
        // Home: the front's cheapest point, the networks without a series capacitor (0 W); the
        // next along it is the cheapest network with one.
        QTest::keyClick(graph, Qt::Key_Home);
        QVERIFY(isNoZobel(zobelNetwork(w->selectedNetwork())));
        QTest::keyClick(graph, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(w->selectedNetwork(), front[0]);
        QTest::keyClick(graph, Qt::Key_Return);
        const QStringList selectors{"zobel_c_par", "zobel_r_par", "zobel_c_ser"};
        QCOMPARE(texts(m_form, selectors).join(' '), texts(front[0]));
        QTest::keyClick(graph, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(current(w), 10000);
        const int network = frontOf(w, true).last();  // the dearest clickable point of the front
        const TradeoffRow row = w->shownMap()->rows[network];
        QWidget *plot = graph->findChild<QWidget *>();
        QTest::mouseMove(plot, QPoint(5, 5));  // away from every point, then onto this one
        QTest::mouseMove(plot, w->pixelOfNetwork(network).toPoint());
        const GraphControl::Mark ring = graph->marks().last();  // after the design's own ring
        QVERIFY(ring.shape == GraphControl::Ring && ring.colour == QColor(Qt::black) &&
                QPointF(ring.x, ring.y) == QPointF(row.zobelW, row.worstPeakDb));
        QVERIFY(
            textOf(w, "tradeoff_readout").startsWith("C_Par " + texts(network).section(' ', 0, 0)));
        QTest::mouseClick(plot, Qt::LeftButton, {}, w->pixelOfNetwork(network).toPoint());
        QCOMPARE(texts(m_form, selectors).join(' '), texts(network));
        QCOMPARE(texts(m_form, {"Text_maxgain", "Text_netgain_20k", "Text_rzobel_power"}),
                 (QStringList{figureText(row.ownPeakDb), figureText(row.gain20kDb),
                              dissipationFigureText(row.at7kHzW)}));
    }
};

QTEST_MAIN(TestTradeoffWindow)
#include "tst_tradeoffwindow.moc"
