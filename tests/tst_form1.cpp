// The main window through its real widgets: what it shows at start-up and how user events change
// the design. The gain figures of the start-up design are the published ones;
// others come from tests/reference/gain_figures.py.
#include "app/form1.h"
#include "testhelpers.h"

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }

    void startup()
    {
        QCOMPARE(texts(m_form, QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par",
                                           "filter_l_par", "zobel_c_par", "zobel_r_par",
                                           "zobel_c_ser", "Text_rzobel_power"} +
                                   kFigureBoxes),
                 (QStringList{"8", ".67", "1.0", "22", ".1", "6", ".1", "0.046W", "53.67dB",
                              "3.28dB", "-42.08dB", "37.76dB", "3.73dB", "-42.55dB"}));
    }

    // A window's menu item opens it again once it is closed.
    void windowAgain()
    {
        auto *open = childNamed<QAction>(m_form, "carrier_window");
        open->trigger();
        m_form->findChild<QWidget *>("CarrierWindow")->close();
        open->trigger();
        QVERIFY(m_form->findChild<QWidget *>("CarrierWindow")->isVisible());
    }

    void designs_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QStringList>("figures");  // Fig. 2 maximum, 20 kHz, 384 kHz, then Fig. 3's
        const QStringList half{"53.67dB", "3.28dB", "-42.08dB", "37.76dB", "3.73dB", "-42.55dB"};
        QTest::newRow("full bridge")
            << "full" << true
            << QStringList{"44.63dB", "8.63dB", "-48.13dB", "40.14dB", "9.47dB", "-48.37dB"};
        QTest::newRow("full, then half") << "full; half" << false << half;
        QTest::newRow("no speaker L")
            << "type Speaker_L 0" << false
            << QStringList{"5.03dB", "2.63dB", "-42.09dB", "5.27dB", "2.98dB", "-42.57dB"};
        QTest::newRow("no Zobel capacitor")
            << "pick zobel_c_par 0; pick zobel_c_ser 0" << false << half.mid(0, 3) + half.mid(0, 3);
        QTest::newRow("every input, full")
            << "full; pick speaker_r_mode 4; pick filter_c_par .47; pick filter_l_par 10; pick "
               "zobel_r_par 10; pick zobel_c_par 0; pick zobel_c_ser .22; type Speaker_L .5"
            << true << QStringList{"55dB", "1dB", "-34.6dB", "20.18dB", "1.32dB", "-34.68dB"};
    }

    void designs()
    {
        QFETCH(QString, script);
        QFETCH(bool, full);
        QFETCH(QStringList, figures);
        const QList<double> fig1 = curveOf(m_form, "CWGraph1");
        play(m_form, script);
        QCOMPARE(texts(m_form, kFigureBoxes), figures);
        QCOMPARE(m_form->windowTitle(), full ? "Quorvel (FULL BRIDGE)" : "Quorvel (HALF BRIDGE)");
        QCOMPARE(childNamed<QAction>(m_form, "Topol_Full_Bridge")->isChecked(), full);
        if (!script.contains("Speaker_L"))  // the speaker alone is Fig. 1
            QCOMPARE(curveOf(m_form, "CWGraph1"), fig1);
    }

    void events_data()
    {
        // What one user event leaves in the control it touches and
        // the record.
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("value");  // the record's value afterwards, in its own unit
        QTest::addColumn<QString>("shown");
        QTest::newRow("pick filter L 100") << "pick filter_l_par 100" << 1e-04 << "100";
        QTest::newRow("type an item") << "type zobel_r_par 8" << 8.0 << "8";
        QTest::newRow("type 1 then 0") << "type zobel_r_par 10" << 10.0 << "10";
        QTest::newRow("typed non-item undone") << "type filter_c_par 2" << 1.0 << "1.0";
        QTest::newRow("0.1 stops at 0") << "type zobel_c_par 0.1" << 0.0 << "0";
        QTest::newRow("typing into filter L") << "type filter_l_par 100" << 2.2e-05 << "100";
        QTest::newRow("Speaker_L fifth key") << "type Speaker_L .5555" << 0.555 << ".555";
    }

    void events()
    {
        QFETCH(QString, script);
        QFETCH(double, value);
        QFETCH(QString, shown);
        play(m_form, script);
        const QString control = script.split(' ')[1];
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
