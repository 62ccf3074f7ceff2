// The Tolerance window driven as a user drives it: a random session of picks, topology changes and
// typing, after which the bands drawn on Fig. 2, Fig. 3 and the Power graph are always those of
// the design shown (or none while its batch is still being worked out); a refused tolerance keeps
// the last good one; the figure boxes carry the batch's spread.
#include "app/form1.h"
#include "testhelpers.h"
#include "tolerance/tolerancewindow.h"

#include <QRandomGenerator>

class TestToleranceWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_form = openWindow<Form1>();
        childNamed<QAction>(m_form, "tolerance_window")->trigger();
        m_window = m_form->findChild<ToleranceWindow *>();
        QVERIFY(m_window);
        typeOver(childNamed<QLineEdit>(m_window, "tolerance_runs"), "200");
    }
    void cleanup() { delete m_form; }

    void bandsBelongToTheDesignShown()
    {
        childNamed<QAction>(m_form, "power_calcs")->trigger();
        QRandomGenerator random(20261208);
        const QStringList steps = {"pick filter_l_par 10",
                                   "pick filter_l_par 36",
                                   "pick filter_c_par .47",
                                   "pick zobel_r_par 10",
                                   "full",
                                   "half",
                                   "type Speaker_L .3",
                                   "type Speaker_L 1.2"};
        DesignModel &model = m_form->model();
        int checkedWithBands = 0;
        for (int round = 0; round < 14; ++round) {
            const QString step = steps[random.bounded(int(steps.size()))];
            play(m_form, step);
            if (random.bounded(2))
                QTRY_VERIFY_WITH_TIMEOUT(model.tolerance(), 10000);
            else
                QTest::qWait(random.bounded(30));
            QCoreApplication::processEvents();
            auto *fig3 = childNamed<GraphControl>(m_form->centralWidget(), "CWGraph4");
            GraphControl *power = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == "Power_measurement_form")
                    power = childNamed<GraphControl>(top, "CWGraph4");
            QVERIFY(power);
            const ToleranceResult *t = model.tolerance();
            if (!t) {
                QCOMPARE(fig3->bandSize(), 0);
                QCOMPARE(power->bandSize(), 0);
                continue;
            }
            // The batch the design shown gives, worked out here again.
            ToleranceWork work(model.record(), model.loadPower(), t->settings, {}, true);
            for (ToleranceRun &run : work.items()) work.fill(run);
            const ToleranceResult again = std::move(work).finish();
            QCOMPARE(fig3->bandSize(), int(again.bands.gainZobel.x.size()));
            for (int i = 0; i < fig3->bandSize(); i += 17) {
                QCOMPARE(fig3->bandLow(i), again.bands.gainZobel.low[std::size_t(i)]);
                QCOMPARE(fig3->bandHigh(i), again.bands.gainZobel.high[std::size_t(i)]);
            }
            QCOMPARE(power->bandSize(), int(again.bands.dissipation.x.size()));
            QCOMPARE(power->bandHigh(40), again.bands.dissipation.high[40]);
            ++checkedWithBands;
        }
        QVERIFY(checkedWithBands > 3);
    }

    void refusedToleranceKeepsTheLastGood()
    {
        auto *box = childNamed<QLineEdit>(m_window, "tolerance_filter_l");
        typeOver(box, "35");
        typeOver(box, "-5");
        auto *refusal = childNamed<QLabel>(m_window, "tolerance_filter_l_refusal");
        QVERIFY(refusal->isVisible());
        QCOMPARE(refusal->text(), QString("a tolerance is from 0 up to, not including, 100 %"));
        QCOMPARE(box->text(), QString("-5"));  // the text stays for the user to mend
        QTRY_VERIFY_WITH_TIMEOUT(m_window->shownResult() && !m_window->isWorking(), 10000);
        QCOMPARE(m_window->shownResult()->settings.percent[0], 35.0);
        QCOMPARE(m_window->shownResult()->settings.runs, 200);
        // The second distribution is the normal one.
        QVERIFY(pickItem(childNamed<QComboBox>(m_window, "tolerance_distribution"),
                         "normal, sigma = tol/3"));
        QTRY_VERIFY_WITH_TIMEOUT(
            m_window->shownResult() && !m_window->isWorking() &&
                m_window->shownResult()->settings.distribution == Distribution::normal,
            10000);
    }

    // The figure box's hint: nearest ranks of the batch's own runs, as the box writes figures.
    void figureBoxesCarryTheSpread()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_window->shownResult() && !m_window->isWorking(), 10000);
        const ToleranceResult &r = *m_window->shownResult();
        QList<double> gains;
        for (const ToleranceRun &run : r.runs) gains << run.figures[0];  // Fig. 3 at 20 kHz
        std::sort(gains.begin(), gains.end());
        const QString hint = childNamed<QLineEdit>(m_form, "Text_netgain_20k")->toolTip();
        QCOMPARE(hint,
                 QString("200 boards: p1 / p50 / p99 %1 / %2 / %3; min / max %4 / %5")
                     .arg(reference::figureText(gains[1]), reference::figureText(gains[99]),
                          reference::figureText(gains[197]), reference::figureText(gains.first()),
                          reference::figureText(gains.last())));
        // Typing moves the design: the hint goes with the batch it came from.
        play(m_form, "pick filter_c_par .47");
        QCOMPARE(childNamed<QLineEdit>(m_form, "Text_netgain_20k")->toolTip(), QString());
    }

    // The design sheet carries the batch: its boards, the median of each figure, the worst corner.
    void sheetHasTheBatch()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_window->shownResult() && !m_window->isWorking(), 10000);
        const ToleranceResult &r = *m_window->shownResult();
        QList<double> peaks;
        for (const ToleranceRun &run : r.runs) peaks << run.figures[2];  // Fig. 3's largest gain
        std::sort(peaks.begin(), peaks.end());
        QTemporaryDir dir;
        const QString path = dir.filePath("sheet.html");
        QVERIFY(!m_form->writeSheet(path, QDate(2026, 12, 8)));
        const QString text =
            QString::fromUtf8(contents(path)).remove(QRegularExpression("<[^>]*>"));
        QVERIFY(text.contains("Tolerance"));
        QVERIFY(text.contains("200 boards (seed 1)"));
        QVERIFY2(text.contains(reference::figureText(peaks[99])),
                 qPrintable(reference::figureText(peaks[99])));
        // Closed without the bands asked for, the window takes its batch along.
        m_window->close();
        QVERIFY(!m_form->writeSheet(path, QDate(2026, 12, 8)));
        QVERIFY(!QString::fromUtf8(contents(path)).contains("200 boards"));
    }

private:
    Form1 *m_form = nullptr;
    ToleranceWindow *m_window = nullptr;
};

QTEST_MAIN(TestToleranceWindow)
#include "tst_tolerancewindow.moc"
