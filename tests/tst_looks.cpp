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
        // The steps that bring the window up; the last may open a window or set a graph up.
        QTest::addColumn<QString>("script");
        QTest::newRow("main window") << "";
        QTest::newRow("main window, full bridge, cursors") << "full; pick zobel_c_par 0; cursors";
        QTest::newRow("main window, reference held") << "full; reference";
        QTest::newRow("main window, loads compared") << "loads";
        QTest::newRow("Power window") << "power";
        QTest::newRow("measured speaker") << "measured";
        QTest::newRow("carrier window") << "full; carrier";
        QTest::newRow("Zobel map") << "map";
        QTest::newRow("half-bridge schematic") << "schematic";
        QTest::newRow("full-bridge schematic") << "full; schematic";
        QTest::newRow("About") << "about";
    }

    void look()
    {
        QFETCH(QString, script);
        m_form->resize(1200, 760);
        QStringList steps = script.split("; ", Qt::SkipEmptyParts);
        const QString last = steps.value(steps.size() - 1);
        // The menu items a last step triggers, and the window then looked at.
        const QMap<QString, std::pair<QStringList, QString>> items{
            {"cursors", {{"cursors1_on", "cursors2_on", "cursors3_on"}, "Form1"}},
            {"reference", {{"design_hold_reference"}, "Form1"}},
            {"loads", {{}, "Form1"}},
            {"measured", {{"measured_load"}, "MeasuredSpeakerWindow"}},
            {"power", {{"power_calcs"}, "Power_measurement_form"}},
            {"carrier", {{"carrier_window"}, "CarrierWindow"}},
            {"map", {{"tradeoff_window"}, "TradeoffWindow"}},
            {"schematic",
             {{"schematic_viewer"}, steps.size() > 1 ? "Schematic_full" : "Schematic"}},
            {"about", {{"mnuAbout"}, "frmAbout"}}};
        if (items.contains(last))
            steps.removeLast();
        const QString window = items.value(last, {{}, "Form1"}).second;
        play(m_form, steps.join("; "));
        if (last == "measured")  // loaded through its menu; the fit window opens
            answerFileDialog(QStringLiteral(QUORVEL_SOURCE_DIR
                                            "/tests/fuzz/impedance/accept-voicecoil-tab.zma"));
        for (const QString &item : items.value(last).first)
            childNamed<QAction>(m_form, qPrintable(item))->trigger();
        if (last == "reference") {  // the full bridge held, then a half bridge with .47 uF
            play(m_form, "half; pick filter_c_par .47");
        } else if (last == "loads") {  // the five loads' curves on Fig. 2 and 3
            for (const char *graph : {"CWGraph3", "CWGraph4"})
                childNamed<QAction>(childNamed<GraphControl>(m_form, graph), "actionCompareLoads")
                    ->trigger();
        } else if (last == "carrier") {
            QWidget *carrier = m_form->findChild<QWidget *>("CarrierWindow");
            typeOver(childNamed<QLineEdit>(carrier, "carrier_supply"), "48");
            typeOver(childNamed<QLineEdit>(carrier, "carrier_fsw"), "384");
            typeOver(childNamed<QLineEdit>(carrier, "carrier_zobel_rating"), ".25");
        } else if (last == "map") {
            auto *map = m_form->findChild<TradeoffWindow *>();
            QTRY_VERIFY_WITH_TIMEOUT(map->shownMap() && !map->isWorking(), 10000);
        }
        QPointer<QWidget> w;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == window && top->isVisible())
                w = top;
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
