// The main window through its real widgets: what it shows at start-up, how every kind of user
// event changes the design and how much it recomputes. The gain figures of the start-up design
// are the published ones; others come from tests/reference/gain_figures.py.
#include "app/form1.h"
#include "testhelpers.h"

namespace {

const QStringList kReadoutBoxes = {"Text_coordx1", "Text_coordy1", "Text_coordx2",
                                   "Text_coordy2", "Text_coordx3", "Text_coordy3"};

}  // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }
    void graphs_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<double>>(
            "axes");  // scale (1 logarithmic), minimum, maximum of X, then of Y
        QTest::addColumn<double>("firstX");  // Fig. 1 starts at 100 Hz, the gain curves at 0 Hz
        QTest::newRow("CWGraph1") << "Fig. 1: Speaker Impedance(Ohms)"
                                  << QList<double>{1, 10, 1e6, 1, 10, 10000} << 100.0;
        QTest::newRow("CWGraph3") << "Fig. 2: Filter Gain(dB) without Zobel"
                                  << QList<double>{1, 10, 1e6, 0, -60, 60} << 0.0;
        QTest::newRow("CWGraph4") << "Fig. 3: Filter gain(dB) with Zobel"
                                  << QList<double>{1, 10, 1e6, 0, -60, 60} << 0.0;
    }

    void graphs()
    {
        QFETCH(QString, caption);
        QFETCH(QList<double>, axes);
        QFETCH(double, firstX);
        auto *g = childNamed<GraphControl>(m_form, QTest::currentDataTag());
        QCOMPARE(g->caption(), caption);
        QCOMPARE(axesOf(g), axes);
        QCOMPARE((QList<double>{double(g->curveSize()), g->curveX(0), g->curveX(10000)}),
                 (QList<double>{10001, firstX, 1e6}));
    }

    void startup()
    {
        QStringList shown;  // each control's text, and whether it is hidden
        for (const QString &name :
             QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par", "filter_l_par",
                         "zobel_c_par", "zobel_r_par", "zobel_c_ser", "Zoom_In4", "Zoom_Full4",
                         "Text_rzobel_power"} +
                 kFigureBoxes + kReadoutBoxes)
            shown << name + "=" + textOf(m_form, qPrintable(name)) +
                         (childNamed<QWidget>(m_form, qPrintable(name))->isVisible() ? ""
                                                                                     : " hidden");
        QCOMPARE(shown, (QStringList{"speaker_r_mode=8",        "Speaker_L=.67",
                                     "filter_c_par=1.0",        "filter_l_par=22",
                                     "zobel_c_par=.1",          "zobel_r_par=6",
                                     "zobel_c_ser=.1",          "Zoom_In4=Zoom @Cursor hidden",
                                     "Zoom_Full4=Zoom Full",    "Text_rzobel_power=0.046W",
                                     "Text_maxgain4=53.67dB",   "Text_gain_20k=3.28dB",
                                     "Text_gain_384k=-42.08dB", "Text_maxgain=37.76dB",
                                     "Text_netgain_20k=3.73dB", "Text_netgain_384k=-42.55dB",
                                     "Text_coordx1= hidden",    "Text_coordy1= hidden",
                                     "Text_coordx2= hidden",    "Text_coordy2= hidden",
                                     "Text_coordx3= hidden",    "Text_coordy3= hidden"}));
        const NetworkValues r =
            networkValues(m_form->design());  // the values the sweeps take, in SI units
        QCOMPARE((QList<double>{r.R1, r.L1, r.L2, r.C1, r.C2, r.C3, r.R2}),
                 (QList<double>{8, 6.7e-4, 2.2e-5, 1e-6, 1e-7, 1e-7, 6.0000006}));
    }

    void designs_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("figures");  // Fig. 2 maximum, 20 kHz, 384 kHz, then Fig. 3's
        QTest::addColumn<QString>("caption");
        const QStringList half{"53.67dB", "3.28dB", "-42.08dB", "37.76dB", "3.73dB", "-42.55dB"};
        const QStringList full{"44.63dB", "8.63dB", "-48.13dB", "40.14dB", "9.47dB", "-48.37dB"};
        QTest::newRow("start-up") << "" << half << "Quorvel (HALF BRIDGE)";
        QTest::newRow("full bridge") << "full" << full << "Quorvel (FULL BRIDGE)";
        QTest::newRow("full bridge twice") << "full; full" << full << "Quorvel (FULL BRIDGE)";
        QTest::newRow("full, then half") << "full; half" << half << "Quorvel (HALF BRIDGE)";
        QTest::newRow("no speaker L")
            << "paste 0"
            << QStringList{"5.03dB", "2.63dB", "-42.09dB", "5.27dB", "2.98dB", "-42.57dB"}
            << "Quorvel (HALF BRIDGE)";
        QTest::newRow("no Zobel capacitor")
            << "pick zobel_c_par 0; pick zobel_c_ser 0" << half.mid(0, 3) + half.mid(0, 3)
            << "Quorvel (HALF BRIDGE)";
        QTest::newRow("every input, full")
            << "full; pick speaker_r_mode 4; pick filter_c_par .47; pick filter_l_par 10; pick "
               "zobel_r_par 10; pick zobel_c_par 0; pick zobel_c_ser .22; paste .5"
            << QStringList{"55dB", "1dB", "-34.6dB", "20.18dB", "1.32dB", "-34.68dB"}
            << "Quorvel (FULL BRIDGE)";
    }

    void designs()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, figures);
        QFETCH(QString, caption);
        const QList<double> fig1 = curveOf(m_form, "CWGraph1");
        play(m_form, script);
        QCOMPARE(texts(m_form, kFigureBoxes), figures);
        QCOMPARE(m_form->windowTitle(), caption);
        const bool full = caption.contains("FULL");
        QCOMPARE(childNamed<QAction>(m_form, "Topol_Full_Bridge")->isChecked(), full);
        QCOMPARE(childNamed<QAction>(m_form, "Topol_Half_Bridge")->isChecked(), !full);
        if (!script.contains("paste") &&
            !script.contains("speaker"))  // the speaker alone is Fig. 1
            QCOMPARE(curveOf(m_form, "CWGraph1"), fig1);
    }

    void events_data()
    {
        // What one user event leaves in the touched control and the record, and which sweeps it
        // runs.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");  // the record's value afterwards, in its own unit
        QTest::newRow("pick no parallel C") << "pick zobel_c_par 0"
                                            << "zobel_c_par"
                                            << "0" << 0.0;
        QTest::newRow("pick no series C") << "pick zobel_c_ser 0"
                                          << "zobel_c_ser"
                                          << "0" << 0.0;
        QTest::newRow("pick Zobel R 47") << "pick zobel_r_par 47"
                                         << "zobel_r_par"
                                         << "47" << 47.0;
        QTest::newRow("pick speaker R 4") << "pick speaker_r_mode 4"
                                          << "speaker_r_mode"
                                          << "4" << 4.0;
        QTest::newRow("pick filter C .1") << "pick filter_c_par .1"
                                          << "filter_c_par"
                                          << ".1" << 0.1;
        QTest::newRow("pick filter L 100") << "pick filter_l_par 100"
                                           << "filter_l_par"
                                           << "100" << 1e-04;
        QTest::newRow("pick the shown item") << "pick filter_c_par 1.0"
                                             << "filter_c_par"
                                             << "1.0" << 1.0;
        QTest::newRow("type an item") << "type zobel_r_par 8"
                                      << "zobel_r_par"
                                      << "8" << 8.0;
        QTest::newRow("type 1 then 0") << "type zobel_r_par 10"
                                       << "zobel_r_par"
                                       << "10" << 10.0;
        QTest::newRow("typed non-item undone") << "type filter_c_par 2"
                                               << "filter_c_par"
                                               << "1.0" << 1.0;
        QTest::newRow("0.1 stops at 0") << "type zobel_c_par 0.1"
                                        << "zobel_c_par"
                                        << "0" << 0.0;
        QTest::newRow("typing into filter L") << "type filter_l_par 100"
                                              << "filter_l_par"
                                              << "100" << 2.2e-05;
        QTest::newRow("Speaker_L .5") << "paste .5"
                                      << "Speaker_L"
                                      << ".5" << 0.5;
        QTest::newRow("Speaker_L 999.") << "paste 999."
                                        << "Speaker_L"
                                        << "999." << 999.0;
        QTest::newRow("Speaker_L negative") << "paste -1"
                                            << "Speaker_L"
                                            << ".67" << 0.67;
        QTest::newRow("Speaker_L 1000") << "paste 1000"
                                        << "Speaker_L"
                                        << ".67" << 0.67;
        QTest::newRow("Speaker_L emptied") << "paste"
                                           << "Speaker_L"
                                           << ".67" << 0.67;
        QTest::newRow("Speaker_L two points") << "paste 1..2"
                                              << "Speaker_L"
                                              << ".67" << 0.67;
        QTest::newRow("Speaker_L lone point") << "paste ."
                                              << "Speaker_L"
                                              << "." << 0.67;
        QTest::newRow("Speaker_L fifth key") << "type Speaker_L .5555"
                                             << "Speaker_L"
                                             << ".555" << 0.555;
        // Auto-repeated releases take nothing; the real one tests the whole text: five characters.
        QTest::newRow("Speaker_L key held") << "hold 7 5"
                                            << "Speaker_L"
                                            << ".67" << 0.67;
        QTest::newRow("topology") << "full"
                                  << "Speaker_L"
                                  << ".67" << 0.67;
        QTest::newRow("click on Fig. 1") << "click CWGraph1"
                                         << "Speaker_L"
                                         << ".67" << 0.67;
        QTest::newRow("click on Fig. 3") << "click CWGraph4"
                                         << "Speaker_L"
                                         << ".67" << 0.67;
    }

    void events()
    {
        QFETCH(QString, script);
        QFETCH(QString, control);
        QFETCH(QString, shown);
        QFETCH(double, value);
        play(m_form, script);
        QCOMPARE(textOf(m_form, qPrintable(control)), shown);
        QCOMPARE(keptBy(m_form->design(), control).first, value);
        // What a selector remembers is what it shows, apart from text typed into filter L.
        if (control != "filter_l_par")
            QCOMPARE(keptBy(m_form->design(), control).second, shown);
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
