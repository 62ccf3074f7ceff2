// The Zobel map through the main window, driven as a user would: its menu item, changes of the
// design while it is open, clicks, keys and the pointer on the map, its right-click menu. What it
// shows is compared with the command line's map of the same design (another way in to the same
// inputs), and a network put into the design by a click with the main window's own figure boxes.
// Mouse events go through the window system, as a pointer moving over the map sends them.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/form1.h"
#include "core/common/figuretext.h"
#include "core/tradeoff/tradeoff.h"
#include "testhelpers.h"
#include "tradeoff/tradeoffwindow.h"
#include "widgets/graphmenu.h"

#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QString kWoofer =
    QStringLiteral(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-resonance-crlf.frd");

QByteArray explore(const QStringList &options)
{
    QProcess p;
    p.start(QStringLiteral(QUORVEL_EXE), QStringList{"explore"} + options);
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}

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

    // What the main window holds now, as the map should show it.
    TradeoffInputs held() const
    {
        return {m_form->design(), m_form->loadPower(),
                std::shared_ptr<const MeasuredLoad>(std::shared_ptr<void>(),
                                                    m_form->measuredSpeaker())};
    }
    bool current(TradeoffWindow *w) const
    {
        return w->shownMap() && !w->isWorking() && sameTradeoff(w->shownMap()->inputs, held()) &&
               w->shownMap()->inputs.measured.get() == m_form->measuredSpeaker();
    }
    // Opens the map, and waits until it shows the design as it is (or only until it is on screen).
    TradeoffWindow *openMap(bool current = true)
    {
        childNamed<QAction>(m_form, "tradeoff_window")->trigger();
        auto *w = m_form->findChild<TradeoffWindow *>();
        if (!w || !QTest::qWaitForWindowExposed(w))
            return nullptr;
        for (int waited = 0; current && !this->current(w) && waited < 10000; waited += 50)
            QTest::qWait(50);
        return !current || this->current(w) ? w : nullptr;
    }
    QWidget *plotOf(TradeoffWindow *w)
    {
        return childNamed<GraphControl>(w, "tradeoff_graph")->findChild<QWidget *>();
    }
    QByteArray savedData(TradeoffWindow *w)
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("map.csv");
        setSaveNameChooser(
            [path](QWidget *, const QString &, const QString &, const QString &) { return path; });
        childNamed<GraphControl>(w, "tradeoff_graph")
            ->findChild<QAction *>("actionSaveData")
            ->trigger();
        return contents(path);
    }
    // The networks on the front, by dissipation, the networks without a series capacitor left out;
    // those that stand apart enough to be clicked, or all.
    QList<int> frontOf(TradeoffWindow *w, bool clickable = true)
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

    void mapAndFront()
    {
        play(m_form,
             "pick filter_c_par .47");  // the first network, 1 ohm and .047 uF, on the front
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        QCOMPARE(textOf(w, "tradeoff_caption"),
                 QString("Dissipation: 7 kHz at 50 W.  Worst case over the loads 8 ohm (design), "
                         "2, 4, 16 ohm, open (1 Gohm), each + .67 mH."));
        // Every network with a series capacitor is a point; those without are one point of their
        // own.
        GraphControl *graph = childNamed<GraphControl>(w, "tradeoff_graph");
        QCOMPARE(graph->scatterSize(), 16 * 18 * 15);
        QCOMPARE(int(w->shownMap()->rows.size()), 16 * 18 * 16);
        // The front is one line through each network on it, the cheapest first, after the point of
        // the networks without a series capacitor when one of those is on it.
        const QList<int> front = frontOf(w, false);
        QVERIFY(front.contains(zobelNetworkIndex({0, 0, 1})));
        const auto &rows = w->shownMap()->rows;
        bool groupOnFront = false;
        for (int i = 0; i < int(rows.size()); ++i)
            groupOnFront = groupOnFront || (rows[i].pareto && isNoZobel(zobelNetwork(i)));
        QCOMPARE(graph->curveSize(), front.size() + groupOnFront);
        for (int k = 0; k < front.size(); ++k)
            QCOMPARE(QPointF(graph->curveX(k + groupOnFront), graph->curveY(k + groupOnFront)),
                     QPointF(rows[front[k]].zobelW, rows[front[k]].worstPeakDb));
    }

    void followsTheDesign_data()
    {
        // On the main window, or "power <W>" typed into the Power window, "carrier <V> <kHz>"
        // into the carrier window, "measured" the woofer loaded through Load…
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("options");  // the same design on the command line
        QTest::addColumn<QString>("caption");      // how the caption ends
        const QString loads = "open (1 Gohm), each + .67 mH.";
        QTest::newRow("speaker inductance typed")
            << "type Speaker_L 1.25" << QStringList{"--speaker-l", "1.25"} << "each + 1.25 mH.";
        QTest::newRow("load power typed")
            << "power 100" << QStringList{"--load-power", "100"} << loads;
        QTest::newRow("measured speaker loaded")
            << "pick speaker_r_mode 6; measured"
            << QStringList{"--speaker-r", "6", "--load-file", kWoofer}
            << "; measured: accept-resonance-crlf.frd.";
        // The idle carrier loss joins the dissipation.
        QTest::newRow("carrier inputs typed")
            << "full; carrier 48 384"
            << QStringList{"--full-bridge", "--supply", "48", "--fsw", "384", "--modulation", "bd"}
            << "idle carrier, 48 V, 384 kHz, BD.  Worst case over the loads 8 ohm (design), 2, 4, "
               "16 ohm, " +
                   loads;
    }

    // After each change in the main window, open beside the map, the map is the command line's for
    // the same design, row for row.
    void followsTheDesign()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, options);
        QFETCH(QString, caption);
        TradeoffWindow *w = openMap(false);
        QVERIFY(w);
        for (const QString &step : script.split("; ")) {
            const QStringList v = step.split(' ');
            if (v[0] == "carrier") {
                childNamed<QAction>(m_form, "carrier_window")->trigger();
                QWidget *window = m_form->findChild<QWidget *>("CarrierWindow");
                typeOver(childNamed<QLineEdit>(window, "carrier_supply"), v[1]);
                typeOver(childNamed<QLineEdit>(window, "carrier_fsw"), v[2]);
            } else if (v[0] == "power") {
                childNamed<QAction>(m_form, "power_calcs")->trigger();
                typeOver(childNamed<QLineEdit>(m_form->powerWindow(), "Text_peak_voltage"), v[1]);
            } else if (v[0] == "measured") {
                answerFileDialog(kWoofer);
                childNamed<QAction>(m_form, "measured_load")->trigger();
            } else {
                play(m_form, step);
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(current(w), 10000);
        const QByteArray shown = savedData(w), expected = explore(options);
        QVERIFY2(expected.size() > 100000, expected.left(200).constData());
        QVERIFY2(shown == expected, qPrintable(QString("window:\n%1\ncommand line:\n%2")
                                                   .arg(shown.left(160), expected.left(160))));
        QVERIFY2(textOf(w, "tradeoff_caption").endsWith(caption),
                 qPrintable(textOf(w, "tradeoff_caption")));
    }

    void pointAndClick_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("noZobel");  // the point of the networks without a series capacitor,
                                            // or the dearest clickable point of the front
        QTest::newRow("full bridge, 4 ohm, well damped end")
            << "full; pick speaker_r_mode 4; type Speaker_L .2" << false;
        QTest::newRow("half bridge, no series capacitor") << "" << true;
    }

    // Away from every point the pointer reads the hint, over a point its network and figures, with
    // a black ring on it; a click puts the network into the three selectors as one step, and the
    // main window's figure boxes then read what the map's row says; a second click changes
    // nothing.
    void pointAndClick()
    {
        QFETCH(QString, script);
        QFETCH(bool, noZobel);
        play(m_form, script);
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        QTest::mouseMove(plotOf(w), QPoint(5, 5));
        QVERIFY(textOf(w, "tradeoff_readout").startsWith("Point at a network"));
        GraphControl *graph = childNamed<GraphControl>(w, "tradeoff_graph");
        const auto ringsAt = [graph](QPointF pixel) {
            int n = 0;
            for (const GraphControl::Mark &m : graph->marks())
                n += m.shape == GraphControl::Ring && m.colour == QColor(Qt::black) &&
                     (graph->pixelOf(m.x, m.y) - pixel).manhattanLength() < 0.5;
            return n;
        };
        // The no-Zobel point: .1 uF, 6 ohm, no series capacitor.
        const int network = noZobel ? zobelNetworkIndex({3, 3, 0}) : frontOf(w).last();
        const TradeoffMap *map = w->shownMap();
        const TradeoffRow row = map->rows[network];
        const QStringList selectors{"zobel_c_par", "zobel_r_par", "zobel_c_ser"};
        const QPoint at = w->pixelOfNetwork(network).toPoint();
        if (noZobel) {  // one point at the left edge, whatever is across the resistor
            QVERIFY(at.x() < w->pixelOfNetwork(zobelNetworkIndex({0, 0, 1})).x());
            for (int cPar : {0, 7, 15})
                QCOMPARE(w->pixelOfNetwork(zobelNetworkIndex({cPar, 12, 0})).toPoint(), at);
        }
        QCOMPARE(ringsAt(w->pixelOfNetwork(network)), 0);
        QTest::mouseMove(plotOf(w), at);
        QCOMPARE(ringsAt(w->pixelOfNetwork(network)), 1);
        const ZobelNetwork z = zobelNetwork(network);
        QCOMPARE(textOf(w, "tradeoff_readout"),
                 QString("C_Par %1 uF, R %2 ohm, C_Ser %3 uF%4\nworst-case peak %5 (%6);  design's "
                         "speaker: peak %7, %8 at 20 kHz;  Zobel resistor %9 at 7 kHz")
                     .arg(zobelCParText(z), zobelRText(z), zobelCSerText(z),
                          isNoZobel(z) ? " (no Zobel)" : "", figureText(row.worstPeakDb),
                          map->loads[row.worstLoad].name, figureText(row.ownPeakDb),
                          figureText(row.gain20kDb), dissipationFigureText(row.at7kHzW)));
        QSignalSpy chosen(w, &TradeoffWindow::networkChosen);
        QTest::mouseClick(plotOf(w), Qt::LeftButton, {}, at);
        QCOMPARE(texts(m_form, selectors).join(' '), texts(network));
        QCOMPARE(texts(m_form, {"Text_maxgain", "Text_netgain_20k", "Text_rzobel_power"}),
                 (QStringList{figureText(row.ownPeakDb), figureText(row.gain20kDb),
                              dissipationFigureText(row.at7kHzW)}));
        QVERIFY(w->shownMap() == map && !w->isWorking());
        QTest::mouseClick(plotOf(w), Qt::LeftButton, {}, at);
        QCOMPARE(chosen.size(), 1);
        childNamed<QAction>(m_form, "design_undo")->trigger();
        QCOMPARE(texts(m_form, selectors).join(' '), QStringLiteral(".1 6 .1"));
    }

    // Arrow keys pick points, Ctrl+arrows walk the front, Enter puts the pick into the design.
    void keys()
    {
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        QWidget *graph = childNamed<GraphControl>(w, "tradeoff_graph");
        QTest::keyClick(w, Qt::Key_Tab);  // the graph takes the keyboard as a user tabs to it
        QTRY_VERIFY(graph->hasFocus());
        const QList<int> front = frontOf(w, false);
        QTest::keyClick(graph, Qt::Key_Right);  // the first key picks the design's network
        QCOMPARE(texts(w->selectedNetwork()), QString(".1 6 .1"));
        const QPointF from = w->pixelOfNetwork(w->selectedNetwork());
        QTest::keyClick(graph, Qt::Key_Right);
        const QPointF right = w->pixelOfNetwork(w->selectedNetwork());
        QVERIFY(right.x() > from.x() && std::abs(right.y() - from.y()) <= right.x() - from.x());
        QTest::keyClick(graph, Qt::Key_Up);
        const QPointF up = w->pixelOfNetwork(w->selectedNetwork());
        QVERIFY(up.y() < right.y() && std::abs(up.x() - right.x()) <= right.y() - up.y());
        // Home: the front's cheapest point, the networks without a series capacitor (0 W); the
        // next along it is the cheapest network with one.
        QTest::keyClick(graph, Qt::Key_Home);
        QVERIFY(isNoZobel(zobelNetwork(w->selectedNetwork())));
        QTest::keyClick(graph, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(w->selectedNetwork(), front[0]);
        QTest::keyClick(graph, Qt::Key_End);
        QCOMPARE(w->selectedNetwork(), front.last());
        QTest::keyClick(graph, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClick(graph, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(w->selectedNetwork(), front[front.size() - 3]);
        QTest::keyClick(graph, Qt::Key_Return);
        QCOMPARE(texts(m_form, {"zobel_c_par", "zobel_r_par", "zobel_c_ser"}).join(' '),
                 texts(front[front.size() - 3]));
        QTest::keyClick(graph, Qt::Key_Escape);
        QCOMPARE(w->selectedNetwork(), -1);
    }

    // Every map drawn while the design changes key by key has the figures of the design at that
    // moment (its caption may still name the text before: "1" for "1.").
    void typingDrawsOnlyCurrentMaps()
    {
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        QStringList wrong;
        connect(w, &TradeoffWindow::mapDrawn, this, [&] {
            if (tradeoffPartsToRedo(w->shownMap()->inputs, held()) != 0)
                wrong << QString::number(w->shownMap()->inputs.design.actual_l_net);
        });
        auto *speakerL = childNamed<QLineEdit>(m_form, "Speaker_L");
        speakerL->setFocus();
        speakerL->selectAll();
        for (Qt::Key key :
             {Qt::Key_1, Qt::Key_Period, Qt::Key_2, Qt::Key_5, Qt::Key_Backspace, Qt::Key_9}) {
            QTest::keyClick(speakerL, key);
            QTest::qWait(3);
        }
        QTRY_VERIFY_WITH_TIMEOUT(current(w), 10000);
        QCOMPARE(w->shownMap()->inputs.design.actual_l_net, 1.29);
        QVERIFY2(wrong.isEmpty(), qPrintable("drawn for " + wrong.join(", ")));
    }

    // Closing the window stops its work: nothing is drawn after it closed, not even a map whose
    // job ran to the end just before (its result waiting for the event loop); opened again, it
    // shows the design as it is. The main window going away while a map is worked out waits for it.
    void closingStops()
    {
        TradeoffWindow *w = openMap();
        QVERIFY(w);
        QSignalSpy drawn(w, &TradeoffWindow::mapDrawn);
        play(m_form, "pick filter_l_par 36");  // a job starts; it may end before the close below
        w->close();
        QTRY_VERIFY_WITH_TIMEOUT(!w->isWorking(), 5000);
        QTest::qWait(20);
        QCOMPARE(drawn.size(), 0);
        childNamed<QAction>(m_form, "tradeoff_window")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(current(w), 10000);
        drawn.clear();
        auto *speakerL = childNamed<QLineEdit>(m_form, "Speaker_L");
        typeOver(speakerL, ".5");  // a job for .5 mH starts
        QDeadlineTimer deadline(10000);
        while (w->isWorking() && !deadline.hasExpired())
            QThread::msleep(1);  // it ends; its result waits for the event loop
        w->close();
        QTest::qWait(20);
        typeOver(speakerL, ".9");  // changed while the window is closed: nothing starts
        QTest::qWait(50);
        QVERIFY2(drawn.isEmpty(), qPrintable(QString("a map for %1 mH was drawn")
                                                 .arg(w->shownMap()->inputs.design.actual_l_net)));
        childNamed<QAction>(m_form, "tradeoff_window")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(current(w), 10000);
        QCOMPARE(w->shownMap()->inputs.design.actual_l_net, 0.9);
        drawn.clear();
        play(m_form, "pick filter_l_par 10");
        QTRY_COMPARE_WITH_TIMEOUT(drawn.size(), 1, 10000);
        QVERIFY(current(w));
    }
};

QTEST_MAIN(TestTradeoffWindow)
#include "tst_tradeoffwindow.moc"
