// What each window looks like, pixel for pixel, against pictures that were looked at and approved
// (tests/golden/look_*.png): a colour, a margin, a caption, a curve or a tick label that changes
// shows here. QUORVEL_APPROVE=1 writes the pictures anew; look at each before committing it.
#include "app/form1.h"
#include "assistant/assistantwindow.h"
#include "testhelpers.h"
#include "tolerance/tolerancewindow.h"
#include "tradeoff/tradeoffwindow.h"

class TestLooks : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }

    void look_data()
    {
        // The steps that bring the window up: play()'s, and the words of the menu items below.
        QTest::addColumn<QString>("script");
        QTest::newRow("main window") << "";
        QTest::newRow("main window, full bridge, cursors") << "full; pick zobel_c_par 0; cursors";
        QTest::newRow("main window, reference held")
            << "full; reference; half; pick filter_c_par .47";
        QTest::newRow("main window, loads compared") << "loads";
        QTest::newRow("main window, real parts at the load power") << "parts";
        QTest::newRow("Power window") << "power";
        QTest::newRow("measured speaker") << "measured";
        QTest::newRow("carrier window")
            << "full; carrier; type carrier_supply 48; type carrier_fsw "
               "384; type carrier_zobel_rating .25";
        QTest::newRow("Zobel map") << "map";
        QTest::newRow("filter figures") << "parts; board";
        QTest::newRow("carrier window, real parts") << "parts; carrier";
        QTest::newRow("parts library") << "library";
        QTest::newRow("part editor, capacitor") << "library; editor";
        QTest::newRow("tolerance window") << "pick zobel_r_par 10; tolerance";
        QTest::newRow("tolerance window, an entry refused")
            << "tolerance; type tolerance_filter_l -5";
        QTest::newRow("main window, tolerance bands") << "bands";
        QTest::newRow("Power window, tolerance bands") << "bands; power";
        QTest::newRow("design assistant, a limit refused")
            << "assistant; type assistant_max_zobel 1,5";
        QTest::newRow("half-bridge schematic") << "schematic";
        QTest::newRow("full-bridge schematic") << "full; schematic";
        QTest::newRow("About") << "about";
    }

    void look()
    {
        QFETCH(QString, script);
        m_form->resize(1200, 760);
        // The menu items a word triggers, and the window then looked at.
        const QMap<QString, std::pair<QStringList, QString>> items{
            {"cursors", {{"cursors1_on", "cursors2_on", "cursors3_on"}, "Form1"}},
            {"reference", {{"design_hold_reference"}, "Form1"}},
            {"measured", {{"measured_load"}, "MeasuredSpeakerWindow"}},
            {"power", {{"power_calcs"}, "Power_measurement_form"}},
            {"carrier", {{"carrier_window"}, "CarrierWindow"}},
            {"map", {{"tradeoff_window"}, "TradeoffWindow"}},
            {"parts", {{"design_open"}, "Form1"}},
            {"board", {{"board_window"}, "BoardWindow"}},
            {"tolerance", {{"tolerance_window"}, "ToleranceWindow"}},
            {"assistant", {{"assistant_window"}, "AssistantWindow"}},
            {"library", {{"parts_window"}, "PartsWindow"}},
            {"editor", {{}, "PartEditor"}},
            {"bands", {{"tolerance_bands"}, "Form1"}},
            {"schematic",
             {{"schematic_viewer"}, script.startsWith("full") ? "Schematic_full" : "Schematic"}},
            {"about", {{"mnuAbout"}, "frmAbout"}}};
        QString window = "Form1";
        for (const QString &step : script.split("; ", Qt::SkipEmptyParts)) {
            if (step == "measured")  // loaded through its menu; the fit window opens
                answerFileDialog(QUORVEL_SOURCE_DIR
                                 "/tests/fuzz/impedance/accept-voicecoil-tab.zma");
            if (step == "parts")  // a design with real parts, curves and ratings
                answerFileDialog(QUORVEL_SOURCE_DIR
                                 "/tests/fuzz/design/accept-parts-every-field.quorvel");
            for (const QString &item : items.value(step).first)
                childNamed<QAction>(m_form, qPrintable(item))->trigger();
            if (step == "editor") {  // a new part's form, switched to a capacitor's fields
                QWidget *library = nullptr;
                for (QWidget *top : QApplication::topLevelWidgets())
                    if (top->objectName() == "PartsWindow" && top->isVisible())
                        library = top;
                QVERIFY(library);
                QTest::mouseClick(childNamed<QPushButton>(library, "parts_add"), Qt::LeftButton);
                auto *kind = childNamed<QComboBox>(library, "part_kind");
                QVERIFY(pickItem(kind, kind->itemText(1)));
            }
            if (step ==
                "loads")  // the five loads' curves on Fig. 2 and 3, the graphs that offer them
                for (QAction *compare : m_form->findChildren<QAction *>("actionCompareLoads"))
                    compare->trigger();
            else if (!items.contains(step))
                play(m_form, step);
            window = items.value(step, {{}, window}).second;
        }
        if (auto *map = m_form->findChild<TradeoffWindow *>())
            QTRY_VERIFY_WITH_TIMEOUT(map->shownMap() && !map->isWorking(), 10000);
        if (auto *batch = m_form->findChild<ToleranceWindow *>())
            QTRY_VERIFY_WITH_TIMEOUT(batch->shownResult() && !batch->isWorking(), 10000);
        // Active first: an activation on its way would put a caret in its first box.
        if (auto *assistant = m_form->findChild<AssistantWindow *>())
            QTRY_VERIFY(QApplication::activeWindow() == assistant);
        QWidget *w = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == window && top->isVisible())
                w = top;
        QVERIFY2(w, qPrintable(window));
        for (QWidget *focus : {QApplication::focusWidget(), w->focusWidget()})
            if (focus)
                focus->clearFocus();  // no text caret, whose blinking no picture can hold
        QCoreApplication::processEvents();
        for (GraphControl *g : w->findChildren<GraphControl *>()) g->refresh();
        const QString name =
            "look_" +
            QString(QTest::currentDataTag()).replace(QRegularExpression("[^a-zA-Z0-9]+"), "_") +
            ".png";
        const QString difference = differenceFromApproved(w->grab().toImage(), name);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
