// Graph ranges widened for a measured woofer, and the design sheet.
#include "app/form1.h"
#include "testhelpers.h"

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
