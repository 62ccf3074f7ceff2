// The circuit values report from plain values: its bytes, the file path and the name check.
#include "core/report.h"

#include <QTest>

namespace {

// The start-up design, half bridge, with a 7 kHz figure in its box.
const QStringList kStartupReport = {
    "Topology: Half Bridge",
    "Lfilter:                          22uH",
    "Cfilter:                          1.0uF",
    "Rzobel:                           6 ohms",
    "Czobel parallel:                  .1uF",
    "Czobel series:                    .1uF",
    "Lspeaker:                         .67mH",
    "Rspeaker:                         8 ohms",
    "",
    "Maximum Filter Gain:              37.76dB",
    "Net Filter Gain at 20khz:         3.73dB",
    "Net Filter Gain at 384khz:        -42.55dB",
    "RMS power of Rzobel at 7khz:      0.046W",
};
const QStringList kStartupResults = {"37.76dB", "3.73dB", "-42.55dB", "0.046W"};

using Lines = QMap<int, QString>;  // line number (from 1) -> whole line

}  // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void path_data();
    void path();
    void nameCheck_data();
    void nameCheck();
};

void TestReport::bytes_data()
{
    QTest::addColumn<Flag>("full");
    QTest::addColumn<QString>("jzobel_c2");
    QTest::addColumn<QString>("jzobel_c3");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<Lines>("changed");
    QTest::newRow("half bridge, start-up") << kFlagFalse << ".1" << ".1" << kStartupResults << Lines{};
    QTest::newRow("full bridge, start-up") << kFlagTrue << ".1" << ".1" << kStartupResults
                                           << Lines{{1, "Topology: Full Bridge"}};
    QTest::newRow("no Zobel capacitors") << kFlagFalse << "0" << "0" << kStartupResults
                                         << Lines{{5, "Czobel parallel:                  no cap."},
                                                  {6, "Czobel series:                    0uF"}};
    QTest::newRow("empty result boxes") << kFlagTrue << ".1" << ".1" << QStringList{"", "", "", ""}
                                        << Lines{{1, "Topology: Full Bridge"},
                                                 {10, "Maximum Filter Gain:              "},
                                                 {11, "Net Filter Gain at 20khz:         "},
                                                 {12, "Net Filter Gain at 384khz:        "},
                                                 {13, "RMS power of Rzobel at 7khz:      "}};
}

void TestReport::bytes()
{
    QFETCH(Flag, full);
    QFETCH(QString, jzobel_c2);
    QFETCH(QString, jzobel_c3);
    QFETCH(QStringList, results);
    QFETCH(Lines, changed);
    DesignRecord rec = DesignRecord::startup();
    rec.jzobel_c2 = jzobel_c2;
    rec.jzobel_c3 = jzobel_c3;
    const ReportValues v{full, schematicCaptions(rec), {results[0], results[1], results[2], results[3]}};

    QStringList expected = kStartupReport;
    for (auto [number, text] : changed.asKeyValueRange())
        expected[number - 1] = text;
    QCOMPARE(reportBytes(v), (expected.join("\r\n") + "\r\n").toLatin1());
}

void TestReport::path_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("path");
    QTest::newRow("root")              << "/"        << "r.txt"           << QChar('/')  << "/r.txt";
    QTest::newRow("folder")            << "/tmp/a"   << "r.txt"           << QChar('/')  << "/tmp/a/r.txt";
    QTest::newRow("drive root")        << "C:\\"     << "r.txt"           << QChar('\\') << "C:\\r.txt";
    QTest::newRow("folder on a drive") << "C:\\work" << "r.txt"           << QChar('\\') << "C:\\work\\r.txt";
    QTest::newRow("name as typed")     << "/tmp"     << " My Report.TXT " << QChar('/')  << "/tmp/ My Report.TXT ";
}

void TestReport::path()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QChar, separator);
    QFETCH(QString, path);
    QCOMPARE(reportPath(folder, name, separator), path);
}

void TestReport::nameCheck_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("passes");
    QTest::newRow("report")      << "report"      << false;
    QTest::newRow("REPORT.TXT")  << "REPORT.TXT"  << true;
    QTest::newRow("a.txt.bak")   << "a.txt.bak"   << true;
    QTest::newRow("report.tx")   << "report.tx"   << false;
    QTest::newRow("report_txt")  << "report_txt"  << false;
    QTest::newRow("empty")       << ""            << false;
}

void TestReport::nameCheck()
{
    QFETCH(QString, name);
    QFETCH(bool, passes);
    QCOMPARE(isReportName(name), passes);
}

QTEST_APPLESS_MAIN(TestReport)
#include "tst_report.moc"
