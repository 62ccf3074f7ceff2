// The main window's value entry: the six list selectors and the speaker-inductance box, each
// writing what the user chose or typed to the design model.
#include "app/form1.h"

#include "widgets/textguard.h"
#include "widgets/valuecombo.h"

#include <QKeyEvent>
#include <QLineEdit>

void Form1::Fill_value_lists()
{
    // Each list's own items, then the parts library's.
    for (ListSelector s : kAllListSelectors)
        selectorBox(s)->setItems(listItems(s, m_model->library()));
}

void Form1::connectSelectors()
{
    m_speakerLGuard = new TextGuard(Speaker_L);
    // filter_l_par answers selections only: typing into it changes nothing.
    for (ListSelector s : kAllListSelectors) {
        ValueCombo *box = selectorBox(s);
        connect(box, &ValueCombo::selected, this, [this, s] { List_selector_change(s); });
        if (s != ListSelector::filter_l_par)
            connect(box, &ValueCombo::changed, this, [this, s] { List_selector_change(s); });
    }
}

ValueCombo *Form1::selectorBox(ListSelector s) const
{
    switch (s) {
        case ListSelector::filter_l_par: return filter_l_par;
        case ListSelector::filter_c_par: return filter_c_par;
        case ListSelector::zobel_c_par: return zobel_c_par;
        case ListSelector::zobel_r_par: return zobel_r_par;
        case ListSelector::zobel_c_ser: return zobel_c_ser;
        case ListSelector::speaker_r_mode: return speaker_r_mode;
    }
    return nullptr;
}

void Form1::List_selector_change(ListSelector s)
{
    // Only an exact item is taken; anything else is undone by showing the remembered text.
    ValueCombo *box = selectorBox(s);
    m_model->setListText(s, box->currentText());
    box->writeText(m_model->record().*rememberedText(s));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // A held key repeats; the box reacts once, when the key finally comes up.
    if (watched == Speaker_L && event->type() == QEvent::KeyRelease &&
        !static_cast<QKeyEvent *>(event)->isAutoRepeat())
        Speaker_L_KeyUp();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Speaker_L_KeyUp()
{
    // Taken as typed in millihenry, kept on its way to a value, or undone.
    const Verdict verdict = m_model->setSpeakerLText(Speaker_L->text());
    if (verdict.kind == Verdict::Refused)
        m_speakerLGuard->putBack(m_model->record().speaker_l_valtxt, verdict.reason);
}
