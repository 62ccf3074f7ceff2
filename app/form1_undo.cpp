// The main window's undo and redo: every user change of the design is one step that holds the
// design before and after it. Undoing or redoing applies that design to the model, which every
// figure, graph and window follows.
#include "app/form1.h"

#include "core/carrier/carrierinputs.h"
#include "core/common/entryrule.h"
#include "core/parts/partjson.h"
#include "widgets/valuecombo.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QFileInfo>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QUndoStack>

#include <functional>

namespace {

// One input as the user sees it: its caption, its text as the design keeps it, and the text a
// step's name shows.
struct ShownField {
    QString caption;
    QString text;
    QString shown;  // empty: the caption and the text, or "none"
    bool operator==(const ShownField &o) const { return text == o.text; }
    QString name() const
    {
        if (!shown.isEmpty())
            return shown;
        return caption + QLatin1Char(' ') + (text.isEmpty() ? QStringLiteral("none") : text);
    }
};

QString carrierCaption(CarrierField f)
{
    switch (f) {
        case CarrierField::supply: return QStringLiteral("Supply");
        case CarrierField::switching: return QStringLiteral("Switching frequency");
        case CarrierField::audio: return QStringLiteral("Audio frequency");
        case CarrierField::zobelRating: return QStringLiteral("Zobel rating");
        case CarrierField::inductorRating: return QStringLiteral("Inductor rating");
        case CarrierField::capacitorRating: return QStringLiteral("Capacitor rating");
    }
    return {};
}

// Every input of a design; two designs are the same when these texts are.
QList<ShownField> shownFields(const DesignInputs &d)
{
    const DesignRecord &r = d.record;
    const auto field = [](const QString &caption, const QString &text) {
        return ShownField{caption, text, {}};
    };
    QList<ShownField> fields{
        field(QStringLiteral("Filter L"), r.jfilter_l),
        field(QStringLiteral("Filter C"), r.jfilter_c),
        field(QStringLiteral("Zobel C_Par"), r.jzobel_c2),
        field(QStringLiteral("Zobel R"), r.jzobel_r2),
        field(QStringLiteral("Zobel C_Ser"), r.jzobel_c3),
        field(QStringLiteral("Speaker R"), r.jspeaker_r),
        field(QStringLiteral("Speaker L"), r.speaker_l_valtxt),
        {QStringLiteral("Topology"),
         r.fullBridge() ? QStringLiteral("full") : QStringLiteral("half"),
         r.fullBridge() ? QStringLiteral("Full bridge") : QStringLiteral("Half bridge")},
        field(QStringLiteral("Load power"), d.loadPowerText)};
    fields.reserve(fields.size() + qsizetype(std::size(kAllCarrierFields)) + 1 +
                   qsizetype(std::size(kAllPartSlots)) + 1);
    for (CarrierField f : kAllCarrierFields)
        fields.append(field(carrierCaption(f), r.carrier.*carrierText(f)));
    fields.append(
        field(QStringLiteral("Modulation"), modulationName(r.carrier.modulation).toUpper()));
    // The part in each slot, as a file keeps it: "Filter L part 33", "Filter L ideal". The
    // selectors' fields above are in ListSelector's order.
    for (const PartSlot slot : kAllPartSlots) {
        const QString caption = fields[qsizetype(slotSelector(slot))].caption;
        const std::optional<Part> &p = r.parts.at(slot);
        const QString kept =
            p ? QString::fromUtf8(QJsonDocument(partObject(*p)).toJson(QJsonDocument::Compact))
              : QString();
        fields.append({caption + QStringLiteral(" part"), kept,
                       !p           ? caption + QStringLiteral(" ideal")
                       : p->ideal() ? caption + QStringLiteral(" ideal ") + p->value
                                    : caption + QStringLiteral(" part ") + p->value});
    }
    fields.append(
        {QStringLiteral("Measured speaker"), d.loadFile,
         d.loadFile.isEmpty()
             ? QStringLiteral("No measured speaker")
             : QStringLiteral("Measured speaker %1").arg(QFileInfo(d.loadFile).fileName())});
    return fields;
}

// A step named after what it changed: "Zobel R 10", "Full bridge", a few of them in a row, or
// their count.
QString stepName(const QList<ShownField> &before, const QList<ShownField> &after)
{
    QStringList changed;
    for (qsizetype i = 0; i < after.size(); ++i)
        if (!(before[i] == after[i]))
            changed << after[i].name();
    return changed.size() <= 3 ? changed.join(QStringLiteral(", "))
                               : QStringLiteral("%1 changes").arg(changed.size());
}

// One step: the design before and after a change. It is pushed once the change has been made,
// so its first redo does nothing.
class DesignStep : public QUndoCommand
{
public:
    DesignStep(DesignSnapshot before, DesignSnapshot after, const QString &name,
               std::function<void(const DesignSnapshot &)> apply)
        : QUndoCommand(name),
          m_before(std::move(before)),
          m_after(std::move(after)),
          m_apply(std::move(apply))
    {
    }
    void undo() override { m_apply(m_before); }
    void redo() override
    {
        if (m_made)
            m_apply(m_after);
        m_made = true;
    }

private:
    DesignSnapshot m_before;
    DesignSnapshot m_after;
    std::function<void(const DesignSnapshot &)> m_apply;
    bool m_made = false;
};

// Gives the design's undo and redo keys precedence over a text box's own undo of its last edits,
// which would otherwise take them whenever an input has the focus, as one nearly always has.
class UndoKeysFirst : public QObject
{
public:
    explicit UndoKeysFirst(QObject *parent) : QObject(parent) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto *key = static_cast<QKeyEvent *>(event);
            const QKeySequence pressed(key->keyCombination());
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
                pressed == QKeySequence(Qt::CTRL | Qt::Key_Y)) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

Form1::ChangeScope::ChangeScope(Form1 &form, QString name) : m_form(form), m_name(std::move(name))
{
    ++m_form.m_changeDepth;
}

Form1::ChangeScope::~ChangeScope()
{
    if (--m_form.m_changeDepth == 0)
        m_form.recordChange(m_name);
}

void Form1::createUndoActions(QMenu *menu)
{
    m_undo = new QUndoStack(this);
    // Each step holds two designs, about a kilobyte: a long session's keystrokes stay bounded.
    m_undo->setUndoLimit(1000);
    QAction *undo = named(m_undo->createUndoAction(menu, QStringLiteral("&Undo")), "design_undo");
    undo->setShortcuts(standardKeys(QKeySequence::Undo, Qt::CTRL | Qt::Key_Z));
    QAction *redo = named(m_undo->createRedoAction(menu, QStringLiteral("Re&do")), "design_redo");
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    menu->addAction(undo);
    menu->addAction(redo);
    connect(m_undo, &QUndoStack::cleanChanged, this, &Form1::showCaption);
    auto *keys = new UndoKeysFirst(this);
    Speaker_L->installEventFilter(keys);
    for (ListSelector s : kAllListSelectors) selectorBox(s)->installEventFilter(keys);
}

DesignSnapshot Form1::snapshot() const
{
    return {m_model->inputs(), m_model->measured()};
}

void Form1::recordChange(const QString &name)
{
    // Inside a change its outermost scope records it; a step being applied is a step already.
    if (m_changeDepth > 0 || m_applyingStep || !m_undo)
        return;
    DesignSnapshot now = snapshot();
    const QList<ShownField> before = shownFields(m_recorded.inputs);
    const QList<ShownField> after = shownFields(now.inputs);
    if (before == after)
        return;
    DesignSnapshot was = std::exchange(m_recorded, std::move(now));
    m_undo->push(new DesignStep(std::move(was), m_recorded,
                                name.isEmpty() ? stepName(before, after) : name,
                                [this](const DesignSnapshot &d) { applyStep(d); }));
}

void Form1::applyStep(const DesignSnapshot &d)
{
    m_applyingStep = true;
    m_model->apply(d.inputs, d.measured);
    m_applyingStep = false;
    m_recorded = snapshot();
}
