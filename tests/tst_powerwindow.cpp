// The Power window beside the main window: loading, the Zobel read-outs and sweep, the load-power
// entry, closing and reloading, program end, the zoom of Fig. 3, and every graph's cursor switched
// on and off and following a recalculation.
#include "app/form1.h"
#include "testhelpers.h"

class TestPowerWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_form = openWindow<Form1>(); }

    void cleanup() { delete m_form; }

    void lifecycle()
    {
        // Made when first opened, beside the main window, which stays usable.
        Power_measurement_form *power = openPowerWindow();
        QVERIFY(power && power->isVisible() && !QApplication::activeModalWidget());
        auto *graph = childNamed<GraphControl>(power, "CWGraph4");
        QCOMPARE(axesOf(graph) << graph->curveSize(),
                 (QList<double>{1, 200, 20000, 0, 0, 5, 1001}));
        QCOMPARE(texts(power, {"Text_peak_voltage", "Text_power_freq", "Text_power"}),
                 (QStringList{"50", "10.0khz", "0.100W"}));
        const QRect screen = power->screen()->geometry(), outer = power->frameGeometry();
        QVERIFY(qAbs(outer.left() - (screen.width() - outer.width()) * 0.9) <= 2);
        // Each Zobel selector feeds its own read-out (the sweep: tst_designwindow's heldReference).
        play(m_form, "full; pick zobel_c_ser .82; pick zobel_r_par 3; pick zobel_c_par .68");
        QCOMPARE(texts(power, {"Text_zobel_c_parp", "Text_zobel_r_parp", "Text_zobel_c_serp"}),
                 (QStringList{".68", "3", ".82"}));
        const QString at50 = textOf(m_form, "Text_rzobel_power");
        typeOver(childNamed<QLineEdit>(power, "Text_peak_voltage"), "100");
        childNamed<QAction>(power, "cursors4_on")->trigger();
        QCOMPARE(m_form->power_cursor_on(), kFlagTrue);
        QVERIFY(textOf(m_form, "Text_rzobel_power") != at50);
        // Closed: deleted, flag cleared, the design back at the 50 W a window opened afresh shows,
        // and the main window's figure with it.
        QPointer<Power_measurement_form> closed = power;
        power->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!closed && !m_form->powerWindow());
        QCOMPARE(m_form->power_cursor_on(), kFlagFalse);
        QCOMPARE(textOf(m_form, "Text_rzobel_power"), at50);
    }

    void loadPower_data()
    {
        QTest::addColumn<QString>("typed");      // key by key, after "20" was accepted
        QTest::addColumn<QStringList>("shown");  // the box, the main window's 7 kHz figure
        QTest::newRow("1000") << "1000" << QStringList{"100", "0.092W"};
        QTest::newRow("refused") << "abc" << QStringList{"20", "0.018W"};
    }

    void loadPower()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        QLineEdit *box = childNamed<QLineEdit>(openPowerWindow(), "Text_peak_voltage");
        typeOver(box, "20");
        typeOver(box, typed);
        QCOMPARE(QStringList{box->text()} + texts(m_form, {"Text_rzobel_power"}), shown);
    }

    // Closing the main window ends the program: the Power window goes from the screen, but its
    // closing step (clearing the flag) does not run.
    void programEnd()
    {
        QPointer<Power_measurement_form> power = openPowerWindow();
        childNamed<QAction>(power, "cursors4_on")->trigger();
        QTimer::singleShot(0, m_form, [this] { m_form->close(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(power && !power->isVisible());
        QCOMPARE(m_form->power_cursor_on(), kFlagTrue);
    }

    // Zoom In centres Fig. 3 on its cursor, 40 dB high, and a replot keeps that.
    void zoom()
    {
        auto *fig3 = childNamed<GraphControl>(m_form, "CWGraph4");
        auto *zoomIn = childNamed<QPushButton>(m_form, "Zoom_In4");
        childNamed<QAction>(m_form, "cursors3_on")->trigger();
        fig3->moveCursor(20000);
        const double y = fig3->cursorY();
        QTest::mouseClick(zoomIn, Qt::LeftButton);
        play(m_form, "pick zobel_r_par 22");
        QCOMPARE(axesOf(fig3), (QList<double>{1, 1000, 200000, 0, y - 20, y + 20}));
    }

    void cursors_data()
    {
        // The cursor's number, its graph and read-outs, and what these show as it comes on: the
        // grid point nearest the middle of the log axis, 3.2 kHz, or 2 kHz on the Power graph
        // (values from tests/reference/network.py).
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("Fig. 1") << 1 << QStringList{"CWGraph1", "Text_coordx1", "Text_coordy1"}
                                << QStringList{"3.2khz", "15.66"};
        QTest::newRow("Fig. 3") << 3 << QStringList{"CWGraph4", "Text_coordx3", "Text_coordy3"}
                                << QStringList{"3.2khz", "-0.12dB"};
        QTest::newRow("Power") << 4 << QStringList{"CWGraph4", "Text_power_freq", "Text_power"}
                               << QStringList{"2.0khz", "0.003W"};
    }

    // Only this cursor's flag is set; its read-outs show, follow a recalculation that moves the
    // curve under it (the filter's peak from 34 kHz to 21 kHz); off, no cursor.
    void cursors()
    {
        QFETCH(int, cursor);
        QFETCH(QStringList, names);
        QFETCH(QStringList, read);
        const bool power = cursor == 4;
        QWidget *window = power ? openPowerWindow() : static_cast<QWidget *>(m_form);
        QAction *toggle =
            childNamed<QAction>(window, qPrintable(QString("cursors%1_on").arg(cursor)));
        auto *graph = childNamed<GraphControl>(window, qPrintable(names[0]));
        toggle->trigger();
        QList<Flag> on{0, 0, 0, 0};
        on[cursor - 1] = kFlagTrue;
        QCOMPARE((QList<Flag>{m_form->cursors1_curs_zoomb(), m_form->cursors3_curs_zoomb(),
                              m_form->cursors4_curs_zoomb(), m_form->power_cursor_on()}),
                 on);
        QVERIFY(graph->cursorCount() == 1 &&
                childNamed<QWidget>(window, qPrintable(names[1]))->isVisible());
        QCOMPARE(texts(window, names.mid(1)), read);
        graph->moveCursor(power ? 7000 : 33900);
        const QStringList before = texts(window, names.mid(1));
        play(m_form, "full; pick filter_c_par 1.3");
        const QStringList followed = texts(window, names.mid(1));
        QVERIFY(cursor == 1 || followed != before);
        toggle->trigger();
        QVERIFY(graph->cursorCount() == 0);
    }

private:
    Power_measurement_form *openPowerWindow()
    {
        childNamed<QAction>(m_form, "power_calcs")->trigger();
        return m_form->powerWindow();
    }
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestPowerWindow)
#include "tst_powerwindow.moc"
