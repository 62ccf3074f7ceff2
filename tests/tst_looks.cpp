// What each window looks like, pixel for pixel, against pictures that were looked at and approved
// (tests/golden/look_*.png): a colour, a margin, a caption, a curve or a tick label that changes
// shows here. QUORVEL_APPROVE=1 writes the pictures anew; look at each before committing it.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"
#include "tradeoff/tradeoffwindow.h"

#include <QDir>
#include <QPointer>

class TestLooks : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }

    void look_data()
    {
        // The steps that bring the window up, then which window.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("window");
        QTest::newRow("main window") << ""
                                     << "Form1";
        QTest::newRow("main window, full bridge, cursors") << "full; pick zobel_c_par 0; cursors"
                                                           << "Form1";
        QTest::newRow("main window, reference held") << "full; reference"
                                                     << "Form1";
        QTest::newRow("main window, loads compared") << "loads"
                                                     << "Form1";
        QTest::newRow("Power window") << "power"
                                      << "Power_measurement_form";
        QTest::newRow("measured speaker") << "measured"
                                          << "MeasuredSpeakerWindow";
        QTest::newRow("carrier window") << "full; carrier"
                                        << "CarrierWindow";
        QTest::newRow("Zobel map") << "map"
                                   << "TradeoffWindow";
        QTest::newRow("half-bridge schematic") << "schematic"
                                               << "Schematic";
        QTest::newRow("full-bridge schematic") << "full; schematic"
                                               << "Schematic_full";
        QTest::newRow("About") << "about"
                               << "frmAbout";
    }

    void look()
    {
        QFETCH(QString, script);
        QFETCH(QString, window);
        m_form->resize(1200, 760);
        QStringList steps = script.split("; ", Qt::SkipEmptyParts);
        const QString last = steps.isEmpty() ? QString() : steps.takeLast();
        if (!QStringList{"power", "carrier", "map", "schematic", "about", "cursors", "reference",
                         "measured", "loads", ""}
                 .contains(last))
            steps << last;
        play(m_form, steps.join("; "));
        if (last == "cursors") {
            for (const char *item : {"cursors1_on", "cursors2_on", "cursors3_on"})
                childNamed<QAction>(m_form, item)->trigger();
        } else if (last == "reference") {  // the full bridge held, then a half bridge with .47 uF
            childNamed<QAction>(m_form, "design_hold_reference")->trigger();
            play(m_form, "half; pick filter_c_par .47");
        } else if (last == "loads") {  // the five loads' curves on Fig. 2 and 3
            for (const char *graph : {"CWGraph3", "CWGraph4"})
                childNamed<QAction>(childNamed<GraphControl>(m_form, graph), "actionCompareLoads")
                    ->trigger();
        } else if (last == "measured") {  // loaded through its menu; the fit window opens
            answerFileDialog(QStringLiteral(QUORVEL_SOURCE_DIR
                                            "/tests/fuzz/impedance/accept-voicecoil-tab.zma"));
            childNamed<QAction>(m_form, "measured_load")->trigger();
        } else if (last == "power") {
            childNamed<QAction>(m_form, "power_calcs")->trigger();
        } else if (last == "carrier") {
            childNamed<QAction>(m_form, "carrier_window")->trigger();
            QWidget *carrier = m_form->findChild<QWidget *>("CarrierWindow");
            typeOver(childNamed<QLineEdit>(carrier, "carrier_supply"), "48");
            typeOver(childNamed<QLineEdit>(carrier, "carrier_fsw"), "384");
            typeOver(childNamed<QLineEdit>(carrier, "carrier_zobel_rating"), ".25");
        } else if (last == "map") {
            childNamed<QAction>(m_form, "tradeoff_window")->trigger();
            auto *map = m_form->findChild<TradeoffWindow *>();
            QTRY_VERIFY_WITH_TIMEOUT(map->shownMap() && !map->isWorking(), 10000);
        }
        QPointer<QWidget> w;
        if (last == "schematic" || last == "about") {
            childNamed<QAction>(m_form, last == "about" ? "mnuAbout" : "schematic_viewer")
                ->trigger();
            w = QApplication::activeModalWidget();
        } else {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == window && top->isVisible())
                    w = top;
        }
        QVERIFY2(w && w->objectName() == window, qPrintable(window));
        for (QWidget *focus : {QApplication::focusWidget(), w->focusWidget()})
            if (focus)
                focus->clearFocus();  // no text caret, whose blinking no picture can hold
        QCoreApplication::processEvents();
        for (GraphControl *g : w->findChildren<GraphControl *>()) g->refresh();
        const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString name =
            "look_" +
            QString(QTest::currentDataTag()).replace(QRegularExpression("[^a-zA-Z0-9]+"), "_") +
            ".png";
        const QString difference = differenceFromApproved(shot, name);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        if (last == "schematic" || last == "about")
            w->close();
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
