// Graphs under the mouse, every curve in view, no text cut in any window, graph ranges widened
// for a measured woofer, and the design sheet.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"

#include <QSignalSpy>

namespace {

// A 5.6 ohm woofer with its resonance at 45 Hz: voice coil, 0.4 mH, and a 40 ohm motional peak.
QString wooferFile(const QTemporaryDir &dir)
{
    QByteArray text = "* woofer\n";
    for (int i = 0; i < 200; ++i) {
        const double hz = 10 * std::pow(2000.0, i / 199.0);
        const std::complex<double> z = 5.6 + std::complex<double>(0, 2.0 * M_PI * hz * 0.4e-3) +
                                       40.0 / std::complex<double>(1.0, 3.0 * (hz / 45 - 45 / hz));
        text += QByteArray::number(hz, 'g', 10) + ' ' + QByteArray::number(std::abs(z), 'g', 10) +
                ' ' + QByteArray::number(std::arg(z) * 180 / M_PI, 'g', 10) + '\n';
    }
    writeBytes(dir.filePath("woofer.zma"), text);
    return dir.filePath("woofer.zma");
}

// Labels and table cells, in every window shown, whose text needs more room than they have.
QStringList cutTexts()
{
    QStringList cut;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        for (QLabel *l : window->findChildren<QLabel *>()) {
            const QRect room = l->contentsRect().marginsRemoved(QMargins() + l->margin());
            const QFontMetrics m = l->fontMetrics();
            const bool fits =
                l->wordWrap()
                    ? m.boundingRect(room, Qt::TextWordWrap, l->text()).height() <= room.height()
                    : m.horizontalAdvance(l->text()) <= room.width();
            if (l->isVisible() && !l->text().isEmpty() && !Qt::mightBeRichText(l->text()) && !fits)
                cut << l->objectName() + ": " + l->text();
        }
        for (QTableWidget *t : window->findChildren<QTableWidget *>())
            for (int r = 0; r < t->rowCount(); ++r)
                for (int c = 0; c < t->columnCount(); ++c)
                    if (t->item(r, c) && t->isVisible() &&
                        t->fontMetrics().horizontalAdvance(t->item(r, c)->text()) + 6 >
                            t->columnWidth(c))
                        cut << t->objectName() + ": " + t->item(r, c)->text();
    }
    return cut;
}

}  // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_form = openWindow<Form1>();
        m_form->resize(1200, 760);
        childNamed<QAction>(m_form, "power_calcs")->trigger();
        QTest::qWait(20);
    }
    void cleanup() { delete m_form; }

    void mouse_data()
    {
        QTest::addColumn<QString>("graph");
        QTest::addColumn<int>("notches");  // the wheel's; 0: a drag across a third of the plot
        QTest::newRow("wheel in on Fig. 1") << "CWGraph1" << 2;
        QTest::newRow("wheel out on Fig. 3") << "CWGraph4" << -1;
        QTest::newRow("drag on the Power graph") << "power" << 0;
    }
    // The point under the pointer stays under it (or follows the drag), the view narrowed 15 % a
    // notch on both axes; neither is a click.
    void mouse()
    {
        QFETCH(QString, graph);
        QFETCH(int, notches);
        QWidget *owner = graph == "power" ? static_cast<QWidget *>(m_form->powerWindow()) : m_form;
        auto *g =
            childNamed<GraphControl>(owner, graph == "power" ? "CWGraph4" : qPrintable(graph));
        g->refresh();
        QWidget *plot = g->findChild<QWidget *>();
        const QRect r = g->plotRect();
        const QPoint from = r.topLeft() + QPoint(r.width() / 3, r.height() / 3);
        const QPoint to = notches ? from : from + QPoint(r.width() / 3, r.height() / 4);
        const QList<double> before = axesOf(g);  // per axis: logarithmic, from, to
        const auto valueAt = [&](int a, double t) {
            return before[a] ? before[a + 1] * std::pow(before[a + 2] / before[a + 1], t)
                             : before[a + 1] + t * (before[a + 2] - before[a + 1]);
        };
        const double x = valueAt(0, double(from.x() - r.left()) / r.width());
        const double y = valueAt(3, double(r.bottom() + 1 - from.y()) / r.height());
        QSignalSpy clicks(g, &GraphControl::clicked);
        if (notches) {
            QWheelEvent wheel(from, plot->mapToGlobal(from), {}, QPoint(0, 120 * notches),
                              Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(plot, &wheel);
        } else {
            QTest::mousePress(plot, Qt::LeftButton, {}, from);
            QTest::mouseMove(plot, (from + to) / 2);
            QTest::mouseMove(plot, to);
            QTest::mouseRelease(plot, Qt::LeftButton, {}, to);
        }
        const QPointF at = g->pixelOf(x, y);
        QVERIFY2((at - to).manhattanLength() < 2,
                 qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        const QList<double> after = axesOf(g);
        for (int a : {0, 3}) {
            const auto span = [a](const QList<double> &v) {
                return v[a] ? std::log(v[a + 2] / v[a + 1]) : v[a + 2] - v[a + 1];
            };
            QVERIFY(std::abs(span(after) / span(before) - std::pow(0.85, notches)) < 1e-9);
        }
        QCOMPARE(clicks.count(), 0);
    }

    // Fit View takes in the reference as well as the design's curve (Fig. 1: the start-up
    // design's impedance against a held 2 ohm one), and the legend keeps clear of both.
    void fitView()
    {
        childNamed<QAction>(m_form, "design_hold_reference")->trigger();
        play(m_form, "pick filter_c_par .47; pick speaker_r_mode 2");
        auto *g = childNamed<GraphControl>(m_form, "CWGraph1");
        g->refresh();
        QTRY_COMPARE(int(g->legendCorner()), int(Qt::AlignTop | Qt::AlignLeft));
        childNamed<QAction>(g, "actionFitView")->trigger();
        double lo = 1e300, hi = 0, left = 1e300;
        for (int k = -1; k < g->overlayCount(); ++k)
            for (int i = 0; i < (k < 0 ? g->curveSize() : g->overlaySize(k)); ++i) {
                const double x = k < 0 ? g->curveX(i) : g->overlayX(k, i);
                const double y = k < 0 ? g->curveY(i) : g->overlayY(k, i);
                if (x > 0)
                    lo = std::min(lo, y), hi = std::max(hi, y), left = std::min(left, x);
            }
        QCOMPARE(g->axisMinimum(GraphControl::XAxis), left);
        QCOMPARE(g->axisMinimum(GraphControl::YAxis), lo);
        QCOMPARE(g->axisMaximum(GraphControl::YAxis), hi);
    }

    // With every window open, a measured speaker, a reference, the carrier over its ratings and a
    // refused rating, no label or table cell is cut short.
    void noTextCut()
    {
        play(m_form, "full");
        childNamed<QAction>(m_form, "design_hold_reference")->trigger();
        childNamed<QAction>(m_form, "carrier_window")->trigger();
        for (auto [box, text] : {std::pair{"carrier_supply", "48"},
                                 {"carrier_fsw", "384"},
                                 {"carrier_zobel_rating", ".3"},
                                 {"carrier_inductor_rating", ".3"},
                                 {"carrier_capacitor_rating", "20000"}})  // refused: its hint
            typeOver(childNamed<QLineEdit>(m_form->carrierWindow(), box), text);
        childNamed<QAction>(m_form, "tradeoff_window")->trigger();
        QTemporaryDir dir;
        answerFileDialog(wooferFile(dir));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        QTRY_VERIFY2(cutTexts().isEmpty(), qPrintable(cutTexts().join("\n")));
    }

    // The woofer's lowest |Z| lies between 5.6 and 6 ohm: Fig. 1 widens to the 1-2-5 step below
    // it, 5 ohm, and the Power graph to take in its dissipation; cleared, both as they were.
    void measuredRanges()
    {
        QTemporaryDir dir;
        answerFileDialog(wooferFile(dir));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        auto *fig1 = childNamed<GraphControl>(m_form, "CWGraph1");
        auto *power = childNamed<GraphControl>(m_form->powerWindow(), "CWGraph4");
        QCOMPARE(axesOf(fig1), (QList<double>{1, 10, 1e6, 1, 5, 1e4}));
        double most = 0;
        for (int k = 2; k <= 200; ++k) most = std::max(most, power->overlayY(0, k));
        QVERIFY(most > 5 && power->axisMaximum(GraphControl::YAxis) >= most);
        childNamed<QAction>(m_form, "measured_clear")->trigger();
        QCOMPARE(axesOf(fig1), (QList<double>{1, 10, 1e6, 1, 10, 1e4}));
        QCOMPARE(axesOf(power), (QList<double>{1, 200, 20000, 0, 0, 5}));
    }

    void sheet_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("script");
        QTest::newRow("full bridge, 2 ohm, HTML") << "sheet.html"
                                                  << "full; pick speaker_r_mode 2";
        QTest::newRow("a text file refused") << "sheet.txt"
                                             << "";
        QTest::newRow("a write that fails") << "sheet.html"
                                            << "fail";
    }
    // The sheet holds the figures the network gives at 40 W, and its date line; a file it cannot
    // write is told of in one box and not made.
    void sheet()
    {
        QFETCH(QString, name);
        QFETCH(QString, script);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const bool refused = name.endsWith(".txt") || script == "fail";
        play(m_form, refused ? "" : script);
        typeOver(childNamed<QLineEdit>(m_form->powerWindow(), "Text_peak_voltage"), "40");
        BoxAnswerer answerer;
        answerFileDialog(path);
        withFileSizeLimit(script == "fail" ? 1000 : 0,
                          [&] { childNamed<QAction>(m_form, "design_export_sheet")->trigger(); });
        QTest::qWait(50);
        QCOMPARE(answerer.seen.size(), int(refused));
        if (refused) {
            QVERIFY(answerer.seen[0][1].startsWith(QDir::toNativeSeparators(path) +
                                                   " was not written."));
            QVERIFY(!QFile::exists(path));
            return;
        }
        const QString text =
            QString::fromUtf8(contents(path)).remove(QRegularExpression("<[^>]*>"));
        const DesignRecord &r = m_form->design();
        QStringList expected;
        for (bool zobel : {false, true})
            for (double v : reference::gainFigures(r, zobel)) expected << reference::figureText(v);
        const double volts = std::sqrt(r.speaker_r_modeval * 40.0) / (r.full_bridge_select ? 2 : 1);
        expected << QString::number(std::trunc(reference::dissipation(r, 40, 70) * 1000) / 1000) +
                        "W"
                 << QString::number(volts, 'g', 4) + " V"  // across each Zobel branch
                 << "Written by Quorvel " QUORVEL_VERSION_TEXT " on " +
                        QDate::currentDate().toString(Qt::ISODate);
        for (const QString &e : expected) QVERIFY2(text.contains(e), qPrintable(e));
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
