// The main window through its real widgets: what it shows at start-up, how every kind of user
// event changes the design and how much it recomputes.
#include "app/form1.h"
#include "testhelpers.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

namespace {

const QStringList kFigureBoxes = {"Text_maxgain4", "Text_gain_20k", "Text_gain_384k", "Text_maxgain", "Text_netgain_20k", "Text_netgain_384k"};
const QStringList kReadoutBoxes = {"Text_coordx1", "Text_coordy1", "Text_coordx2", "Text_coordy2", "Text_coordx3", "Text_coordy3"};

// Plays a ';'-separated script of user actions:
//   pick <list> <item>   opens the drop-down and clicks the item
//   type <box> <text>    selects the box's text and types over it key by key
//   paste <text>         puts text into Speaker_L without typing, then releases a navigation key
//   full | half          the topology menu items
//   click <graph>        a plain click on the graph
void play(Form1 *form, const QString &script)
{
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        if (w[0] == "pick") {
            QVERIFY2(pickItem(childNamed<QComboBox>(form, qPrintable(w[1])), w[2]), qPrintable(step));
        } else if (w[0] == "type") {
            QWidget *box = childNamed<QWidget>(form, qPrintable(w[1]));
            auto *combo = qobject_cast<QComboBox *>(box);
            typeOver(combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(box), w.value(2));
        } else if (w[0] == "paste") {
            auto *edit = childNamed<QLineEdit>(form, "Speaker_L");
            edit->setFocus();
            edit->setText(w.value(1));
            QTest::keyClick(edit, Qt::Key_End);
        } else if (w[0] == "full" || w[0] == "half") {
            childNamed<QAction>(form, w[0] == "full" ? "Topol_Full_Bridge" : "Topol_Half_Bridge")->trigger();
        } else if (w[0] == "click") {
            QWidget *plot = childNamed<QWidget>(form, qPrintable(w[1]))->findChild<QWidget *>();
            QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(plot->width() / 3, plot->height() / 2));
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

// The design value and remembered text a selector keeps in the record.
std::pair<double, QString> keptBy(const DesignRecord &r, const QString &selector)
{
    const QMap<QString, std::pair<double, QString>> kept{
        {"filter_l_par", {r.filter_l_par_modeval, r.jfilter_l}}, {"filter_c_par", {r.filter_c_par_modeval, r.jfilter_c}},
        {"zobel_c_par", {r.zobel_c_parval, r.jzobel_c2}},        {"zobel_c_ser", {r.zobel_c_serval, r.jzobel_c3}},
        {"zobel_r_par", {r.zobel_r_parval, r.jzobel_r2}},        {"speaker_r_mode", {double(r.speaker_r_modeval), r.jspeaker_r}},
        {"Speaker_L", {r.actual_l_net, r.speaker_l_valtxt}}};
    return kept.value(selector);
}

}  // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }
    void menusAndLabels()
    {
        QStringList bar;
        for (QAction *a : m_form->menuBar()->actions())
            bar << (a->menu() ? a->menu()->objectName() : a->objectName()) + "=" + a->text();
        QCOMPARE(bar, (QStringList{"Topology=&Topology", "enable_cursors=&Cursors", "schematic_viewer=&Schematic", "power_calcs=&Power_calculations",
                                   "Save_circuit_values=&Save Circuit Values", "mnuAbout=&About", "Exit=&Exit"}));
        // The five checkable items, then the one under "&Save Circuit Values".
        const QList<std::tuple<const char *, QString, bool>> items{
            {"Topol_Half_Bridge", "&Half_Bridge", true}, {"Topol_Full_Bridge", "&Full_Bridge", false},
            {"cursors1_on", "cursors1_on", false}, {"cursors2_on", "cursors2_on", false}, {"cursors3_on", "cursors3_on", false},
            {"Save_As", "Save_As", false}};
        for (int i = 0; i < items.size(); ++i) {
            const auto &[name, text, checked] = items[i];
            QAction *a = childNamed<QAction>(m_form, name);
            QCOMPARE(a->text(), text);
            QCOMPARE(a->isChecked(), checked);
            QCOMPARE(a->isCheckable(), i < 5);
        }
        QStringList gold;
        for (QLabel *l : m_form->findChildren<QLabel *>())
            if (l->autoFillBackground() && l->palette().color(QPalette::Window) == QColor(240, 192, 64))
                gold << l->text();
        gold.sort();
        QCOMPARE(gold, (QStringList{"        MaxGain", "        MaxGain", "Choose Zobel Comp's:", "Filter C(uF)", "Filter L(uH)", "Gain(@20kHz)",
                                    "Gain(@384kHz)", "NetGain(@20kHz)", "NetGain(@384kHz)", "Power of Rzobel @(7khz)", "Speaker L(mH)",
                                    "Speaker R(ohms)", "Zobel C_Par(uF)", "Zobel C_Ser(uF)", "Zobel R(Ohms)"}));
        QCOMPARE(m_form->palette().color(QPalette::Window), QColor(0, 144, 240));
    }

    void graphs_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("yMax");
        QTest::addColumn<int>("yScale");
        QTest::addColumn<double>("firstX");  // Fig. 1 starts at 100 Hz, the gain curves at 0 Hz
        const int lin = GraphControl::Linear, log = GraphControl::Logarithmic;
        QTest::newRow("CWGraph1") << "Fig. 1: Speaker Impedance(Ohms)"       << 10.0  << 10000.0 << log << 100.0;
        QTest::newRow("CWGraph3") << "Fig. 2: Filter Gain(dB) without Zobel" << -60.0 << 60.0    << lin << 0.0;
        QTest::newRow("CWGraph4") << "Fig. 3: Filter gain(dB) with Zobel"    << -60.0 << 60.0    << lin << 0.0;
    }

    void graphs()
    {
        QFETCH(QString, caption);
        QFETCH(double, yMin);
        QFETCH(double, yMax);
        QFETCH(int, yScale);
        QFETCH(double, firstX);
        auto *g = childNamed<GraphControl>(m_form, QTest::currentDataTag());
        QCOMPARE(g->caption(), caption);
        QCOMPARE(g->axisScale(GraphControl::XAxis), GraphControl::Logarithmic);
        QCOMPARE(g->axisMinimum(GraphControl::XAxis), 10.0);
        QCOMPARE(g->axisMaximum(GraphControl::XAxis), 1e6);
        QCOMPARE(int(g->axisScale(GraphControl::YAxis)), yScale);
        QCOMPARE(g->axisMinimum(GraphControl::YAxis), yMin);
        QCOMPARE(g->axisMaximum(GraphControl::YAxis), yMax);
        QCOMPARE(g->cursorCount(), 0);
        QCOMPARE(g->curveSize(), 10001);
        QCOMPARE(g->curveX(0), firstX);
        QCOMPARE(g->curveX(10000), 1e6);
    }

    void startup()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvel (HALF BRIDGE)"));
        QStringList shown;  // each control's text, and whether it is hidden
        for (const QString &name : QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par", "filter_l_par", "zobel_c_par", "zobel_r_par", "zobel_c_ser",
                                               "Zoom_In4", "Zoom_Full4", "Text_rzobel_power"} + kReadoutBoxes) {
            QWidget *w = childNamed<QWidget>(m_form, qPrintable(name));
            auto *combo = qobject_cast<QComboBox *>(w);
            auto *edit = qobject_cast<QLineEdit *>(w);
            shown << name + "=" + (combo ? combo->currentText() : edit ? edit->text() : qobject_cast<QPushButton *>(w)->text()) + (w->isVisible() ? "" : " hidden");
        }
        QCOMPARE(shown, (QStringList{"speaker_r_mode=8", "Speaker_L=.67", "filter_c_par=1.0", "filter_l_par=22", "zobel_c_par=.1", "zobel_r_par=6",
                                     "zobel_c_ser=.1", "Zoom_In4=Zoom @Cursor hidden", "Zoom_Full4=Zoom Full", "Text_rzobel_power=0.046W",
                                     "Text_coordx1= hidden", "Text_coordy1= hidden", "Text_coordx2= hidden", "Text_coordy2= hidden",
                                     "Text_coordx3= hidden", "Text_coordy3= hidden"}));
        for (ListSelector s : kAllListSelectors) {  // each drop-down holds its list
            auto *combo = childNamed<QComboBox>(m_form, qPrintable(selectorName(s)));
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items, listItems(s));
        }
        // Three recalculations from the Zobel lists, six from the remaining defaults.
        QCOMPARE(m_form->runCounts().recalculate, 9);
        const DesignRecord &r = m_form->design();
        QCOMPARE((QList<double>{r.filter_l_par_modeval, r.filter_c_par_modeval, r.zobel_c_parval, r.zobel_c_serval, r.zobel_r_parval,
                                double(r.speaker_r_modeval), r.actual_l_net, double(r.full_bridge_select)}),
                 (QList<double>{2.2e-05, 1.0, 1e-07, 1e-07, 6, 8, 0.67, 0}));
        QCOMPARE((QStringList{r.jfilter_l, r.jfilter_c, r.jzobel_c2, r.jzobel_c3, r.jzobel_r2, r.jspeaker_r, r.speaker_l_valtxt}),
                 (QStringList{"22", "1.0", ".1", ".1", "6", "8", ".67"}));
    }

    void designs_data()
    {
        // Figures other than the start-up ones come from tests/reference/gain_figures.py.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("figures");  // Fig. 2 maximum, 20 kHz, 384 kHz, then Fig. 3's
        QTest::addColumn<QString>("caption");
        const QStringList half{"53.67dB", "3.28dB", "-42.08dB", "37.76dB", "3.73dB", "-42.55dB"};
        const QStringList full{"44.63dB", "8.63dB", "-48.13dB", "40.14dB", "9.47dB", "-48.37dB"};
        QTest::newRow("start-up")           << ""           << half << "Quorvel (HALF BRIDGE)";
        QTest::newRow("full bridge")        << "full"       << full << "Quorvel (FULL BRIDGE)";
        QTest::newRow("full bridge twice")  << "full; full" << full << "Quorvel (FULL BRIDGE)";
        QTest::newRow("full, then half")    << "full; half" << half << "Quorvel (HALF BRIDGE)";
        QTest::newRow("no speaker L")       << "paste 0"    << QStringList{"5.03dB", "2.63dB", "-42.09dB", "5.27dB", "2.98dB", "-42.57dB"} << "Quorvel (HALF BRIDGE)";
        QTest::newRow("every input, full")
            << "full; pick speaker_r_mode 4; pick filter_c_par .47; pick filter_l_par 10; pick zobel_r_par 10; pick zobel_c_par 0; pick zobel_c_ser .22; paste .5"
            << QStringList{"55dB", "1dB", "-34.6dB", "20.18dB", "1.32dB", "-34.68dB"} << "Quorvel (FULL BRIDGE)";
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
        QCOMPARE(m_form->full_bridge_select(), full ? kFlagTrue : kFlagFalse);
        if (!script.contains("paste") && !script.contains("speaker"))  // the speaker alone is Fig. 1
            QCOMPARE(curveOf(m_form, "CWGraph1"), fig1);
    }

    void events_data()
    {
        // What one user event leaves in the touched control and the record, and which sweeps it runs.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");  // the record's value afterwards, in its own unit
        QTest::addColumn<QList<int>>("runs");  // Recalculate_all, Fig. 1, Fig. 2, Fig. 3 sweeps
        using R = QList<int>;
        QTest::newRow("pick no parallel C")     << "pick zobel_c_par 0"      << "zobel_c_par"    << "0"    << 0.0     << R{1, 1, 1, 2};
        QTest::newRow("pick no series C")       << "pick zobel_c_ser 0"      << "zobel_c_ser"    << "0"    << 0.0     << R{1, 1, 1, 2};
        QTest::newRow("pick Zobel R 47")        << "pick zobel_r_par 47"     << "zobel_r_par"    << "47"   << 47.0    << R{1, 1, 1, 2};
        QTest::newRow("pick speaker R 4")       << "pick speaker_r_mode 4"   << "speaker_r_mode" << "4"    << 4.0     << R{2, 2, 2, 2};
        QTest::newRow("pick filter C .1")       << "pick filter_c_par .1"    << "filter_c_par"   << ".1"   << 0.1     << R{1, 1, 1, 1};
        QTest::newRow("pick filter L 100")      << "pick filter_l_par 100"   << "filter_l_par"   << "100"  << 1e-04   << R{1, 1, 1, 1};
        QTest::newRow("pick the shown item")    << "pick filter_c_par 1.0"   << "filter_c_par"   << "1.0"  << 1.0     << R{1, 1, 1, 1};
        QTest::newRow("type an item")           << "type zobel_r_par 8"      << "zobel_r_par"    << "8"    << 8.0     << R{1, 1, 1, 1};
        QTest::newRow("type 1 then 0")          << "type zobel_r_par 10"     << "zobel_r_par"    << "10"   << 10.0    << R{2, 2, 2, 2};
        QTest::newRow("typed non-item undone")  << "type filter_c_par 2"     << "filter_c_par"   << "1.0"  << 1.0     << R{2, 2, 2, 2};
        QTest::newRow("0.1 stops at 0")         << "type zobel_c_par 0.1"    << "zobel_c_par"    << "0"    << 0.0     << R{5, 5, 5, 5};
        QTest::newRow("typing into filter L")   << "type filter_l_par 100"   << "filter_l_par"   << "100"  << 2.2e-05 << R{0, 0, 0, 0};
        QTest::newRow("Speaker_L .5")           << "paste .5"                << "Speaker_L"      << ".5"   << 0.5     << R{1, 1, 1, 1};
        QTest::newRow("Speaker_L negative")     << "paste -1"                << "Speaker_L"      << ".67"  << 0.67    << R{1, 1, 1, 1};
        QTest::newRow("Speaker_L 1000")         << "paste 1000"              << "Speaker_L"      << ".67"  << 0.67    << R{1, 1, 1, 1};
        QTest::newRow("Speaker_L emptied")      << "paste"                   << "Speaker_L"      << ".67"  << 0.67    << R{1, 1, 1, 1};
        QTest::newRow("Speaker_L lone point")   << "paste ."                 << "Speaker_L"      << "."    << 0.67    << R{1, 1, 1, 1};
        QTest::newRow("Speaker_L fifth key")    << "type Speaker_L .5555"    << "Speaker_L"      << ".555" << 0.555   << R{5, 5, 5, 5};
        QTest::newRow("topology")               << "full"                    << "Speaker_L"      << ".67"  << 0.67    << R{1, 1, 1, 1};
        QTest::newRow("click on Fig. 1")        << "click CWGraph1"          << "Speaker_L"      << ".67"  << 0.67    << R{0, 1, 0, 0};
        QTest::newRow("click on Fig. 3")        << "click CWGraph4"          << "Speaker_L"      << ".67"  << 0.67    << R{0, 0, 0, 1};
    }

    void events()
    {
        QFETCH(QString, script);
        QFETCH(QString, control);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(QList<int>, runs);
        const RunCounts before = m_form->runCounts();
        play(m_form, script);
        const RunCounts &after = m_form->runCounts();
        QCOMPARE((QList<int>{after.recalculate - before.recalculate, after.impedance - before.impedance,
                             after.gainPlain - before.gainPlain, after.gainZobel - before.gainZobel}), runs);
        QWidget *w = childNamed<QWidget>(m_form, qPrintable(control));
        auto *combo = qobject_cast<QComboBox *>(w);
        QCOMPARE(combo ? combo->currentText() : qobject_cast<QLineEdit *>(w)->text(), shown);
        QCOMPARE(keptBy(m_form->design(), control).first, value);
        // What a selector remembers is what it shows, apart from text typed into filter L.
        if (control != "filter_l_par")
            QCOMPARE(keptBy(m_form->design(), control).second, shown);
        for (ListSelector s : kAllListSelectors)  // typing never adds an item
            if (selectorName(s) == control)
                QCOMPARE(combo->count(), listItems(s).size());
    }

    void speakerLWaitsForKeyRelease()
    {
        QLineEdit *edit = childNamed<QLineEdit>(m_form, "Speaker_L");
        edit->setFocus();
        edit->selectAll();
        const int runs = m_form->runCounts().recalculate;
        // A held key repeats: the text grows, but auto-repeated releases run nothing.
        for (int i = 0; i < 5; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7", i > 0);
            QCoreApplication::sendEvent(edit, &press);
            QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_7, Qt::NoModifier, "7", true);
            if (i < 4)
                QCoreApplication::sendEvent(edit, &repeat);
        }
        QCOMPARE(edit->text(), QStringLiteral("77777"));
        QCOMPARE(m_form->runCounts().recalculate, runs);
        // The real release tests the whole text once: five characters are too many.
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_7, Qt::NoModifier, "7", false);
        QCoreApplication::sendEvent(edit, &release);
        QCOMPARE(edit->text(), QStringLiteral(".67"));
        QCOMPARE(m_form->runCounts().recalculate, runs + 1);
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
