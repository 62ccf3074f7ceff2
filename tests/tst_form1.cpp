// The main window as it opens, the topology menu and program end.
#include "app/form1.h"
#include "widgets/graphcontrol.h"
#include "core/readouttext.h"
#include "testhelpers.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const char *const kFigureBoxes[] = {"Text_maxgain4", "Text_gain_20k", "Text_gain_384k",
                                    "Text_maxgain", "Text_netgain_20k", "Text_netgain_384k"};

// Everything the topology can change, to compare whole states.
struct Snapshot {
    QStringList figures;
    QList<double> fig1, fig2, fig3;
    QString caption;
    bool halfChecked, fullChecked;
    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(Form1 *form)
{
    Snapshot s;
    for (const char *name : kFigureBoxes)
        s.figures << childNamed<QLineEdit>(form, name)->text();
    s.fig1 = curveOf(form, "CWGraph1");
    s.fig2 = curveOf(form, "CWGraph3");
    s.fig3 = curveOf(form, "CWGraph4");
    s.caption = form->windowTitle();
    s.halfChecked = childNamed<QAction>(form, "Topol_Half_Bridge")->isChecked();
    s.fullChecked = childNamed<QAction>(form, "Topol_Full_Bridge")->isChecked();
    return s;
}

}  // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void labels();
    void colours();
    void menus_data();
    void menus();
    void menuBarOrder();
    void startupFigures();
    void graphsAsCreated_data();
    void graphsAsCreated();
    void startupCurves();
    void topology_data();
    void topology();
    void halfAfterFullRestoresStartup();
    void fullTwiceEqualsFullOnce();
    void cursorReadoutsFollowRecalculation();
    void sizeAndPlace();
    void exitEndsTheProgram();
    void closingTheWindowEndsTheProgram();

private:
    Form1 *m_form = nullptr;
};

void TestForm1::init()
{
    m_form = new Form1;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestForm1::cleanup()
{
    delete m_form;
    m_form = nullptr;
}

void TestForm1::controls_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");
    QTest::newRow("speaker_r_mode") << "combo" << "8" << true;
    QTest::newRow("Speaker_L") << "edit" << ".67" << true;
    QTest::newRow("filter_c_par") << "combo" << "1.0" << true;
    QTest::newRow("filter_l_par") << "combo" << "22" << true;
    QTest::newRow("zobel_c_par") << "combo" << ".1" << true;
    QTest::newRow("zobel_r_par") << "combo" << "6" << true;
    QTest::newRow("zobel_c_ser") << "combo" << ".1" << true;
    QTest::newRow("Text_rzobel_power") << "edit" << "0.046W" << true;
    for (const char *name : {"Text_coordx1", "Text_coordy1", "Text_coordx2", "Text_coordy2",
                             "Text_coordx3", "Text_coordy3"})
        QTest::newRow(name) << "edit" << "" << false;
    QTest::newRow("Zoom_In4") << "button" << "Zoom @Cursor" << false;
    QTest::newRow("Zoom_Full4") << "button" << "Zoom Full" << true;
    QTest::newRow("CWGraph1") << "graph" << "" << true;
    QTest::newRow("CWGraph3") << "graph" << "" << true;
    QTest::newRow("CWGraph4") << "graph" << "" << true;
}

void TestForm1::controls()
{
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(bool, visible);
    const char *name = QTest::currentDataTag();
    QWidget *w = childNamed<QWidget>(m_form, name);
    QCOMPARE(w->isVisible(), visible);
    if (type == "combo")
        QCOMPARE(qobject_cast<QComboBox *>(w)->currentText(), text);
    else if (type == "edit")
        QCOMPARE(qobject_cast<QLineEdit *>(w)->text(), text);
    else if (type == "button")
        QCOMPARE(qobject_cast<QPushButton *>(w)->text(), text);
    else
        QVERIFY(qobject_cast<GraphControl *>(w));
}

void TestForm1::labels()
{
    QStringList texts;
    for (QLabel *l : m_form->findChildren<QLabel *>())
        texts << l->text();
    for (const char *expected :
         {"Speaker R(ohms)", "Speaker L(mH)", "Filter C(uF)", "Filter L(uH)", "Zobel C_Par(uF)",
          "Zobel R(Ohms)", "Zobel C_Ser(uF)", "Choose Zobel Comp's:", "Gain(@20kHz)", "Gain(@384kHz)",
          "NetGain(@20kHz)", "NetGain(@384kHz)", "Power of Rzobel @(7khz)"})
        QVERIFY2(texts.contains(QString::fromLatin1(expected)), expected);
    // Both maximum labels keep their eight leading blanks.
    QCOMPARE(texts.count(QStringLiteral("        MaxGain")), 2);
}

void TestForm1::colours()
{
    QCOMPARE(m_form->palette().color(QPalette::Window), QColor(0, 144, 240));
    int gold = 0;
    for (QLabel *l : m_form->findChildren<QLabel *>())
        gold += l->autoFillBackground() && l->palette().color(QPalette::Window) == QColor(240, 192, 64);
    QCOMPARE(gold, 15);
}

void TestForm1::menus_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");
    QTest::newRow("Topol_Half_Bridge") << "&Half_Bridge" << true << true;
    QTest::newRow("Topol_Full_Bridge") << "&Full_Bridge" << true << false;
    QTest::newRow("cursors1_on") << "cursors1_on" << true << false;
    QTest::newRow("cursors2_on") << "cursors2_on" << true << false;
    QTest::newRow("cursors3_on") << "cursors3_on" << true << false;
    QTest::newRow("schematic_viewer") << "&Schematic" << false << false;
    QTest::newRow("power_calcs") << "&Power_calculations" << false << false;
    QTest::newRow("Save_As") << "Save_As" << false << false;
    QTest::newRow("mnuAbout") << "&About" << false << false;
    QTest::newRow("Exit") << "&Exit" << false << false;
}

void TestForm1::menus()
{
    QFETCH(QString, text);
    QFETCH(bool, checkable);
    QFETCH(bool, checked);
    QAction *a = childNamed<QAction>(m_form, QTest::currentDataTag());
    QCOMPARE(a->text(), text);
    QCOMPARE(a->isCheckable(), checkable);
    QCOMPARE(a->isChecked(), checked);
}

void TestForm1::menuBarOrder()
{
    QStringList bar;
    for (QAction *a : m_form->menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"&Topology", "&Cursors", "&Schematic", "&Power_calculations",
                               "&Save Circuit Values", "&About", "&Exit"}));
    QCOMPARE(childNamed<QMenu>(m_form, "Topology")->title(), QStringLiteral("&Topology"));
    QCOMPARE(childNamed<QMenu>(m_form, "enable_cursors")->title(), QStringLiteral("&Cursors"));
    QCOMPARE(childNamed<QMenu>(m_form, "Save_circuit_values")->title(), QStringLiteral("&Save Circuit Values"));
}

void TestForm1::startupFigures()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvel (HALF BRIDGE)"));
    QCOMPARE(snapshot(m_form).figures,
             (QStringList{"53.67dB", "3.28dB", "-42.08dB", "37.76dB", "3.73dB", "-42.55dB"}));
    for (const char *name : kFigureBoxes)
        QVERIFY2(childNamed<QLineEdit>(m_form, name)->isVisible(), name);
}

void TestForm1::graphsAsCreated_data()
{
    QTest::addColumn<double>("yMin");
    QTest::addColumn<double>("yMax");
    QTest::newRow("CWGraph1") << 10.0 << 10000.0;
    QTest::newRow("CWGraph3") << -60.0 << 60.0;
    QTest::newRow("CWGraph4") << -60.0 << 60.0;
}

void TestForm1::graphsAsCreated()
{
    QFETCH(double, yMin);
    QFETCH(double, yMax);
    auto *g = childNamed<GraphControl>(m_form, QTest::currentDataTag());
    QCOMPARE(g->axisMinimum(GraphControl::XAxis), 10.0);
    QCOMPARE(g->axisMaximum(GraphControl::XAxis), 1e6);
    QCOMPARE(g->axisMinimum(GraphControl::YAxis), yMin);
    QCOMPARE(g->axisMaximum(GraphControl::YAxis), yMax);
    QCOMPARE(g->cursorCount(), 0);
    QCOMPARE(g->curveSize(), 10001);
}

void TestForm1::startupCurves()
{
    auto *fig1 = childNamed<GraphControl>(m_form, "CWGraph1");
    QCOMPARE(fig1->curveX(0), 100.0);
    QCOMPARE(fig1->curveY(0), fig1->curveY(1));
    QVERIFY(qAbs(fig1->curveY(200) - 84.5738) < 1e-4);
    for (const char *name : {"CWGraph3", "CWGraph4"}) {
        auto *g = childNamed<GraphControl>(m_form, name);
        QCOMPARE(g->curveX(0), 0.0);
        QCOMPARE(g->curveY(0), 0.0);
        QCOMPARE(g->curveX(1), 100.0);
        QVERIFY(g->curveY(1) < 0 && g->curveY(1) > -0.001);
        QCOMPARE(g->curveX(10000), 1e6);
    }
}

void TestForm1::topology_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("figures");
    QTest::newRow("full bridge") << "Topol_Full_Bridge" << "Quorvel (FULL BRIDGE)"
                                 << QStringList{"44.63dB", "8.63dB", "-48.13dB", "40.14dB", "9.47dB", "-48.37dB"};
    QTest::newRow("half bridge again") << "Topol_Half_Bridge" << "Quorvel (HALF BRIDGE)"
                                       << QStringList{"53.67dB", "3.28dB", "-42.08dB", "37.76dB", "3.73dB", "-42.55dB"};
}

void TestForm1::topology()
{
    QFETCH(QString, item);
    QFETCH(QString, caption);
    QFETCH(QStringList, figures);
    const Snapshot before = snapshot(m_form);
    childNamed<QAction>(m_form, qPrintable(item))->trigger();
    const Snapshot after = snapshot(m_form);
    const bool full = item == "Topol_Full_Bridge";
    QCOMPARE(after.caption, caption);
    QCOMPARE(after.figures, figures);
    QCOMPARE(after.fullChecked, full);
    QCOMPARE(after.halfChecked, !full);
    QCOMPARE(m_form->full_bridge_select(), full ? kFlagTrue : kFlagFalse);
    QCOMPARE(m_form->L2(), full ? 4.4e-05 : 2.2e-05);
    // Fig. 1 does not depend on the topology; Fig. 2 and 3 do.
    QCOMPARE(after.fig1, before.fig1);
    QCOMPARE(after.fig2 == before.fig2, !full);
    QCOMPARE(after.fig3 == before.fig3, !full);
}

void TestForm1::halfAfterFullRestoresStartup()
{
    const Snapshot start = snapshot(m_form);
    childNamed<QAction>(m_form, "Topol_Full_Bridge")->trigger();
    childNamed<QAction>(m_form, "Topol_Half_Bridge")->trigger();
    QVERIFY(snapshot(m_form) == start);
}

void TestForm1::fullTwiceEqualsFullOnce()
{
    QAction *full = childNamed<QAction>(m_form, "Topol_Full_Bridge");
    full->trigger();
    const Snapshot once = snapshot(m_form);
    full->trigger();  // the item is checked already; a click would uncheck it
    QVERIFY(snapshot(m_form) == once);
    QVERIFY(full->isChecked());
}

void TestForm1::cursorReadoutsFollowRecalculation()
{
    auto *fig2 = childNamed<GraphControl>(m_form, "CWGraph3");
    QLineEdit *x = childNamed<QLineEdit>(m_form, "Text_coordx2");
    QLineEdit *y = childNamed<QLineEdit>(m_form, "Text_coordy2");
    QAction *item = childNamed<QAction>(m_form, "cursors2_on");
    item->trigger();
    QCOMPARE(m_form->cursors3_curs_zoomb(), kFlagTrue);
    QVERIFY(item->isChecked() && x->isVisible() && y->isVisible());
    QCOMPARE(fig2->cursorCount(), 1);
    fig2->moveCursor(20000);
    QCOMPARE(x->text(), QStringLiteral("20.0khz"));
    QCOMPARE(y->text(), QStringLiteral("3.28dB"));
    // A new filter capacitor: the read-out follows the new curve under the unmoved cursor.
    QVERIFY(pickItem(childNamed<QComboBox>(m_form, "filter_c_par"), "2.0"));
    QCOMPARE(fig2->cursorX(), 20000.0);
    QCOMPARE(x->text(), QStringLiteral("20.0khz"));
    QVERIFY(y->text() != QStringLiteral("3.28dB"));
    QCOMPARE(y->text(), gainReadoutText(fig2->curveY(200)));
    // Off again: boxes hidden, text kept, cursor gone; the other graphs never had one.
    item->trigger();
    QVERIFY(!item->isChecked() && !x->isVisible() && !y->isVisible());
    QCOMPARE(fig2->cursorCount(), 0);
    QVERIFY(!x->text().isEmpty());
    QVERIFY(!childNamed<QLineEdit>(m_form, "Text_coordx1")->isVisible());
    // Fig. 3's cursor brings the zoom button with it.
    QPushButton *zoom = childNamed<QPushButton>(m_form, "Zoom_In4");
    childNamed<QAction>(m_form, "cursors3_on")->trigger();
    QVERIFY(zoom->isVisible());
    childNamed<QAction>(m_form, "cursors3_on")->trigger();
    QVERIFY(!zoom->isVisible());
    QVERIFY(childNamed<QPushButton>(m_form, "Zoom_Full4")->isVisible());
}

void TestForm1::sizeAndPlace()
{
    const QRect screen = m_form->screen()->geometry();
    const QRect frame = m_form->frameGeometry();
    QVERIFY(qAbs(m_form->width() - 0.98 * screen.width()) <= 1);
    QVERIFY(qAbs(m_form->height() - 0.95 * screen.height()) <= 1);
    // Placed from the size the window had when it was placed, before the window system added
    // its frame: allow the frame's few pixels.
    QVERIFY(qAbs(frame.left() - (screen.width() - m_form->width()) * 0.9) <= 4);
    QVERIFY(qAbs(frame.top() - (screen.height() - m_form->height()) * 0.1) <= 4);
}

namespace {

// Runs the event loop until the program ends it; false when it had to be stopped after 5 s.
bool programEnds()
{
    bool timedOut = false;
    QTimer watchdog;  // goes with this call, so it cannot fire into a later one
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    return QCoreApplication::exec() == 0 && !timedOut;
}

}  // namespace

void TestForm1::exitEndsTheProgram()
{
    QTimer::singleShot(0, m_form, [this] { childNamed<QAction>(m_form, "Exit")->trigger(); });
    QVERIFY(programEnds());
}

void TestForm1::closingTheWindowEndsTheProgram()
{
    auto *other = new QWidget(m_form, Qt::Window);  // another window of the program
    other->show();
    QTimer::singleShot(0, m_form, [this] { m_form->close(); });
    QVERIFY(programEnds());
    QVERIFY(!m_form->isVisible());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
