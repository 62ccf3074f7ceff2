// The main window's value entry: the six list selectors and the speaker-inductance box.
#include "app/form1.h"

#include "core/common/entryrule.h"
#include "core/network/valuelists.h"
#include "widgets/valuecombo.h"

#include <QKeyEvent>
#include <QLineEdit>

void Form1::Fill_value_lists()
{
    speaker_r_mode->appendItems(listItems(ListSelector::speaker_r_mode));
    filter_c_par->appendItems(listItems(ListSelector::filter_c_par));
    filter_l_par->appendItems(listItems(ListSelector::filter_l_par));
    zobel_c_par->appendItems(listItems(ListSelector::zobel_c_par));
    zobel_r_par->appendItems(listItems(ListSelector::zobel_r_par));
    zobel_c_ser->appendItems(listItems(ListSelector::zobel_c_ser));
    zobel_c_par_Change();
    zobel_c_ser_Change();
    zobel_r_par_Change();
}

void Form1::connectSelectors()
{
    // Each notification is one user change: one undo step when it changes the design.
    // filter_l_par answers selections only: typing into it changes nothing.
    connectChange(filter_l_par, &ValueCombo::selected, &Form1::filter_l_par_Click);
    connectChange(filter_c_par, &ValueCombo::changed, &Form1::filter_c_par_Change);
    connectChange(filter_c_par, &ValueCombo::selected, &Form1::filter_c_par_Click);
    connectChange(speaker_r_mode, &ValueCombo::changed, &Form1::speaker_r_mode_Change);
    connectChange(speaker_r_mode, &ValueCombo::selected, &Form1::speaker_r_mode_Click);
    connectChange(zobel_c_par, &ValueCombo::changed, &Form1::zobel_c_par_Change);
    connectChange(zobel_c_par, &ValueCombo::selected, &Form1::zobel_c_par_Click);
    connectChange(zobel_c_ser, &ValueCombo::changed, &Form1::zobel_c_ser_Change);
    connectChange(zobel_c_ser, &ValueCombo::selected, &Form1::zobel_c_ser_Click);
    connectChange(zobel_r_par, &ValueCombo::changed, &Form1::zobel_r_par_Change);
    connectChange(zobel_r_par, &ValueCombo::selected, &Form1::zobel_r_par_Click);
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

namespace {

// Which schematic labels a selector sets, and whether the Power window shows it.
struct SelectorFields {
    QString SchematicCaptions::*caption;
    QString (*captionOf)(const QString &);
    bool feedsPowerWindow;
};

SelectorFields fieldsOf(ListSelector s)
{
    switch (s) {
        case ListSelector::filter_l_par:
            return {&SchematicCaptions::lfilter, captionFilterL, false};
        case ListSelector::filter_c_par:
            return {&SchematicCaptions::cfilter, captionFilterC, false};
        case ListSelector::zobel_c_par:
            return {&SchematicCaptions::czobel_par, captionZobelCPar, true};
        case ListSelector::zobel_r_par:
            return {&SchematicCaptions::rzobel_par, captionZobelR, true};
        case ListSelector::zobel_c_ser:
            return {&SchematicCaptions::czobel_ser, captionZobelCSer, true};
        case ListSelector::speaker_r_mode:
            return {&SchematicCaptions::rspeaker, captionSpeakerR, false};
    }
    return {};
}

}  // namespace

void Form1::List_selector_change(ListSelector s)
{
    ValueCombo *box = selectorBox(s);
    const SelectorFields f = fieldsOf(s);
    // 1. The text as it stands.
    const QString text = box->currentText();
    // 2.-3. Only an exact item is taken; anything else leaves value and remembered text alone.
    acceptSelection(m_rec, s, text);
    // 4. Show the remembered text: this undoes a rejected edit (and runs the change handling
    //    once more, nested, on the restored text).
    const QString remembered = m_rec.*rememberedText(s);
    box->writeText(remembered);
    // 5.-6. The Power window's read-out of this selector, and its dissipation sweep.
    if (f.feedsPowerWindow) {
        loadedPowerWindow()->setZobelReadout(s, remembered);
        loadedPowerWindow()->CWGraph4_Click();
    }
    // 7. Everything that depends on the design.
    Recalculate_all();
    // 8. The selector's value labels on the schematics.
    setSchematicLabels(f.caption, f.captionOf(remembered));
    // 9. Every schematic label from the record.
    Update_schemo();
}

void Form1::filter_l_par_Click()
{
    List_selector_change(ListSelector::filter_l_par);
}

void Form1::filter_c_par_Change()
{
    List_selector_change(ListSelector::filter_c_par);
}

void Form1::filter_c_par_Click()
{
    filter_c_par_Change();
}

void Form1::speaker_r_mode_Change()
{
    List_selector_change(ListSelector::speaker_r_mode);
}

void Form1::speaker_r_mode_Click()
{
    speaker_r_mode_Change();
    Recalculate_all();
}

void Form1::zobel_c_par_Change()
{
    List_selector_change(ListSelector::zobel_c_par);
}

void Form1::zobel_c_par_Click()
{
    zobel_c_par_Change();
    Sweep_gain_zobel();
}

void Form1::zobel_c_ser_Change()
{
    List_selector_change(ListSelector::zobel_c_ser);
}

void Form1::zobel_c_ser_Click()
{
    zobel_c_ser_Change();
    Sweep_gain_zobel();
}

void Form1::zobel_r_par_Change()
{
    List_selector_change(ListSelector::zobel_r_par);
}

void Form1::zobel_r_par_Click()
{
    zobel_r_par_Change();
    Sweep_gain_zobel();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // A held key repeats; the box reacts once, when the key finally comes up.
    if (watched == Speaker_L && event->type() == QEvent::KeyRelease &&
        !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        const ChangeScope change(*this);
        Speaker_L_KeyUp();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Speaker_L_KeyUp()
{
    Apply_speaker_l();
}

void Form1::Apply_speaker_l()
{
    const QString text = Speaker_L->text();
    const Entry entry = checkEntry(kSpeakerLRule, text);
    switch (entry.verdict) {
        case Entry::Pending:
            // 1. A value may follow the lone point: keep it, and the last value.
            Speaker_L->setText(text);
            m_rec.speaker_l_valtxt = text;
            break;
        case Entry::Accepted:
            // 2.-3. Taken as typed, in millihenry.
            m_rec.actual_l_net = entry.value;
            m_rec.speaker_l_valtxt = text;
            break;
        case Entry::Unset:
        case Entry::Rejected:
            // 4. Undone: the last accepted text goes back.
            Speaker_L->setText(m_rec.speaker_l_valtxt);
            break;
    }
    // 5. Everything that depends on the design.
    Recalculate_all();
    // 6. The speaker inductance's value labels on the schematics.
    setSchematicLabels(&SchematicCaptions::lspeaker, captionSpeakerL(m_rec.speaker_l_valtxt));
    // 7. Every schematic label from the record.
    Update_schemo();
}
