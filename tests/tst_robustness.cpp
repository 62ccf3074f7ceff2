// A seeded session of random typing, deleting, pasting and picking across all seven inputs and the
// topology. After every step what each input keeps must follow its rule, and the figures must be
// those of a network solved here for the design as it stands.
#include "app/form1.h"
#include "testhelpers.h"

#include <QRegularExpression>

#include <random>

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void randomSession()
    {
        Form1 *form = openWindow<Form1>();
        std::mt19937 rng(20261206);
        for (int step = 0; step < 1000; ++step) {
            act(form, rng);
            if (const QString fault = check(form); !fault.isEmpty())
                QFAIL(qPrintable(QStringLiteral("step %1: %2").arg(step).arg(fault)));
        }
        delete form;
    }

private:
    static void act(Form1 *form, std::mt19937 &rng)
    {
        static const QString characters = QStringLiteral("0123456789..-+eax ,");
        const int input = int(rng() % 8);  // the six lists, Speaker_L, the topology
        if (input == 7) {
            childNamed<QAction>(form, rng() % 2 ? "Topol_Full_Bridge" : "Topol_Half_Bridge")
                ->trigger();
            return;
        }
        const ListSelector list = kAllListSelectors[input % 6];
        auto *combo = childNamed<QComboBox>(form, qPrintable(selectorName(list)));
        QLineEdit *edit = input == 6 ? childNamed<QLineEdit>(form, "Speaker_L") : combo->lineEdit();
        edit->setFocus();
        switch (rng() % 6) {
            case 0:
                if (input == 6) {  // pasted, applied at the next key release
                    edit->setText(
                        QString::number(rng() % 2000 / (1 + rng() % 100), 'g', 1 + rng() % 5));
                    QTest::keyClick(edit, Qt::Key_Shift);
                    return;
                }
                pickItem(combo, listItems(list)[int(rng() % listItems(list).size())]);
                return;
            case 1:
                QTest::keyClick(edit, input < 6 && rng() % 2 ? Qt::Key_Down : Qt::Key_Backspace);
                return;
            case 2: edit->selectAll(); [[fallthrough]];
            default: QTest::keyClicks(edit, QString(characters[int(rng() % characters.size())]));
        }
    }

    // What a list keeps is one of its items, at the item's value; Speaker_L shows the text it
    // keeps, a plain decimal of at most four characters from 0 to 999 at its value (or a lone
    // point); the figures are the reference's for the design as it now stands.
    static QString check(Form1 *form)
    {
        const DesignRecord &r = form->design();
        for (ListSelector s : kAllListSelectors) {
            const auto [value, text] = keptBy(r, selectorName(s));
            auto *combo = childNamed<QComboBox>(form, qPrintable(selectorName(s)));
            const bool micro = s == ListSelector::filter_l_par || s == ListSelector::zobel_c_par ||
                               s == ListSelector::zobel_c_ser;
            const double expected = text.toDouble() * (micro ? 1e-6 : 1);
            if (!listItems(s).contains(text) || std::fabs(value - expected) > 1e-15 * expected ||
                (s != ListSelector::filter_l_par && combo->currentText() != text))
                return selectorName(s) + " shows " + combo->currentText() + " and keeps " + text;
        }
        static const QRegularExpression plain("^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$");
        const QString l = r.speaker_l_valtxt;
        if (textOf(form, "Speaker_L") != l ||
            (l != "." && (!plain.match(l).hasMatch() || l.size() > 4 || l.toDouble() < 0 ||
                          l.toDouble() > 999 || l.toDouble() != r.actual_l_net)))
            return "Speaker_L shows " + textOf(form, "Speaker_L") + " and keeps " + l;
        QStringList expected;
        for (bool zobel : {false, true})
            for (double v : reference::gainFigures(r, zobel)) expected << reference::figureText(v);
        const QStringList shown = texts(form, kFigureBoxes);
        if (shown != expected)
            return "figures " + shown.join(' ') + ", expected " + expected.join(' ');
        return {};
    }
};

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
