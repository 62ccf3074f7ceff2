// The design assistant through the main window, driven as a user would: limits refused as typed,
// searches narrowed to four filters whose answers are checked against the core's search, a row's
// curve on Fig. 3 (the network solved here) and the row put into the design as one undo step, and
// searches cut short.
#include "app/form1.h"
#include "assistant/assistantwindow.h"
#include "core/tradeoff/assistant.h"
#include "testhelpers.h"

namespace {

// The filters the searches are narrowed to: 22 and 36 uH with 1.0 and .47 uF.
const std::vector<int> kLs{9, 11}, kCs{7, 11};
const QStringList kSelectors{"filter_l_par", "filter_c_par", "zobel_c_par", "zobel_r_par",
                             "zobel_c_ser"};
// The limit boxes in turn; a row's limits are their texts in this order, "" or left out for none.
const char *const kBoxes[] = {"assistant_max_peak",  "assistant_gain_low",
                              "assistant_gain_high", "assistant_min_attenuation",
                              "assistant_max_zobel", "assistant_max_ripple"};
using L = AssistantLimits;
std::optional<double> L::*const kLimits[] = {&L::maxPeakDb,     &L::gain20kLowDb,
                                             &L::gain20kHighDb, &L::minAttenuationDb,
                                             &L::maxZobelW,     &L::maxRippleA};

QStringList itemsOf(const AssistantDesign &d, const PartsLibrary &library = {})
{
    const ZobelNetworks networks(library);
    const ZobelNetwork z = networks.at(d.zobel);
    return {listItems(ListSelector::filter_l_par, library)[d.filterL],
            listItems(ListSelector::filter_c_par, library)[d.filterC], networks.cParText(z),
            networks.rText(z), networks.cSerText(z)};
}

}  // namespace

class TestAssistantWindow : public QObject
{
    Q_OBJECT

    Form1 *m_form = nullptr;

    // Opens the window, after giving the carrier inputs when asked, types the limits and presses
    // Search.
    AssistantWindow *search(const QStringList &limits, bool carrier = false, bool narrowed = true)
    {
        if (carrier) {
            childNamed<QAction>(m_form, "carrier_window")->trigger();
            QWidget *window = m_form->findChild<QWidget *>("CarrierWindow");
            typeOver(childNamed<QLineEdit>(window, "carrier_supply"), "48");
            typeOver(childNamed<QLineEdit>(window, "carrier_fsw"), "384");
        }
        childNamed<QAction>(m_form, "assistant_window")->trigger();
        auto *w = m_form->findChild<AssistantWindow *>();
        if (narrowed)  // and a library's inductor after the list's 17
            w->setFilterItems(m_form->model().library().empty() ? kLs : std::vector{9, 17}, kCs);
        for (int k = 0; k < limits.size(); ++k)
            if (!limits[k].isEmpty())
                typeOver(childNamed<QLineEdit>(w, kBoxes[k]), limits[k]);
        QTest::mouseClick(childNamed<QPushButton>(w, "assistant_search"), Qt::LeftButton);
        return w;
    }
    static bool answered(AssistantWindow *w)
    {
        return QTest::qWaitFor([w] { return !w->isWorking(); }, 30000) && w->answer();
    }
    static void clickRow(QTableView *table, int row, Qt::KeyboardModifiers keys = {})
    {
        table->scrollTo(table->model()->index(row, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, keys,
                          table->visualRect(table->model()->index(row, 1)).center());
    }

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }

    void refusedLimits_data()
    {
        QTest::addColumn<QStringList>("limits");
        QTest::addColumn<bool>("carrier");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ripple, carrier inputs given")
            << QStringList{"", "", "", "", "", "1e"} << true << 5 << "\"1e\" is not a number";
        QTest::newRow("gain window upside down")
            << QStringList{"", "2", "1"} << false << 2 << "the low end 2 is above the high end 1";
    }

    // The reason stands under its box alone, and neither Search nor Enter starts a search until the
    // box is emptied. The ripple box takes text only with the carrier inputs.
    void refusedLimits()
    {
        QFETCH(QStringList, limits);
        QFETCH(bool, carrier);
        QFETCH(int, box);
        QFETCH(QString, reason);
        AssistantWindow *w = search(limits, carrier);
        auto *edit = childNamed<QLineEdit>(w, kBoxes[box]);
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!w->isWorking() && !w->answer());
        QCOMPARE(childNamed<QLineEdit>(w, kBoxes[5])->isEnabled(), carrier);
        for (QLabel *label : w->findChildren<QLabel *>(QRegularExpression("_reason$")))
            QCOMPARE(label->isVisible() ? label->text() : "",
                     label->objectName() == kBoxes[box] + QString("_reason") ? reason : "");
        edit->clear();
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(answered(w));
    }

    void answer_data()
    {
        QTest::addColumn<QStringList>("limits");
        QTest::addColumn<bool>("carrier");
        QTest::addColumn<QString>("status");  // when no design meets the limits
        QTest::newRow("peak and a gain window") << QStringList{"8", "1", "3"} << false << "";
        QTest::newRow("carrier inputs, ripple")
            << QStringList{"", "", "", "", "", "2"} << true << "";
        // Every peak is taken from 0 dB up; no 20 kHz gain of these filters comes near 40 dB. The
        // four filters have 4 x (16 x 18 x 16 - 16 x 18 + 1) designs: "no Zobel" once each.
        QTest::newRow("peak below 0 dB")
            << QStringList{"-1", "", "", "40"} << false
            << "No design meets the limits: the highest worst-case peak excludes the most (17,284 "
               "of 17,284).";
    }

    // The table holds the core's answer for the same design and limits row for row, items and
    // figures; that it is the whole front under the limits, and the figures' exactness, are
    // tst_assistant's.
    void answer()
    {
        QFETCH(QStringList, limits);
        QFETCH(bool, carrier);
        QFETCH(QString, status);
        AssistantWindow *w = search(limits, carrier);
        // 2 x 2 filters, each with 16 x 18 x 16 Zobel networks.
        QCOMPARE(textOf(w, "assistant_status"), QString("Searching 18,432 designs…"));
        QVERIFY(answered(w));
        const DesignRecord &design = m_form->design();
        AssistantLimits lim;
        for (int k = 0; k < limits.size(); ++k)
            if (!limits[k].isEmpty())
                lim.*kLimits[k] = limits[k].toDouble();
        const AssistantAnswer core = assistantSearch(
            {{design, m_form->loadPower(), m_form->model().measured()}, lim, kLs, kCs, {}});
        const QAbstractItemModel *table = childNamed<QTableView>(w, "assistant_table")->model();
        QCOMPARE(table->rowCount(), int(core.designs.size()));
        QCOMPARE(textOf(w, "assistant_status"),
                 !status.isEmpty()
                     ? status
                     : QString("17,284 designs searched, %1 on the answer.")
                           .arg(QLocale(QLocale::English).toString(table->rowCount())));
        for (int k = 0; k < table->rowCount(); ++k) {
            const AssistantDesign &d = core.designs[k];
            QStringList cells;
            for (int c = 0; c < 10; ++c) cells << table->index(k, c).data().toString();
            QCOMPARE(cells.mid(0, 5), itemsOf(d));
            const double figures[] = {d.worstPeakDb, d.gain20kDb, d.attenuationDb, d.zobelW};
            for (int c = 0; c < 4; ++c)
                QVERIFY(std::abs(cells[5 + c].toDouble() - figures[c]) <= (c < 3 ? .005 : .0005));
            QCOMPARE(cells[9].isEmpty(), !carrier);
        }
    }

    void pickRow_data()
    {
        QTest::addColumn<QString>("apply");
        QTest::addColumn<QString>("letGo");
        QTest::newRow("library inductor, Enter, then the library emptied") << "enter"
                                                                           << "library";
        QTest::newRow("Enter, then Escape") << "enter"
                                            << "escape";
        QTest::newRow("double-click, then Ctrl+click") << "double-click"
                                                       << "ctrl-click";
        QTest::newRow("window closed") << ""
                                       << "close";
    }

    // A selected row is one more curve on Fig. 3, the row's design as solved here. Put into the
    // design, the row's five items (all differing from the design's) are in the selectors and the
    // figure boxes read its gain at 20 kHz and, as Fig. 3's 384 kHz gain, minus its attenuation;
    // one Undo brings back all five. The curve goes with the selection, the window, or a change
    // of the library that makes the answer stale; a library inductor is searched and put in.
    void pickRow()
    {
        QFETCH(QString, apply);
        QFETCH(QString, letGo);
        PartsLibrary library;
        Part l, zr;  // 33 uH, 0.2 ohm; 7.5 ohm, 30 nH
        l.value = "33", l.dcrOhm = 0.2;
        zr.kind = PartKind::resistor, zr.value = "7.5", zr.seriesLH = 3e-8;
        if (letGo == "library" && !library.add(l) && !library.add(zr))
            m_form->model().setLibrary(library);
        AssistantWindow *w = search({"8"});
        QVERIFY(answered(w));
        const QStringList before = texts(m_form, kSelectors);
        const std::vector<AssistantDesign> &designs = w->answer()->designs;
        const auto differs = [&](const AssistantDesign &d) {
            for (int k = 0; k < 5; ++k)
                if (itemsOf(d, library)[k] == before[k])
                    return false;
            return library.empty() || (d.filterL == 17 && itemsOf(d, library)[3] == "7.5");
        };
        const int row =
            int(std::find_if(designs.begin(), designs.end(), differs) - designs.begin());
        QVERIFY(row < int(designs.size()));
        const AssistantDesign d = designs[row];
        auto *fig3 = childNamed<GraphControl>(m_form, "CWGraph4");
        const int overlays = fig3->overlayCount();
        auto *table = childNamed<QTableView>(w, "assistant_table");
        clickRow(table, row);
        QCOMPARE(fig3->overlayCount(), overlays + 1);
        const QStringList items = itemsOf(d, library);
        QCOMPARE(fig3->overlayName(overlays),
                 QString("assistant: %1 uH, %2 uF; Zobel %3 uF, %4 ohm, %5 uF")
                     .arg(items[0], items[1], items[2], items[3], items[4]));
        const ZobelNetworks networks(library);
        const DesignRecord r = networks.applied(
            withFilter(m_form->design(), d.filterL, d.filterC, library), networks.at(d.zobel));
        for (int i = 1; i <= 10000; i += 37)
            QVERIFY(std::abs(fig3->overlayY(overlays, i) - reference::gainDb(r, i, true)) <
                    (library.empty() ? 1e-6 : 1e-5));  // the complex path near the peak
        if (!apply.isEmpty()) {
            if (apply == "enter")
                QTest::keyClick(table, Qt::Key_Return);
            else
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                                   table->visualRect(table->model()->index(row, 1)).center());
            QCOMPARE(texts(m_form, kSelectors), items);
            QCOMPARE(texts(m_form, {"Text_netgain_20k", "Text_netgain_384k"}),
                     (QStringList{reference::figureText(d.gain20kDb),
                                  reference::figureText(-d.attenuationDb)}));
            childNamed<QAction>(m_form, "design_undo")->trigger();
            QCOMPARE(texts(m_form, kSelectors), before);
        }
        if (letGo == "escape")
            QTest::keyPress(table, Qt::Key_Escape);
        else if (letGo == "ctrl-click")
            clickRow(table, row, Qt::ControlModifier);
        else if (letGo == "close")
            w->close();
        else
            m_form->model().setLibrary({});
        QCOMPARE(fig3->overlayCount(), overlays);
        QCOMPARE(textOf(w, "assistant_status") == "The design changed: search again.",
                 letGo == "library");
    }

    void cutShort_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("status");
        QTest::newRow("Stop") << "stop"
                              << "Stopped: no answer.";
        QTest::newRow("window closed") << "close"
                                       << "Stopped: the window was closed.";
        QTest::newRow("speaker changed") << "pick speaker_r_mode 6"
                                         << "The design changed: search again.";
        QTest::newRow("program closed") << "quit"
                                        << "";
        // The design's own filter is not part of the search: it goes on.
        QTest::newRow("filter picked") << "pick filter_l_par 36"
                                       << "";
    }

    // A whole search interrupted while it runs: it shows no answer, and the status says why.
    void cutShort()
    {
        QFETCH(QString, how);
        QFETCH(QString, status);
        AssistantWindow *w = search({"2"}, false, false);
        QTRY_VERIFY_WITH_TIMEOUT(childNamed<QProgressBar>(w, "assistant_progress")->value() > 0,
                                 20000);
        QVERIFY(w->isWorking());
        if (how == "quit") {
            delete std::exchange(m_form, nullptr);
            return;
        }
        if (how == "stop")
            QTest::mouseClick(childNamed<QPushButton>(w, "assistant_stop"), Qt::LeftButton);
        else if (how == "close")
            w->close();
        else
            play(m_form, how);
        if (status.isEmpty()) {
            QVERIFY(answered(w));
            QCOMPARE(w->answer()->searched, 17LL * 17 * 4321);  // "no Zobel" once per filter
            return;
        }
        QVERIFY(!w->isWorking());
        QTest::qWait(200);
        QVERIFY(!w->answer());
        QCOMPARE(textOf(w, "assistant_status"), status);
    }
};

QTEST_MAIN(TestAssistantWindow)
#include "tst_assistantwindow.moc"
