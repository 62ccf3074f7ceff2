// A seeded session of random typing, deleting, pasting and picking across all seven inputs and the
// topology. After every step the record, the controls and the figures must agree with each other.
#include "app/form1.h"
#include "core/figuretext.h"
#include "testhelpers.h"

#include <random>

namespace {

constexpr int kSteps = 3000;

const char *const kFigureBoxes[] = {"Text_maxgain4", "Text_gain_20k", "Text_gain_384k", "Text_maxgain", "Text_netgain_20k", "Text_netgain_384k"};

double valueOf(const DesignRecord &r, ListSelector s)
{
    const double values[] = {r.filter_l_par_modeval, r.filter_c_par_modeval, r.zobel_c_parval,
                             r.zobel_r_parval, r.zobel_c_serval, double(r.speaker_r_modeval)};
    return values[int(s)];
}

QString rememberedOf(const DesignRecord &r, ListSelector s)
{
    const QString texts[] = {r.jfilter_l, r.jfilter_c, r.jzobel_c2, r.jzobel_r2, r.jzobel_c3, r.jspeaker_r};
    return texts[int(s)];
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

    Form1 *m_form = nullptr;
};

QString TestRobustness::act(std::mt19937 &rng)
{
    static const QString characters = QStringLiteral("0123456789..-+eax ,");
    const int input = int(rng() % 8);  // the six lists, Speaker_L, the topology
    if (input == 7) {
        childNamed<QAction>(m_form, rng() % 2 ? "Topol_Full_Bridge" : "Topol_Half_Bridge")->trigger();
        return "topology";
    }
    const bool speaker = input == 6;
    const ListSelector list = kAllListSelectors[input % 6];
    auto *combo = childNamed<QComboBox>(m_form, qPrintable(selectorName(list)));
    QLineEdit *edit = speaker ? childNamed<QLineEdit>(m_form, "Speaker_L") : combo->lineEdit();
    const QString name = speaker ? "Speaker_L" : selectorName(list);
    edit->setFocus();
    switch (rng() % 8) {
    case 0:
        if (!speaker) {
            const QString item = listItems(list)[int(rng() % listItems(list).size())];
            pickItem(combo, item);
            return name + " pick " + item;
        }
        edit->setText(QString::number(rng() % 2000 / (1 + rng() % 100), 'g', 1 + rng() % 5));
        QTest::keyClick(edit, Qt::Key_Shift);  // pasted, applied at the next key release
        return name + " paste " + edit->text();
    case 1:
        QTest::keyClick(edit, !speaker && rng() % 2 ? Qt::Key_Down : Qt::Key_Backspace);
        return name + " down/backspace";
    case 2:
        QTest::keyClick(edit, rng() % 2 ? Qt::Key_Home : Qt::Key_Delete);
        return name + " home/delete";
    case 3:
        edit->selectAll();
        [[fallthrough]];
    default: {
        const QChar c = characters[int(rng() % characters.size())];
        QTest::keyClicks(edit, QString(c));
        return name + " type " + c;
    }
    }
}

QString TestRobustness::check()
{
    const DesignRecord &r = m_form->design();
    for (ListSelector s : kAllListSelectors) {
        const QString remembered = rememberedOf(r, s);
        const std::optional<double> value = acceptedValue(s, remembered);
        if (!value || *value != valueOf(r, s))
            return selectorName(s) + " keeps a value that is not its text " + remembered;
        auto *combo = childNamed<QComboBox>(m_form, qPrintable(selectorName(s)));
        if (s != ListSelector::filter_l_par && combo->currentText() != remembered)
            return selectorName(s) + " shows " + combo->currentText() + " but keeps " + remembered;
        if (combo->count() != listItems(s).size())
            return selectorName(s) + " gained an item";
    }
    const SpeakerLEntry speaker = checkSpeakerL(r.speaker_l_valtxt);
    if (speaker.verdict == SpeakerLEntry::Rejected || (speaker.verdict == SpeakerLEntry::Accepted && speaker.value != r.actual_l_net))
        return "Speaker_L keeps " + QString::number(r.actual_l_net) + " for " + r.speaker_l_valtxt;
    if (textOf(m_form, "Speaker_L") != r.speaker_l_valtxt)
        return "Speaker_L shows " + textOf(m_form, "Speaker_L") + " but keeps " + r.speaker_l_valtxt;

    // What is on screen is what the sweeps give for the record as it now stands.
    DesignRecord copy = r;
    Curve impedance, plain, zobel;
    sweepImpedance(copy, impedance);
    const GainFigures p = sweepGainPlain(copy, plain), z = sweepGainZobel(copy, zobel);
    const QStringList expected{figureText(p.maximum), figureText(p.gain20k), figureText(p.gain384k),
                               figureText(z.maximum), figureText(z.gain20k), figureText(z.gain384k)};
    QStringList shown;
    for (const char *box : kFigureBoxes)
        shown << textOf(m_form, box);
    if (shown != expected || shown.join(' ').contains(QRegularExpression("nan|inf")))
        return "figures " + shown.join(' ') + ", expected " + expected.join(' ');
    for (const auto &[graph, curve] : {std::pair{"CWGraph1", &impedance}, std::pair{"CWGraph3", &plain}, std::pair{"CWGraph4", &zobel}}) {
        auto *g = childNamed<GraphControl>(m_form, graph);
        for (int i : {1, 200, 3840, 10000})
            if (g->curveY(i) != curve->y[i] || !std::isfinite(curve->y[i]))
                return QString(graph) + " differs at point " + QString::number(i);
    }
    return {};
}

void TestRobustness::randomSession()
{
    m_form = openWindow<Form1>();
    std::mt19937 rng(20261206);
    QStringList recent;
    for (int step = 0; step < kSteps; ++step) {
        recent << act(rng);
        if (recent.size() > 8)
            recent.removeFirst();
        const QString fault = check();
        if (!fault.isEmpty())
            QFAIL(qPrintable(QStringLiteral("step %1: %2 after: %3").arg(step).arg(fault, recent.join(" | "))));
        if (step % 200 == 0)
            QCoreApplication::processEvents();  // let the queued replots run now and then
    }
    delete m_form;
}

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
