// The selectors' value tables and the rules that accept or reject a typed text.
#include "core/valuelists.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(ListSelector)

class TestValueLists : public QObject
{
    Q_OBJECT

private slots:
    void items_data();
    void items();
    void accepted_data();
    void accepted();
    void speakerL_data();
    void speakerL();
};

void TestValueLists::items_data()
{
    QTest::addColumn<ListSelector>("selector");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("initial");
    const QStringList zobelCaps{"0",   ".047", ".082", ".1",  ".12", ".15", ".18", ".22",
                                ".27", ".33",  ".42",  ".47", ".56", ".68", ".82", "1.0"};
    QTest::newRow("filter_l_par")
        << ListSelector::filter_l_par
        << QStringList{"3", "5", "6", "8", "10", "12", "15", "18", "20", "22", "27", "36", "44", "50", "68", "82", "100"}
        << "22";
    QTest::newRow("filter_c_par")
        << ListSelector::filter_c_par
        << QStringList{"2.0", "1.8", "1.6", "1.5", "1.3", "1.2", "1.1", "1.0", ".82",
                       ".68", ".56", ".47", ".33", ".22", ".18", ".15", ".1"}
        << "1.0";
    QTest::newRow("zobel_c_par") << ListSelector::zobel_c_par << zobelCaps << ".1";
    QTest::newRow("zobel_r_par")
        << ListSelector::zobel_r_par
        << QStringList{"1",  "3",  "5",  "6",  "8",  "10", "12", "15", "18",
                       "20", "22", "27", "33", "47", "56", "68", "82", "100"}
        << "6";
    QTest::newRow("zobel_c_ser") << ListSelector::zobel_c_ser << zobelCaps << ".1";
    QTest::newRow("speaker_r_mode") << ListSelector::speaker_r_mode << QStringList{"8", "6", "4", "2"} << "8";
}

void TestValueLists::items()
{
    QFETCH(ListSelector, selector);
    QFETCH(QStringList, expected);
    QFETCH(QString, initial);
    QCOMPARE(listItems(selector), expected);
    QCOMPARE(initialText(selector), initial);
    QCOMPARE(selectorName(selector), QString::fromLatin1(QTest::currentDataTag()));
    // Every item is accepted, and the initial text is one of them.
    for (const QString &item : expected)
        QVERIFY2(acceptedValue(selector, item).has_value(), qPrintable(item));
    QVERIFY(expected.contains(initial));
}

void TestValueLists::accepted_data()
{
    QTest::addColumn<ListSelector>("selector");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");
    using S = ListSelector;
    QTest::newRow("filter L 22 uH") << S::filter_l_par << "22" << true << 2.2e-05;
    QTest::newRow("filter L 100 uH") << S::filter_l_par << "100" << true << 1e-04;
    QTest::newRow("filter L 3 uH") << S::filter_l_par << "3" << true << 3e-06;
    QTest::newRow("filter C stays in uF") << S::filter_c_par << ".82" << true << 0.82;
    QTest::newRow("filter C 1.0") << S::filter_c_par << "1.0" << true << 1.0;
    QTest::newRow("filter C .1") << S::filter_c_par << ".1" << true << 0.1;
    QTest::newRow("filter C 1 is no item") << S::filter_c_par << "1" << false << 0.0;
    QTest::newRow("filter C 2 is no item") << S::filter_c_par << "2" << false << 0.0;
    QTest::newRow("Zobel C .1 in farad") << S::zobel_c_par << ".1" << true << 1e-07;
    QTest::newRow("Zobel C 1.0") << S::zobel_c_par << "1.0" << true << 1e-06;
    QTest::newRow("Zobel C .047") << S::zobel_c_ser << ".047" << true << 4.7e-08;
    QTest::newRow("Zobel C 0 is exactly 0") << S::zobel_c_par << "0" << true << 0.0;
    QTest::newRow("series 0 too") << S::zobel_c_ser << "0" << true << 0.0;
    QTest::newRow("leading zero") << S::zobel_c_par << "0.1" << false << 0.0;
    QTest::newRow("trailing zero") << S::zobel_c_par << ".10" << false << 0.0;
    QTest::newRow("leading blank") << S::zobel_c_par << " .1" << false << 0.0;
    QTest::newRow("zero and point") << S::zobel_c_par << "0." << false << 0.0;
    QTest::newRow("empty") << S::zobel_r_par << "" << false << 0.0;
    QTest::newRow("Zobel R 6") << S::zobel_r_par << "6" << true << 6.0;
    QTest::newRow("Zobel R 39 is not stocked") << S::zobel_r_par << "39" << false << 0.0;
    QTest::newRow("speaker 8") << S::speaker_r_mode << "8" << true << 8.0;
    QTest::newRow("speaker 3") << S::speaker_r_mode << "3" << false << 0.0;
    QTest::newRow("speaker 8.0") << S::speaker_r_mode << "8.0" << false << 0.0;
}

void TestValueLists::accepted()
{
    QFETCH(ListSelector, selector);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    const std::optional<double> v = acceptedValue(selector, text);
    QCOMPARE(v.has_value(), accepted);
    if (accepted)
        QCOMPARE(*v, value);  // exact: the nearest double to the item's value
}

void TestValueLists::speakerL_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<double>("value");
    const int point = SpeakerLEntry::LonePoint, ok = SpeakerLEntry::Accepted, no = SpeakerLEntry::Rejected;
    QTest::newRow(".67") << ".67" << ok << 0.67;
    QTest::newRow(".5") << ".5" << ok << 0.5;
    QTest::newRow("1.") << "1." << ok << 1.0;
    QTest::newRow("0") << "0" << ok << 0.0;
    QTest::newRow("999") << "999" << ok << 999.0;
    QTest::newRow("999.") << "999." << ok << 999.0;
    QTest::newRow("+5") << "+5" << ok << 5.0;
    QTest::newRow("lone point") << "." << point << 0.0;
    QTest::newRow("negative") << "-1" << no << 0.0;
    QTest::newRow("1000 fails on value") << "1000" << no << 0.0;
    QTest::newRow("five characters") << "1.234" << no << 0.0;
    QTest::newRow("letters") << "abc" << no << 0.0;
    QTest::newRow("empty") << "" << no << 0.0;
    QTest::newRow("exponent") << "1e2" << no << 0.0;
    QTest::newRow("blank") << " 1" << no << 0.0;
    QTest::newRow("hexadecimal") << "0x1" << no << 0.0;
    QTest::newRow("inf") << "inf" << no << 0.0;
    QTest::newRow("nan") << "nan" << no << 0.0;
    QTest::newRow("two points") << "1.2." << no << 0.0;
    QTest::newRow("sign alone") << "-" << no << 0.0;
    QTest::newRow("sign and point") << "-." << no << 0.0;
    QTest::newRow("comma") << "1,5" << no << 0.0;
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0661)) << no << 0.0;
}

void TestValueLists::speakerL()
{
    QFETCH(QString, text);
    QFETCH(int, verdict);
    QFETCH(double, value);
    const SpeakerLEntry e = checkSpeakerL(text);
    QCOMPARE(int(e.verdict), verdict);
    if (verdict == SpeakerLEntry::Accepted)
        QCOMPARE(e.value, value);
}

QTEST_APPLESS_MAIN(TestValueLists)
#include "tst_valuelists.moc"
