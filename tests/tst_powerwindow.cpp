// The Power window beside the main window: loading, the load-power entry, closing and reloading,
// program end, the zoom of Fig. 3, and every graph's cursor: switched on and off, dragged with
// the mouse to both ends, following a recalculation.
#include "app/form1.h"
#include "testhelpers.h"

#include <QPushButton>
#include <QTimer>

class TestPowerWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }

    void cleanup() { delete m_form; }

    void lifecycle()
    {
        // Made when first opened, beside the main window, which stays usable.
        QVERIFY(!m_form->powerWindow());
        Power_measurement_form *power = openPowerWindow();
        QVERIFY(power && power == m_form->powerWindow() && power->isVisible() &&
                !QApplication::activeModalWidget());
        auto *graph = childNamed<GraphControl>(power, "CWGraph4");
        QCOMPARE(axesOf(graph) << graph->curveSize(),
                 (QList<double>{1, 200, 20000, 0, 0, 5, 1001}));
        QCOMPARE(texts(power, {"Text_zobel_c_parp", "Text_zobel_r_parp", "Text_zobel_c_serp",
                               "Text_peak_voltage", "Text_power_freq", "Text_power"}),
                 (QStringList{".1", "6", ".1", "50", "10.0khz", "0.100W"}));
        QVERIFY(openPowerWindow() == power);
        const QRect screen = power->screen()->geometry(), outer = power->frameGeometry();
        QVERIFY(qAbs(outer.left() - (screen.width() - outer.width()) * 0.9) <= 2);
        QVERIFY(qAbs(outer.top() - (screen.height() - outer.height()) * 0.1) <= 2);
        typeOver(childNamed<QLineEdit>(power, "Text_peak_voltage"), "100");
        childNamed<QAction>(power, "cursors4_on")->trigger();
        QCOMPARE(m_form->power_cursor_on(), kFlagTrue);
        QCOMPARE(texts(m_form, {"Text_rzobel_power"}), QStringList{rzobelText(100)});
        // Closed: deleted, flag cleared, the design back at the 50 W a window opened afresh shows,
        // and the main window's figure with it.
        QPointer<Power_measurement_form> closed = power;
        power->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!closed && !m_form->powerWindow());
        QCOMPARE(m_form->power_cursor_on(), kFlagFalse);
        QCOMPARE(texts(m_form, {"Text_rzobel_power"}), QStringList{rzobelText(50)});
        power = openPowerWindow();
        QVERIFY(!childNamed<QAction>(power, "cursors4_on")->isChecked());
        // A rejected entry puts back the "50" the window shows, not the 100 W typed into the
        // window before; the sweep keeps 50 W.
        QTest::keyClicks(childNamed<QLineEdit>(power, "Text_peak_voltage"), "x");
        QCOMPARE(texts(power, {"Text_peak_voltage"}) + texts(m_form, {"Text_rzobel_power"}),
                 (QStringList{"50", rzobelText(50)}));
    }

    void zobelReadouts_data()
    {
        // Each Zobel selector feeds its own read-out in the Power window, open already or opened
        // after, and the dissipation it sweeps; the 7 kHz figure comes from the reference
        // solution below.
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("readouts");  // C par, R, C ser
        QTest::newRow("C par picked")
            << true << "pick zobel_c_par .47" << QStringList{".47", "6", ".1"};
        QTest::newRow("C ser typed key by key, opened after")
            << false << "type zobel_c_ser .22"
            << QStringList{".1", "6", ".12"};  // "." undone, ".12" taken, ".122" undone
        QTest::newRow("all three, full bridge")
            << true << "full; pick zobel_c_ser .82; pick zobel_r_par 3; pick zobel_c_par .68"
            << QStringList{".68", "3", ".82"};
    }

    void zobelReadouts()
    {
        QFETCH(bool, shown);
        QFETCH(QString, script);
        QFETCH(QStringList, readouts);
        Power_measurement_form *power = shown ? openPowerWindow() : nullptr;
        play(m_form, script);
        if (!shown)
            power = openPowerWindow();
        QCOMPARE(power, m_form->powerWindow());
        QCOMPARE(texts(power, {"Text_zobel_c_parp", "Text_zobel_r_parp", "Text_zobel_c_serp"}),
                 readouts);
        QCOMPARE(texts(m_form, {"Text_rzobel_power"}), QStringList{rzobelText(50)});
        auto *graph = childNamed<GraphControl>(power, "CWGraph4");
        for (int i : {1, 70, 500, 1000})
            QVERIFY(std::fabs(graph->curveY(i) / reference::dissipation(m_form->design(), 50, i) -
                              1) < 1e-12);
    }

    void loadPower_data()
    {
        QTest::addColumn<QString>("typed");      // key by key, after "20" was accepted
        QTest::addColumn<QStringList>("shown");  // the box, the main window's 7 kHz figure
        QTest::newRow("100") << "100" << QStringList{"100", "0.092W"};
        QTest::newRow(". then .5") << ".5" << QStringList{".5", "0W"};
        QTest::newRow("1000") << "1000" << QStringList{"100", "0.092W"};
        QTest::newRow("emptied") << "" << QStringList{"20", "0.018W"};
        QTest::newRow("refused") << "abc" << QStringList{"20", "0.018W"};
    }

    void loadPower()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        Power_measurement_form *power = openPowerWindow();
        QLineEdit *box = childNamed<QLineEdit>(power, "Text_peak_voltage");
        typeOver(box, "20");
        typeOver(box, typed);
        if (typed.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(texts(power, {"Text_peak_voltage"}) + texts(m_form, {"Text_rzobel_power"}), shown);
        QCOMPARE(m_form->loadPower(), shown[0].toDouble());
    }

    void programEnd_data()
    {
        QTest::addColumn<bool>("exitItem");
        QTest::newRow("&Exit") << true;
        QTest::newRow("closing the main window") << false;
    }

    void programEnd()
    {
        QFETCH(bool, exitItem);
        QPointer<Power_measurement_form> power = openPowerWindow();
        childNamed<QAction>(power, "cursors4_on")->trigger();
        QTimer::singleShot(0, m_form, [this, exitItem] {
            exitItem ? childNamed<QAction>(m_form, "Exit")->trigger() : void(m_form->close());
        });
        QTimer watchdog;
        connect(&watchdog, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        // Gone from the screen, but never closed: its closing step (clearing the flag) did not run.
        QVERIFY(power && !power->isVisible());
        QCOMPARE(m_form->power_cursor_on(), kFlagTrue);
    }

    void zoom()
    {
        auto *fig3 = childNamed<GraphControl>(m_form, "CWGraph4");
        auto *zoomIn = childNamed<QPushButton>(m_form, "Zoom_In4");
        childNamed<QAction>(m_form, "cursors3_on")->trigger();
        fig3->moveCursor(20000);
        const double y = fig3->cursorY();
        QTest::mouseClick(zoomIn, Qt::LeftButton);
        QCOMPARE(axesOf(fig3), (QList<double>{1, 1000, 200000, 0, y - 20, y + 20}));
        QCOMPARE(fig3->cursorX(), 20000.0);
        play(m_form, "pick zobel_r_par 22");  // a replot keeps the zoom
        QCOMPARE(axesOf(fig3), (QList<double>{1, 1000, 200000, 0, y - 20, y + 20}));
        QTest::mouseClick(childNamed<QPushButton>(m_form, "Zoom_Full4"), Qt::LeftButton);
        double low = 0, high = 0;  // the 0 Hz point's 0 dB counts, its frequency does not
        for (int i = 1; i <= 10000; ++i)
            std::tie(low, high) =
                std::pair(qMin(low, fig3->curveY(i)), qMax(high, fig3->curveY(i)));
        QCOMPARE(axesOf(fig3), (QList<double>{1, 100, 1e6, 0, low, high}));
        childNamed<QAction>(m_form, "cursors3_on")
            ->trigger();  // no cursor: the zoom changes nothing
        zoomIn->click();
        QCOMPARE(axesOf(fig3), (QList<double>{1, 100, 1e6, 0, low, high}));
    }

    void cursors_data()
    {
        // The cursor's menu item, its graph, the graph's read-out boxes; what they read as the
        // cursor comes on (in the middle of the log axis: the grid point nearest 3162 Hz, 3.2 kHz,
        // or 2 kHz on the Power graph; values from tests/reference/network.py) and at each end.
        QTest::addColumn<int>("cursor");        // cursors<n>_on
        QTest::addColumn<QStringList>("read");  // on, at the left end, at the right end
        QTest::newRow("Fig. 1") << 1 << QStringList{"3.2khz", "15.66",     "0.1khz",
                                                    "8.01",   "1000.0khz", "4209.73"};
        QTest::newRow("Fig. 2") << 2 << QStringList{"3.2khz",  "-0.13dB",   "0.1khz",
                                                    "-0.00dB", "1000.0khz", "-58.76dB"};
        QTest::newRow("Fig. 3 zoomed")
            << 3 << QStringList{"3.2khz", "-0.12dB", "0.7khz", "-0.03dB", "123.0khz", "-22.35dB"};
        QTest::newRow("Power") << 4 << QStringList{"2.0khz", "0.003W",  "0.2khz",
                                                   "0.000W", "20.0khz", "0.370W"};
    }
    void cursors()
    {
        QFETCH(int, cursor);
        QFETCH(QStringList, read);
        const QStringList names =
            QStringList{QString("cursors%1_on").arg(cursor)} +
            QStringList{"CWGraph1",     "Text_coordx1", "Text_coordy1",    "CWGraph3",
                        "Text_coordx2", "Text_coordy2", "CWGraph4",        "Text_coordx3",
                        "Text_coordy3", "CWGraph4",     "Text_power_freq", "Text_power"}
                .mid(3 * cursor - 3, 3);
        const bool power = cursor == 4;
        QWidget *window = power ? openPowerWindow() : static_cast<QWidget *>(m_form);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QAction *toggle = childNamed<QAction>(window, qPrintable(names[0]));
        auto *graph = childNamed<GraphControl>(window, qPrintable(names[1]));
        QWidget *zoomIn = childNamed<QWidget>(m_form, "Zoom_In4");
        toggle->trigger();
        QList<Flag> on{0, 0, 0, 0};  // only the flag of this graph's cursor is set
        on[cursor - 1] = kFlagTrue;
        QCOMPARE((QList<Flag>{m_form->cursors1_curs_zoomb(), m_form->cursors3_curs_zoomb(),
                              m_form->cursors4_curs_zoomb(), m_form->power_cursor_on()}),
                 on);
        QVERIFY(toggle->isChecked() && graph->cursorCount() == 1);
        QVERIFY(childNamed<QWidget>(window, qPrintable(names[2]))->isVisible() &&
                childNamed<QWidget>(window, qPrintable(names[3]))->isVisible());
        QCOMPARE(zoomIn->isVisible(), cursor == 3);
        QCOMPARE(texts(window, names.mid(2)), read.mid(0, 2));
        QVERIFY(crosshairOnCurve(graph));
        if (cursor == 3) {
            graph->moveCursor(12300);  // the view becomes 615 Hz to 123 kHz; 600 Hz lies outside
            QTest::mouseClick(zoomIn, Qt::LeftButton);
        }
        const int width = graph->width();
        QVERIFY(dragCursor(graph, -30));  // past the left end
        QCOMPARE(texts(window, names.mid(2)), read.mid(2, 2));
        QVERIFY(dragCursor(graph, width + 30));  // grabbed at the left end, past the right end
        QCOMPARE(texts(window, names.mid(2)), read.mid(4, 2));
        QVERIFY(dragCursor(graph, width / 2));  // grabbed at the right end
        QVERIFY(texts(window, names.mid(2)) != read.mid(4, 2));
        // A recalculation that moves the curve under the unmoved cursor (the filter's peak goes
        // from 34 kHz to 21 kHz) rewrites the read-outs as a move to it would, and the crosshair
        // follows the curve.
        graph->moveCursor(power ? 7000 : 33900);
        const QStringList before = texts(window, names.mid(2));
        play(m_form, "full; pick filter_c_par 1.3");
        const QStringList followed = texts(window, names.mid(2));
        QVERIFY(cursor == 1 || followed != before);
        QVERIFY(crosshairOnCurve(graph));
        graph->moveCursor(graph->cursorX());
        QCOMPARE(texts(window, names.mid(2)), followed);
        // Off: no cursor; the main window's boxes hide and keep their text.
        toggle->trigger();
        QVERIFY(!toggle->isChecked() && graph->cursorCount() == 0 && !zoomIn->isVisible());
        QCOMPARE(childNamed<QWidget>(window, qPrintable(names[2]))->isVisible(), power);
        QCOMPARE(childNamed<QWidget>(window, qPrintable(names[3]))->isVisible(), power);
        QCOMPARE(texts(window, names.mid(2)), followed);
    }

private:
    Power_measurement_form *openPowerWindow();
    // The 7 kHz figure of the design shown at a load power, from the reference solution.
    QString rzobelText(double watts) const
    {
        const double w = reference::dissipation(m_form->design(), watts, 70);
        return QString::number(std::trunc(w * 1000) / 1000, 'g', 15) + "W";
    }
    Form1 *m_form = nullptr;
};

Power_measurement_form *TestPowerWindow::openPowerWindow()
{
    childNamed<QAction>(m_form, "power_calcs")->trigger();
    return m_form->powerWindow();
}

QTEST_MAIN(TestPowerWindow)
#include "tst_powerwindow.moc"
