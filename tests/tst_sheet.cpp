// The graphs under the mouse, what they show of every curve, no text cut in any window, and the
// design sheet.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"

#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QWheelEvent>

namespace {

// A 5.6 ohm woofer with its resonance at 45 Hz: voice coil, 0.4 mH, and a 40 ohm motional peak.
std::complex<double> woofer(double hz)
{
    const std::complex<double> j(0, 1);
    return 5.6 + j * 2.0 * M_PI * hz * 0.4e-3 + 40.0 / (1.0 + j * 3.0 * (hz / 45 - 45 / hz));
}

QString wooferFile(const QTemporaryDir &dir)
{
    QByteArray text = "* woofer\n";
    for (int i = 0; i < 200; ++i) {
        const double hz = 10 * std::pow(2000.0, i / 199.0);
        const auto z = woofer(hz);
        text += QByteArray::number(hz, 'g', 10) + ' ' + QByteArray::number(std::abs(z), 'g', 10) +
                ' ' + QByteArray::number(std::arg(z) * 180 / M_PI, 'g', 10) + '\n';
    }
    const QString path = dir.filePath("woofer.zma");
    writeBytes(path, text);
    return path;
}

// The axis value at pixel p of a range drawn from pixel a to b.
double valueAt(double p, double a, double b, double lo, double hi, bool log)
{
    const double t = (p - a) / (b - a);
    return log ? lo * std::pow(hi / lo, t) : lo + t * (hi - lo);
}

QStringList cutTexts(QWidget *window)
{
    QStringList cut;
    for (QLabel *l : window->findChildren<QLabel *>()) {
        if (!l->isVisible() || l->text().isEmpty() || Qt::mightBeRichText(l->text()))
            continue;
        const QRect room =
            l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        const QSize need =
            l->wordWrap()
                ? QSize(0,
                        l->fontMetrics().boundingRect(room, Qt::TextWordWrap, l->text()).height())
                : QSize(l->fontMetrics().horizontalAdvance(l->text()), l->fontMetrics().height());
        if (need.width() > room.width() || need.height() > room.height())
            cut << l->objectName() + ": " + l->text();
    }
    for (QTableWidget *t : window->findChildren<QTableWidget *>())
        for (int r = 0; r < t->rowCount(); ++r)
            for (int c = 0; c < t->columnCount(); ++c)
                if (t->item(r, c) && !t->isColumnHidden(c) &&
                    QFontMetrics(t->font()).horizontalAdvance(t->item(r, c)->text()) + 6 >
                        t->columnWidth(c))
                    cut << t->objectName() + ": " + t->item(r, c)->text();
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
        QTest::newRow("drag on Fig. 2") << "CWGraph3" << 0;
        QTest::newRow("drag on the Power graph") << "power" << 0;
    }
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
        const QPoint from(r.left() + r.width() / 3, r.top() + r.height() / 3);
        const QPoint to = notches ? from : from + QPoint(r.width() / 3, r.height() / 4);
        const QList<double> before = axesOf(g);
        const double x =
            valueAt(from.x(), r.left(), r.left() + r.width(), before[1], before[2], before[0]);
        const double y =
            valueAt(from.y(), r.top() + r.height(), r.top(), before[4], before[5], before[3]);
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
        // The point that was under the pointer is under it now, the view narrowed 15 % a notch.
        const QPointF at = g->pixelOf(x, y);
        QVERIFY2(std::abs(at.x() - to.x()) < 1.5 && std::abs(at.y() - to.y()) < 1.5,
                 qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        const QList<double> after = axesOf(g);
        for (int a : {0, 3}) {
            const auto span = [&](const QList<double> &v) {
                return v[a] ? std::log(v[a + 2] / v[a + 1]) : v[a + 2] - v[a + 1];
            };
            QVERIFY(std::abs(span(after) / span(before) - std::pow(0.85, notches)) < 1e-9);
        }
        QCOMPARE(clicks.count(), 0);
        // A plain click, and a drag of the cursor, are as before; Zoom Full fits again.
        QTest::mouseClick(plot, Qt::LeftButton, {}, from);
        QCOMPARE(clicks.count(), 1);
        if (graph == "CWGraph4") {
            childNamed<QAction>(m_form, "cursors3_on")->trigger();
            const double cursorX = g->cursorX();
            QVERIFY(dragCursor(g, r.left() + r.width() * 3 / 4));
            QVERIFY(g->cursorX() > cursorX);
            QCOMPARE(axesOf(g), after);
            QTest::mouseClick(childNamed<QPushButton>(m_form, "Zoom_In4"), Qt::LeftButton);
            QCOMPARE(g->axisMinimum(GraphControl::XAxis), g->cursorX() * 0.05);
            QTest::mouseClick(childNamed<QPushButton>(m_form, "Zoom_Full4"), Qt::LeftButton);
            QCOMPARE(g->axisMaximum(GraphControl::XAxis), 1e6);
        }
    }

    void fitAndLegend_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("graph");
        QTest::addColumn<int>("corner");  // where the legend is left free: the curves' shapes
        QTest::newRow("Fig. 1, reference held") << "design_hold_reference"
                                                << "CWGraph1" << int(Qt::AlignTop | Qt::AlignLeft);
        QTest::newRow("Fig. 2, loads compared")
            << "actionCompareLoads"
            << "CWGraph3" << int(Qt::AlignBottom | Qt::AlignLeft);
        QTest::newRow("Fig. 3, loads compared")
            << "actionCompareLoads"
            << "CWGraph4" << int(Qt::AlignBottom | Qt::AlignLeft);
    }
    void fitAndLegend()
    {
        QFETCH(QString, action);
        QFETCH(QString, graph);
        QFETCH(int, corner);
        auto *g = childNamed<GraphControl>(m_form, qPrintable(graph));
        childNamed<QAction>(action.startsWith("design") ? static_cast<QWidget *>(m_form) : g,
                            qPrintable(action))
            ->trigger();
        if (action.startsWith("design"))
            play(m_form, "pick filter_c_par .47; pick speaker_r_mode 2");
        g->refresh();
        QTRY_COMPARE(int(g->legendCorner()), corner);
        childNamed<QAction>(g, "actionFitView")->trigger();
        // Every curve's extremes on the axes (positive frequencies only on the logarithmic axis).
        double lo = g->curveY(1), hi = lo, left = 1e300;
        for (int k = -1; k < g->overlayCount(); ++k)
            for (int i = 0; i < (k < 0 ? g->curveSize() : g->overlaySize(k)); ++i) {
                const double x = k < 0 ? g->curveX(i) : g->overlayX(k, i);
                const double y = k < 0 ? g->curveY(i) : g->overlayY(k, i);
                if (x > 0)
                    std::tie(lo, hi, left) =
                        std::tuple(std::min(lo, y), std::max(hi, y), std::min(left, x));
            }
        QCOMPARE(g->axisMinimum(GraphControl::YAxis), lo);
        QCOMPARE(g->axisMaximum(GraphControl::YAxis), hi);
        QCOMPARE(g->axisMinimum(GraphControl::XAxis), left);
    }

    void measuredRanges()
    {
        QTemporaryDir dir;
        answerFileDialog(wooferFile(dir));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        auto *fig1 = childNamed<GraphControl>(m_form, "CWGraph1");
        auto *power = childNamed<GraphControl>(m_form->powerWindow(), "CWGraph4");
        // The lowest |Z| lies between 5.6 and 6 ohm: the 1-2-5 step below it is 5 ohm.
        QCOMPARE(axesOf(fig1), (QList<double>{1, 10, 1e6, 1, 5, 1e4}));
        for (int i = 0; i < fig1->overlayCount(); ++i)
            for (int k = 0; k < 200; ++k)  // the points, then the curve's first 200
                QVERIFY(fig1->overlayY(i, k) >= 5 && fig1->overlayY(i, k) <= 1e4);
        double most = 0;
        for (int k = 2; k <= 200; ++k) most = std::max(most, power->overlayY(0, k));
        QVERIFY(most > 5);
        QVERIFY(power->axisMaximum(GraphControl::YAxis) >= most);
        QVERIFY(power->axisMaximum(GraphControl::YAxis) <= 2.5 * most);
        childNamed<QAction>(m_form, "measured_clear")->trigger();
        QCOMPARE(axesOf(fig1), (QList<double>{1, 10, 1e6, 1, 10, 1e4}));
        QCOMPARE(axesOf(power), (QList<double>{1, 200, 20000, 0, 0, 5}));
    }

    void noTextCut()
    {
        play(m_form, "full");
        childNamed<QAction>(m_form, "design_hold_reference")->trigger();
        childNamed<QAction>(m_form, "carrier_window")->trigger();
        QWidget *carrier = m_form->carrierWindow();
        for (auto [box, text] : {std::pair{"carrier_supply", "48"},
                                 {"carrier_fsw", "384"},
                                 {"carrier_zobel_rating", ".3"},
                                 {"carrier_inductor_rating", ".3"}})
            typeOver(childNamed<QLineEdit>(carrier, box), text);
        childNamed<QAction>(m_form, "tradeoff_window")->trigger();
        childNamed<QAction>(m_form, "Save_As")->trigger();
        QTemporaryDir dir;
        answerFileDialog(wooferFile(dir));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        QTest::qWait(50);
        QStringList cut;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                cut << cutTexts(w);
        for (const char *modal : {"schematic_viewer", "mnuAbout"}) {
            childNamed<QAction>(m_form, modal)->trigger();
            cut << cutTexts(QApplication::activeModalWidget());
            QApplication::activeModalWidget()->close();
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("\n")));
    }

    void sheet_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("script");
        QTest::newRow("start-up design, HTML") << "sheet.html"
                                               << "";
        QTest::newRow("full bridge, 2 ohm, PDF") << "sheet.pdf"
                                                 << "full; pick speaker_r_mode 2";
        QTest::newRow("a text file refused") << "sheet.txt"
                                             << "";
        QTest::newRow("a write that fails") << "sheet.html"
                                            << "fail";
    }
    void sheet()
    {
        QFETCH(QString, name);
        QFETCH(QString, script);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(writeBytes(path, "old"));
        play(m_form, script == "fail" ? "" : script);
        // Replacing the old file is confirmed; every other message is noted and closed.
        QStringList seen;
        QTimer poll;
        poll.callOnTimeout([&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->button(QMessageBox::Yes))
                box->button(QMessageBox::Yes)->click();
            else if (box)
                seen << box->text(), box->button(QMessageBox::Ok)->click();
        });
        poll.start(10);
        answerFileDialog(path);
        withFileSizeLimit(script == "fail" ? 1000 : 0,
                          [&] { childNamed<QAction>(m_form, "design_export_sheet")->trigger(); });
        QTest::qWait(50);
        if (name.endsWith(".txt") || script == "fail") {
            QCOMPARE(seen.size(), 1);
            QVERIFY(seen[0].startsWith(QDir::toNativeSeparators(path) + " was not written."));
            QCOMPARE(contents(path), QByteArray("old"));
            return;
        }
        QCOMPARE(seen.size(), 0);
        QString text = QString::fromUtf8(contents(path));
        if (name.endsWith(".pdf")) {
            if (QStandardPaths::findExecutable("pdftotext").isEmpty())
                QSKIP("no pdftotext");
            QProcess p;
            p.start("pdftotext", {path, "-"});
            QVERIFY(p.waitForFinished());
            text = QString::fromUtf8(p.readAllStandardOutput());
        } else {
            text.remove(QRegularExpression("<[^>]*>"));
            // The same design gives the same sheet apart from its date line.
            QVERIFY(!m_form->writeSheet(dir.filePath("a.html"), QDate(2020, 1, 1)));
            QVERIFY(!m_form->writeSheet(dir.filePath("b.html"), QDate(2021, 2, 3)));
            QCOMPARE(contents(dir.filePath("a.html")).replace("2020-01-01", "2021-02-03"),
                     contents(dir.filePath("b.html")));
        }
        const DesignRecord &r = m_form->design();
        QStringList expected;
        for (bool zobel : {false, true})
            for (double v : reference::gainFigures(r, zobel)) expected << reference::figureText(v);
        expected << QString::number(std::trunc(reference::dissipation(r, 50, 70) * 1000) / 1000) +
                        "W"
                 << "Written by Quorvel " QUORVEL_VERSION_TEXT " on " +
                        QDate::currentDate().toString(Qt::ISODate);
        for (const QString &e : expected) QVERIFY2(text.contains(e), qPrintable(e));
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
