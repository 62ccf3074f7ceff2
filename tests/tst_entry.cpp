// Value entry through the real widgets: picking, typing and the speaker-inductance box, and how
// much recalculation each user event runs.
#include "app/form1.h"
#include "widgets/valuecombo.h"
#include "widgets/graphcontrol.h"
#include "testhelpers.h"

#include <QKeyEvent>

namespace {

RunCounts operator-(const RunCounts &a, const RunCounts &b)
{
    return {a.recalculate - b.recalculate, a.impedance - b.impedance, a.gainPlain - b.gainPlain,
            a.gainZobel - b.gainZobel};
}

}  // namespace

class TestEntry : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsHoldTheirItems();
    void startupValues();
    void pickingItems_data();
    void pickingItems();
    void typedTextThatIsNoItemSnapsBack();
    void arrowKeysSelect();
    void typingDigitByDigit_data();
    void typingDigitByDigit();
    void filterLIgnoresTyping();
    void speakerL_data();
    void speakerL();
    void speakerLTypedCharacterByCharacter();
    void speakerLReactsToKeyReleaseOnly();
    void sweepsPerEvent_data();
    void sweepsPerEvent();
    void recalculationWithoutCursorsKeepsReadoutsHidden();

private:
    ValueCombo *combo(const char *name) { return childNamed<ValueCombo>(m_form, name); }
    QLineEdit *speakerBox() { return childNamed<QLineEdit>(m_form, "Speaker_L"); }
    QString box(const char *name) { return childNamed<QLineEdit>(m_form, name)->text(); }

    Form1 *m_form = nullptr;
};

void TestEntry::init()
{
    m_form = new Form1;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestEntry::cleanup()
{
    delete m_form;
    m_form = nullptr;
}

void TestEntry::listsHoldTheirItems()
{
    // The drop-downs hold their tables' items in order and show the initial texts.
    for (ListSelector s : kAllListSelectors) {
        QComboBox *c = combo(qPrintable(selectorName(s)));
        QStringList actual;
        for (int i = 0; i < c->count(); ++i)
            actual << c->itemText(i);
        QCOMPARE(actual, listItems(s));
        QCOMPARE(c->currentText(), initialText(s));
        QVERIFY(c->isEditable());
    }
}

void TestEntry::startupValues()
{
    QCOMPARE(m_form->filter_l_par_modeval(), 2.2e-05);
    QCOMPARE(m_form->filter_c_par_modeval(), 1.0);
    QCOMPARE(m_form->zobel_c_parval(), 1e-07);
    QCOMPARE(m_form->zobel_c_serval(), 1e-07);
    QCOMPARE(m_form->zobel_r_parval(), 6.0);
    QCOMPARE(m_form->speaker_r_modeval(), 8);
    QCOMPARE(m_form->actual_l_net(), 0.67);
    QCOMPARE(m_form->full_bridge_select(), kFlagFalse);
    QCOMPARE((QStringList{m_form->jfilter_l(), m_form->jfilter_c(), m_form->jspeaker_r(), m_form->jzobel_c2(),
                          m_form->jzobel_c3(), m_form->jzobel_r2(), m_form->speaker_l_valtxt()}),
             (QStringList{"22", "1.0", "8", ".1", ".1", "6", ".67"}));
    const SchematicCaptions &c = m_form->schematicCaptions();
    QCOMPARE((QStringList{c.lfilter, c.cfilter, c.rzobel_par, c.czobel_par, c.czobel_ser, c.lspeaker, c.rspeaker}),
             (QStringList{"22uH", "1.0uF", "6", ".1uF", ".1uF", ".67mH", "8"}));
    // Nine recalculations: three from the Zobel lists, six from the remaining defaults.
    QCOMPARE(m_form->runCounts().recalculate, 9);
}

void TestEntry::pickingItems_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("value");
    QTest::newRow("no parallel Zobel C") << "zobel_c_par" << "0" << "no cap." << 0.0;
    QTest::newRow("no series Zobel C") << "zobel_c_ser" << "0" << "0uF" << 0.0;
    QTest::newRow("Zobel C .47") << "zobel_c_par" << ".47" << ".47uF" << 4.7e-07;
    QTest::newRow("Zobel R 47") << "zobel_r_par" << "47" << "47" << 47.0;
    QTest::newRow("filter L 100") << "filter_l_par" << "100" << "100uH" << 1e-04;
    QTest::newRow("filter C .1") << "filter_c_par" << ".1" << ".1uF" << 0.1;
    QTest::newRow("speaker 4") << "speaker_r_mode" << "4" << "4" << 4.0;
    QTest::newRow("item already shown") << "filter_c_par" << "1.0" << "1.0uF" << 1.0;
}

void TestEntry::pickingItems()
{
    QFETCH(QString, selector);
    QFETCH(QString, item);
    QFETCH(QString, caption);
    QFETCH(double, value);
    const QList<double> before = curveOf(m_form, "CWGraph4");
    QVERIFY(pickItem(combo(qPrintable(selector)), item));
    QCOMPARE(combo(qPrintable(selector))->currentText(), item);

    const DesignRecord &r = m_form->design();
    const SchematicCaptions &c = m_form->schematicCaptions();
    const QMap<QString, std::tuple<double, QString, QString>> fields{
        {"zobel_c_par", {r.zobel_c_parval, r.jzobel_c2, c.czobel_par}},
        {"zobel_c_ser", {r.zobel_c_serval, r.jzobel_c3, c.czobel_ser}},
        {"zobel_r_par", {r.zobel_r_parval, r.jzobel_r2, c.rzobel_par}},
        {"filter_l_par", {r.filter_l_par_modeval, r.jfilter_l, c.lfilter}},
        {"filter_c_par", {r.filter_c_par_modeval, r.jfilter_c, c.cfilter}},
        {"speaker_r_mode", {double(r.speaker_r_modeval), r.jspeaker_r, c.rspeaker}},
    };
    const auto [actual, remembered, shownCaption] = fields.value(selector);
    QCOMPARE(actual, value);
    QCOMPARE(remembered, item);
    QCOMPARE(shownCaption, caption);
    // Fig. 3 follows every new value; picking the item already shown changes nothing.
    QCOMPARE(curveOf(m_form, "CWGraph4") == before, QTest::currentDataTag() == QLatin1String("item already shown"));
}

void TestEntry::typedTextThatIsNoItemSnapsBack()
{
    ValueCombo *c = combo("filter_c_par");
    typeOver(c->lineEdit(), "2");
    QCOMPARE(c->currentText(), QStringLiteral("1.0"));
    QCOMPARE(m_form->filter_c_par_modeval(), 1.0);
    QCOMPARE(m_form->jfilter_c(), QStringLiteral("1.0"));
    QCOMPARE(c->count(), 17);
}

void TestEntry::arrowKeysSelect()
{
    ValueCombo *c = combo("zobel_r_par");
    c->lineEdit()->setFocus();
    const RunCounts before = m_form->runCounts();
    QTest::keyClick(c->lineEdit(), Qt::Key_Down);
    QCOMPARE(c->currentText(), QStringLiteral("8"));
    QCOMPARE(m_form->zobel_r_parval(), 8.0);
    // A selection: the change handling, then Fig. 3 once more.
    QCOMPARE(m_form->runCounts().recalculate - before.recalculate, 1);
    QCOMPARE(m_form->runCounts().gainZobel - before.gainZobel, 2);
    QTest::keyClick(c->lineEdit(), Qt::Key_Up);
    QTest::keyClick(c->lineEdit(), Qt::Key_Up);
    QCOMPARE(c->currentText(), QStringLiteral("5"));
    QCOMPARE(m_form->jzobel_r2(), QStringLiteral("5"));
}

void TestEntry::typingDigitByDigit_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("remembered");
    // "0" is taken (no capacitor); "0." is not an item and goes back to "0", and so does "01".
    QTest::newRow("0.1 into zobel_c_par") << "zobel_c_par" << "0.1" << "0" << "0";
    QTest::newRow("10 into zobel_r_par") << "zobel_r_par" << "10" << "10" << "10";
    QTest::newRow("1 into filter_c_par") << "filter_c_par" << "1" << "1.0" << "1.0";
    QTest::newRow("into speaker_r_mode") << "speaker_r_mode" << "2" << "2" << "2";
}

void TestEntry::typingDigitByDigit()
{
    QFETCH(QString, selector);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, remembered);
    ValueCombo *c = combo(qPrintable(selector));
    typeOver(c->lineEdit(), typed);
    QCOMPARE(c->currentText(), shown);
    const QMap<QString, QString> texts{{"zobel_c_par", m_form->jzobel_c2()},
                                       {"zobel_r_par", m_form->jzobel_r2()},
                                       {"filter_c_par", m_form->jfilter_c()},
                                       {"speaker_r_mode", m_form->jspeaker_r()}};
    QCOMPARE(texts.value(selector), remembered);
    // Typed text never adds an item.
    for (ListSelector s : kAllListSelectors) {
        if (selectorName(s) == selector)
            QCOMPARE(c->count(), listItems(s).size());
    }
}

void TestEntry::filterLIgnoresTyping()
{
    ValueCombo *c = combo("filter_l_par");
    const int runs = m_form->runCounts().recalculate;
    typeOver(c->lineEdit(), "100");
    QTest::keyClick(c->lineEdit(), Qt::Key_Return);
    c->lineEdit()->clearFocus();  // leaving the field selects nothing either
    speakerBox()->setFocus();
    QCOMPARE(c->currentText(), QStringLiteral("100"));
    QCOMPARE(m_form->filter_l_par_modeval(), 2.2e-05);
    QCOMPARE(m_form->jfilter_l(), QStringLiteral("22"));
    QCOMPARE(m_form->runCounts().recalculate, runs);
    QCOMPARE(c->count(), 17);
    // Picking an item then takes effect, and shows the item.
    QVERIFY(pickItem(c, "50"));
    QCOMPARE(m_form->filter_l_par_modeval(), 5e-05);
    QCOMPARE(c->currentText(), QStringLiteral("50"));
}

void TestEntry::speakerL_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("mH");
    QTest::newRow(".5") << ".5" << ".5" << 0.5;
    QTest::newRow("negative") << "-1" << ".67" << 0.67;
    QTest::newRow("1000") << "1000" << ".67" << 0.67;
    QTest::newRow("emptied") << "" << ".67" << 0.67;
    QTest::newRow("lone point") << "." << "." << 0.67;
    QTest::newRow("zero") << "0" << "0" << 0.0;
}

void TestEntry::speakerL()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(double, mH);
    // The text arrives without typing (as a paste would) and takes effect on the next key
    // release, here of a navigation key.
    QLineEdit *edit = speakerBox();
    edit->setFocus();
    edit->setText(text);
    QCOMPARE(m_form->actual_l_net(), 0.67);
    QTest::keyClick(edit, Qt::Key_End);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(m_form->actual_l_net(), mH);
    QCOMPARE(m_form->speaker_l_valtxt(), shown);
    QCOMPARE(m_form->schematicCaptions().lspeaker, shown + "mH");
    QCOMPARE(m_form->L1(), mH * 0.001);
}

void TestEntry::speakerLTypedCharacterByCharacter()
{
    QLineEdit *edit = speakerBox();
    typeOver(edit, ".5");
    QCOMPARE(edit->text(), QStringLiteral(".5"));
    QCOMPARE(m_form->actual_l_net(), 0.5);
    // A fifth character is undone at once.
    QTest::keyClicks(edit, "55");
    QCOMPARE(edit->text(), QStringLiteral(".555"));
    QTest::keyClick(edit, Qt::Key_5);
    QCOMPARE(edit->text(), QStringLiteral(".555"));
    QCOMPARE(m_form->actual_l_net(), 0.555);
    // Deleting everything puts the last accepted text back.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QStringLiteral(".555"));
}

void TestEntry::speakerLReactsToKeyReleaseOnly()
{
    QLineEdit *edit = speakerBox();
    edit->setFocus();
    const int runs = m_form->runCounts().recalculate;
    // A held key: presses and auto-repeated releases change the text but run nothing.
    edit->selectAll();
    for (int i = 0; i < 5; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7", i > 0);
        QCoreApplication::sendEvent(edit, &press);
        if (i < 4) {
            QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_7, Qt::NoModifier, "7", true);
            QCoreApplication::sendEvent(edit, &repeatRelease);
        }
    }
    QCOMPARE(edit->text(), QStringLiteral("77777"));
    QCOMPARE(m_form->runCounts().recalculate, runs);
    QCOMPARE(m_form->actual_l_net(), 0.67);
    // The final release tests the whole text once: five characters are too many.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_7, Qt::NoModifier, "7", false);
    QCoreApplication::sendEvent(edit, &release);
    QCOMPARE(edit->text(), QStringLiteral(".67"));
    QCOMPARE(m_form->runCounts().recalculate, runs + 1);
    // A shift key release counts as well.
    edit->setText("2");
    QTest::keyClick(edit, Qt::Key_Shift);
    QCOMPARE(m_form->actual_l_net(), 2.0);
}

void TestEntry::sweepsPerEvent_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("recalculations");
    QTest::addColumn<int>("impedance");
    QTest::addColumn<int>("zobel");
    QTest::newRow("pick in a Zobel list") << "pick zobel_r_par 10" << 1 << 1 << 2;
    QTest::newRow("pick speaker R") << "pick speaker_r_mode 6" << 2 << 2 << 2;
    QTest::newRow("pick filter C") << "pick filter_c_par .82" << 1 << 1 << 1;
    QTest::newRow("pick filter L") << "pick filter_l_par 36" << 1 << 1 << 1;
    QTest::newRow("pick the item already shown") << "pick filter_c_par 1.0" << 1 << 1 << 1;
    QTest::newRow("accepted keystroke in a Zobel list") << "type zobel_r_par 8" << 1 << 1 << 1;
    QTest::newRow("rejected keystroke runs once more, nested") << "type zobel_r_par 9" << 2 << 2 << 2;
    QTest::newRow("keystroke in filter L") << "type filter_l_par 9" << 0 << 0 << 0;
    QTest::newRow("key in Speaker_L") << "type Speaker_L 1" << 1 << 1 << 1;
    QTest::newRow("topology") << "full" << 1 << 1 << 1;
    QTest::newRow("click on Fig. 1") << "click CWGraph1" << 0 << 1 << 0;
    QTest::newRow("click on Fig. 3") << "click CWGraph4" << 0 << 0 << 1;
}

void TestEntry::sweepsPerEvent()
{
    QFETCH(QString, event);
    QFETCH(int, recalculations);
    QFETCH(int, impedance);
    QFETCH(int, zobel);
    const QStringList words = event.split(' ');
    const RunCounts before = m_form->runCounts();
    if (words[0] == "pick") {
        QVERIFY(pickItem(combo(qPrintable(words[1])), words[2]));
    } else if (words[0] == "type") {
        QLineEdit *edit = words[1] == "Speaker_L" ? speakerBox() : combo(qPrintable(words[1]))->lineEdit();
        typeOver(edit, words[2]);
    } else if (words[0] == "full") {
        childNamed<QAction>(m_form, "Topol_Full_Bridge")->trigger();
    } else if (words[0] == "click") {
        QWidget *plot = childNamed<QWidget>(m_form, qPrintable(words[1]))->findChild<QWidget *>();
        QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(plot->width() / 3, plot->height() / 2));
    }
    const RunCounts d = m_form->runCounts() - before;
    QCOMPARE(d.recalculate, recalculations);
    QCOMPARE(d.impedance, impedance);
    QCOMPARE(d.gainZobel, zobel);
    if (words[0] == "click")
        QCOMPARE(d.gainPlain, 0);
}

void TestEntry::recalculationWithoutCursorsKeepsReadoutsHidden()
{
    QVERIFY(pickItem(combo("filter_c_par"), ".47"));
    for (const char *name : {"Text_coordx1", "Text_coordy1", "Text_coordx2", "Text_coordy2",
                             "Text_coordx3", "Text_coordy3"}) {
        QLineEdit *b = childNamed<QLineEdit>(m_form, name);
        QVERIFY2(!b->isVisible(), name);
        QVERIFY(b->text().isEmpty());
    }
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
