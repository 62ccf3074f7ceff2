// A seeded session of random typing, deleting, pasting and picking across all seven inputs and the
// topology. After every step the record, the controls and the figures must agree with each other.
#include "app/form1.h"
#include "core/entryrule.h"
#include "core/figuretext.h"
#include "testhelpers.h"

#include <random>

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void randomSession()
    {
        Form1 *form = openWindow<Form1>();
        std::mt19937 rng(20261206);
        QStringList recent;
        for (int step = 0; step < 2000; ++step) {
            recent = (recent << act(form, rng)).mid(qMax(0, recent.size() - 7));
            if (const QString fault = check(form); !fault.isEmpty())
                QFAIL(qPrintable(QStringLiteral("step %1: %2 after: %3").arg(step).arg(fault, recent.join(" | "))));
            if (step % 200 == 0)
                QCoreApplication::processEvents();  // let the queued replots run now and then
        }
        delete form;
    }

private:
    static QString act(Form1 *form, std::mt19937 &rng)
    {
        static const QString characters = QStringLiteral("0123456789..-+eax ,");
        const int input = int(rng() % 8);  // the six lists, Speaker_L, the topology
        if (input == 7) {
            childNamed<QAction>(form, rng() % 2 ? "Topol_Full_Bridge" : "Topol_Half_Bridge")->trigger();
            return "topology";
        }
        const ListSelector list = kAllListSelectors[input % 6];
        auto *combo = childNamed<QComboBox>(form, qPrintable(selectorName(list)));
        QLineEdit *edit = input == 6 ? childNamed<QLineEdit>(form, "Speaker_L") : combo->lineEdit();
        const QString name = input == 6 ? "Speaker_L" : selectorName(list);
        edit->setFocus();
        switch (rng() % 8) {
        case 0:
            if (input == 6) {  // pasted, applied at the next key release
                edit->setText(QString::number(rng() % 2000 / (1 + rng() % 100), 'g', 1 + rng() % 5));
                QTest::keyClick(edit, Qt::Key_Shift);
                return name + " paste " + edit->text();
            }
            pickItem(combo, listItems(list)[int(rng() % listItems(list).size())]);
            return name + " pick " + combo->currentText();
        case 1: QTest::keyClick(edit, input < 6 && rng() % 2 ? Qt::Key_Down : Qt::Key_Backspace); return name + " down/backspace";
        case 2: QTest::keyClick(edit, rng() % 2 ? Qt::Key_Home : Qt::Key_Delete); return name + " home/delete";
        case 3: edit->selectAll(); [[fallthrough]];
        default: {
            const QChar c = characters[int(rng() % characters.size())];
            QTest::keyClicks(edit, QString(c));
            return name + " type " + c;
        }
        }
    }

    static QString check(Form1 *form)
    {
        const DesignRecord &r = form->design();
        for (ListSelector s : kAllListSelectors) {
            const auto [value, text] = keptBy(r, selectorName(s));
            auto *combo = childNamed<QComboBox>(form, qPrintable(selectorName(s)));
            if (acceptedValue(s, text) != value || (s != ListSelector::filter_l_par && combo->currentText() != text) || combo->count() != listItems(s).size())
                return selectorName(s) + " shows " + combo->currentText() + " and keeps " + text + " = " + QString::number(value);
        }
        const Entry speaker = checkEntry(kSpeakerLRule, r.speaker_l_valtxt);
        if (speaker.verdict == Entry::Rejected || (speaker.verdict == Entry::Accepted && speaker.value != r.actual_l_net) ||
            textOf(form, "Speaker_L") != r.speaker_l_valtxt)
            return "Speaker_L shows " + textOf(form, "Speaker_L") + " and keeps " + r.speaker_l_valtxt + " = " + QString::number(r.actual_l_net);
        // What is on screen is what the sweeps give for the record as it now stands.
        DesignAnalysis a;
        analyseDesign(r, 50, a);
        const Curve &impedance = a.impedance, &plain = a.gain, &zobel = a.gainZobel;
        const GainFigures &p = a.gainFigures, &z = a.gainZobelFigures;
        const QStringList expected{figureText(p.maximum), figureText(p.gain20k), figureText(p.gain384k),
                                   figureText(z.maximum), figureText(z.gain20k), figureText(z.gain384k)};
        const QStringList shown = texts(form, kFigureBoxes);
        if (shown != expected || shown.join(' ').contains(QRegularExpression("nan|inf")))
            return "figures " + shown.join(' ') + ", expected " + expected.join(' ');
        for (const auto &[graph, curve] : {std::pair{"CWGraph1", &impedance}, std::pair{"CWGraph3", &plain}, std::pair{"CWGraph4", &zobel}})
            for (int i : {1, 200, 3840, 10000})
                if (childNamed<GraphControl>(form, graph)->curveY(i) != curve->y[i] || !std::isfinite(curve->y[i]))
                    return QString(graph) + " differs at point " + QString::number(i);
        return {};
    }
};

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
