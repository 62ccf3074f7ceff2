// A seeded session of random typing, deleting and picking across all seven inputs and the
// topology. After every step the speaker inductance must follow its rule, and the figures must be
// those of a network solved here for the design as it stands.
#include "app/form1.h"
#include "testhelpers.h"

#include <QRegularExpression>

#include <random>

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    // After each step Speaker_L shows the text it keeps, a plain decimal of at most four
    // characters from 0 to 999 at its value (or a lone point), and the figures are the
    // reference's for the design as it now stands (what each list keeps included).
    void randomSession()
    {
        Form1 *form = openWindow<Form1>();
        std::mt19937 rng(20261206);
        static const QString characters = QStringLiteral("0123456789..-+eax ,");
        static const QRegularExpression plain("^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$");
        for (int step = 0; step < 1000; ++step) {
            const int input = int(rng() % 8);  // the six lists, Speaker_L, the topology
            const unsigned action = rng() % 6;
            const ListSelector list = kAllListSelectors[input % 6];
            auto *combo = childNamed<QComboBox>(form, qPrintable(selectorName(list)));
            QLineEdit *edit =
                input == 6 ? childNamed<QLineEdit>(form, "Speaker_L") : combo->lineEdit();
            edit->setFocus();
            if (input == 7)
                childNamed<QAction>(form, action % 2 ? "Topol_Full_Bridge" : "Topol_Half_Bridge")
                    ->trigger();
            else if (action == 0)
                pickItem(combo, listItems(list)[int(rng() % listItems(list).size())]);
            else if (action == 1)
                QTest::keyClick(edit, input < 6 && rng() % 2 ? Qt::Key_Down : Qt::Key_Backspace);
            else if (action == 2)
                edit->selectAll();
            if (input != 7 && action >= 2)
                QTest::keyClicks(edit, QString(characters[int(rng() % characters.size())]));
            const QString at = QString::number(step) + ": ";
            const DesignRecord &r = form->design();
            const QString &l = r.speaker_l_valtxt;
            QVERIFY2(textOf(form, "Speaker_L") == l &&
                         (l == "." || (plain.match(l).hasMatch() && l.size() <= 4 &&
                                       l.toDouble() <= 999 && l.toDouble() == r.actual_l_net)),
                     qPrintable(at + textOf(form, "Speaker_L") + " kept as " + l));
            QStringList expected;
            for (double v : reference::gainFigures(r, false)) expected << reference::figureText(v);
            for (double v : reference::gainFigures(r, true)) expected << reference::figureText(v);
            QVERIFY2(texts(form, kFigureBoxes) == expected, qPrintable(at + expected.join(' ')));
        }
        delete form;
    }
};

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
