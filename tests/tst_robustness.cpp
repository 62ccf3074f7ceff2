// A long seeded session of random typing, deleting and picking across all seven inputs. After
// every step the design record, the controls and the figures must agree with each other.
#include "core/figuretext.h"
#include "core/sweeps.h"
#include "app/form1.h"
#include "widgets/valuecombo.h"
#include "widgets/graphcontrol.h"
#include "testhelpers.h"

#include <random>

namespace {

constexpr int kSteps = 20000;
constexpr unsigned kSeed = 20261206;

double designValue(const DesignRecord &r, ListSelector s)
{
    switch (s) {
    case ListSelector::filter_l_par: return r.filter_l_par_modeval;
    case ListSelector::filter_c_par: return r.filter_c_par_modeval;
    case ListSelector::zobel_c_par: return r.zobel_c_parval;
    case ListSelector::zobel_r_par: return r.zobel_r_parval;
    case ListSelector::zobel_c_ser: return r.zobel_c_serval;
    case ListSelector::speaker_r_mode: return r.speaker_r_modeval;
    }
    return 0;
}

QString rememberedText(const DesignRecord &r, ListSelector s)
{
    switch (s) {
    case ListSelector::filter_l_par: return r.jfilter_l;
    case ListSelector::filter_c_par: return r.jfilter_c;
    case ListSelector::zobel_c_par: return r.jzobel_c2;
    case ListSelector::zobel_r_par: return r.jzobel_r2;
    case ListSelector::zobel_c_ser: return r.jzobel_c3;
    case ListSelector::speaker_r_mode: return r.jspeaker_r;
    }
    return {};
}

}  // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void randomSession();

private:
    QString act(std::mt19937 &rng);
    QString check();
    QString typeInto(QLineEdit *edit, std::mt19937 &rng);

    Form1 *m_form = nullptr;
    QLineEdit *m_speakerL = nullptr;
    QList<QPair<ListSelector, ValueCombo *>> m_combos;
};

QString TestRobustness::typeInto(QLineEdit *edit, std::mt19937 &rng)
{
    static const QString characters = QStringLiteral("0123456789..-+eax ,");
    static const Qt::Key moves[] = {Qt::Key_Home, Qt::Key_End, Qt::Key_Left, Qt::Key_Right};
    edit->setFocus();
    switch (rng() % 6) {
    case 0:
        QTest::keyClick(edit, Qt::Key_Backspace);
        return QStringLiteral("backspace");
    case 1:
        QTest::keyClick(edit, Qt::Key_Delete);
        return QStringLiteral("delete");
    case 2: {
        const Qt::Key key = moves[rng() % 4];
        QTest::keyClick(edit, key);
        return QStringLiteral("move %1").arg(int(key));
    }
    case 3:
        edit->selectAll();
        [[fallthrough]];
    default: {
        const QChar c = characters[int(rng() % characters.size())];
        QTest::keyClicks(edit, QString(c));
        return QStringLiteral("type '%1'").arg(c);
    }
    }
}

QString TestRobustness::act(std::mt19937 &rng)
{
    const int input = int(rng() % 7);
    if (input == 6) {
        if (rng() % 10 == 0) {  // a text pasted with the mouse, applied at the next key release
            const QString pasted = QString::number(rng() % 2000 / (1 + rng() % 100), 'g', 1 + rng() % 5);
            m_speakerL->setText(pasted);
            QTest::keyClick(m_speakerL, Qt::Key_Shift);
            return "Speaker_L paste " + pasted;
        }
        return "Speaker_L " + typeInto(m_speakerL, rng);
    }
    auto [list, combo] = m_combos[input];
    const QString name = selectorName(list);
    switch (rng() % 4) {
    case 0: {
        const QStringList &items = listItems(list);
        const QString item = items[int(rng() % items.size())];
        if (rng() % 8 == 0) {
            if (!pickItem(combo, item))
                return name + " pick failed";
        } else {
            // One step up or down the list with an arrow key: also a selection.
            combo->lineEdit()->setFocus();
            QTest::keyClick(combo->lineEdit(), rng() % 2 ? Qt::Key_Down : Qt::Key_Up);
            return name + " arrow";
        }
        return name + " pick " + item;
    }
    default:
        return name + " " + typeInto(combo->lineEdit(), rng);
    }
}

QString TestRobustness::check()
{
    const DesignRecord &r = m_form->design();
    for (const auto &[list, combo] : m_combos) {
        const QString remembered = rememberedText(r, list);
        const std::optional<double> value = acceptedValue(list, remembered);
        if (!value)
            return selectorName(list) + " remembers an unaccepted text: " + remembered;
        if (*value != designValue(r, list))
            return selectorName(list) + " value differs from its text " + remembered;
        if (list != ListSelector::filter_l_par && combo->currentText() != remembered)
            return selectorName(list) + " shows " + combo->currentText() + " but remembers " + remembered;
        if (combo->count() != listItems(list).size())
            return selectorName(list) + " gained an item";
    }
    const SpeakerLEntry speaker = checkSpeakerL(r.speaker_l_valtxt);
    if (speaker.verdict == SpeakerLEntry::Rejected)
        return "Speaker_L remembers an unaccepted text: " + r.speaker_l_valtxt;
    if (speaker.verdict == SpeakerLEntry::Accepted && speaker.value != r.actual_l_net)
        return "actual_l_net differs from " + r.speaker_l_valtxt;
    if (m_speakerL->text() != r.speaker_l_valtxt)
        return "Speaker_L shows " + m_speakerL->text() + " but remembers " + r.speaker_l_valtxt;

    // The figures on screen are those the sweeps give for the record.
    DesignRecord copy = r;
    Curve impedance, plain, zobel;
    sweepImpedance(copy, impedance);
    const GainFigures p = sweepGainPlain(copy, plain);
    const GainFigures z = sweepGainZobel(copy, zobel);
    const QStringList expected{figureText(p.maximum), figureText(p.gain20k), figureText(p.gain384k),
                               figureText(z.maximum), figureText(z.gain20k), figureText(z.gain384k)};
    QStringList shown;
    for (const char *name : {"Text_maxgain4", "Text_gain_20k", "Text_gain_384k", "Text_maxgain",
                             "Text_netgain_20k", "Text_netgain_384k"})
        shown << childNamed<QLineEdit>(m_form, name)->text();
    if (shown != expected)
        return "figures " + shown.join(' ') + " expected " + expected.join(' ');
    for (const QString &f : shown)
        if (f.contains("nan") || f.contains("inf"))
            return "figure not finite: " + f;
    for (const auto &[graph, curve] : {std::pair{"CWGraph1", &impedance}, std::pair{"CWGraph3", &plain},
                                       std::pair{"CWGraph4", &zobel}}) {
        auto *g = childNamed<GraphControl>(m_form, graph);
        for (int i : {1, 200, 3840, 10000})
            if (g->curveY(i) != curve->y[i] || !std::isfinite(curve->y[i]))
                return QString(graph) + " curve differs at point " + QString::number(i);
    }
    return {};
}

void TestRobustness::randomSession()
{
    Form1 form;
    m_form = &form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    m_speakerL = childNamed<QLineEdit>(&form, "Speaker_L");
    for (ListSelector s : kAllListSelectors)
        m_combos << qMakePair(s, childNamed<ValueCombo>(&form, qPrintable(selectorName(s))));
    // Inputs 0..5 are the lists in a fixed order, 6 is the speaker inductance.
    std::mt19937 rng(kSeed);
    QStringList recent;
    for (int step = 0; step < kSteps; ++step) {
        recent << act(rng);
        if (recent.size() > 8)
            recent.removeFirst();
        const QString fault = check();
        if (!fault.isEmpty())
            QFAIL(qPrintable(QStringLiteral("step %1: %2 after: %3").arg(step).arg(fault, recent.join(" | "))));
        if (step % 500 == 0)
            QCoreApplication::processEvents();  // let the queued replots run now and then
    }
    QVERIFY(form.runCounts().recalculate > kSteps / 2);
}

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
