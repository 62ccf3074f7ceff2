// A seeded session of random typing, deleting, pasting and picking across all seven inputs and the
// topology. After every step what each input keeps must follow its rule, and the figures and curves
// must be those of a network solved here for the design as it stands.
#include "app/form1.h"
#include "testhelpers.h"

#include <QRegularExpression>

#include <random>
#include <tuple>

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void randomSession()
    {
        Form1 *form = openWindow<Form1>();
        std::mt19937 rng(20261206);
        QStringList recent;
        for (int step = 0; step < 1000; ++step) {
            recent = (recent << act(form, rng)).mid(qMax(0, recent.size() - 7));
            if (const QString fault = check(form); !fault.isEmpty())
                QFAIL(qPrintable(QStringLiteral("step %1: %2 after: %3")
                                     .arg(step)
                                     .arg(fault, recent.join(" | "))));
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
            childNamed<QAction>(form, rng() % 2 ? "Topol_Full_Bridge" : "Topol_Half_Bridge")
                ->trigger();
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
                    edit->setText(
                        QString::number(rng() % 2000 / (1 + rng() % 100), 'g', 1 + rng() % 5));
                    QTest::keyClick(edit, Qt::Key_Shift);
                    return name + " paste " + edit->text();
                }
                pickItem(combo, listItems(list)[int(rng() % listItems(list).size())]);
                return name + " pick " + combo->currentText();
            case 1:
                QTest::keyClick(edit, input < 6 && rng() % 2 ? Qt::Key_Down : Qt::Key_Backspace);
                return name + " down/backspace";
            case 2:
                QTest::keyClick(edit, rng() % 2 ? Qt::Key_Home : Qt::Key_Delete);
                return name + " home/delete";
            case 3: edit->selectAll(); [[fallthrough]];
            default: {
                const QChar c = characters[int(rng() % characters.size())];
                QTest::keyClicks(edit, QString(c));
                return name + " type " + c;
            }
        }
    }

    // The selectors, Speaker_L, the figures and the curves against rules and a network solved
    // here: what a list keeps is one of its items, at the item's value; Speaker_L shows the text
    // it keeps, a plain decimal of at most four characters from 0 to 999 at its value (or a lone
    // point); the figures and curves are the reference's for the design as it now stands.
    QString check(Form1 *form)
    {
        const DesignRecord &r = form->design();
        for (ListSelector s : kAllListSelectors) {
            const auto [value, text] = keptBy(r, selectorName(s));
            auto *combo = childNamed<QComboBox>(form, qPrintable(selectorName(s)));
            const bool micro = s == ListSelector::filter_l_par || s == ListSelector::zobel_c_par ||
                               s == ListSelector::zobel_c_ser;
            const double expected = text.toDouble() * (micro ? 1e-6 : 1);
            if (!listItems(s).contains(text) || std::fabs(value - expected) > 1e-15 * expected ||
                (s != ListSelector::filter_l_par && combo->currentText() != text) ||
                combo->count() != listItems(s).size())
                return selectorName(s) + " shows " + combo->currentText() + " and keeps " + text +
                       " = " + QString::number(value);
        }
        static const QRegularExpression plain("^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$");
        const QString l = r.speaker_l_valtxt;
        const bool lonePoint = l == ".";
        if (textOf(form, "Speaker_L") != l ||
            (!lonePoint && (!plain.match(l).hasMatch() || l.size() > 4 || l.toDouble() < 0 ||
                            l.toDouble() > 999 || l.toDouble() != r.actual_l_net)))
            return "Speaker_L shows " + textOf(form, "Speaker_L") + " and keeps " + l + " = " +
                   QString::number(r.actual_l_net);
        // The reference figures are worked out anew only when the design changed.
        const auto key = std::tuple(r.full_bridge_select, r.speaker_r_modeval, r.actual_l_net,
                                    r.filter_l_par_modeval, r.filter_c_par_modeval,
                                    r.zobel_c_parval, r.zobel_c_serval, r.zobel_r_parval);
        if (key != m_key) {
            m_key = key;
            m_expected.clear();
            for (bool zobel : {false, true})
                for (double v : reference::gainFigures(r, zobel))
                    m_expected << reference::figureText(v);
        }
        const QStringList shown = texts(form, kFigureBoxes);
        if (shown != m_expected)
            return "figures " + shown.join(' ') + ", expected " + m_expected.join(' ');
        for (int i : {1, 200, 3840, 10000}) {
            const double y[] = {childNamed<GraphControl>(form, "CWGraph1")->curveY(i),
                                childNamed<GraphControl>(form, "CWGraph3")->curveY(i),
                                childNamed<GraphControl>(form, "CWGraph4")->curveY(i)};
            if (!(std::fabs(y[0] / reference::impedance(r, i) - 1) < 1e-12 &&
                  std::fabs(y[1] - reference::gainDb(r, i, false)) < 1e-9 &&
                  std::fabs(y[2] - reference::gainDb(r, i, true)) < 1e-9))
                return "the curves differ at point " + QString::number(i);
        }
        return {};
    }

    std::tuple<Flag, int, double, double, double, double, double, double> m_key;
    QStringList m_expected;
};

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
