#include "parts/parteditor.h"

#include "core/common/figuretext.h"
#include "core/network/valuelists.h"
#include "widgets/windowlook.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr PartKind kKinds[] = {PartKind::inductor, PartKind::capacitor, PartKind::resistor};

QString number(double v)
{
    return QString::fromLatin1(roundTripText(v));
}

// A box's text as a number, or the text itself for the reader to refuse.
QJsonValue numberOf(const QString &text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    return ok ? QJsonValue(v) : QJsonValue(text);
}

// "5 1, 6.7 0.8" as [[5, 1], [6.7, 0.8]], or the text itself for the reader to refuse.
QJsonValue curveOf(const QString &text)
{
    QJsonArray points;
    for (const QString &point : text.split(QLatin1Char(','))) {
        const QStringList pair = point.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QJsonValue at = numberOf(pair.value(0)), ratio = numberOf(pair.value(1));
        if (pair.size() != 2 || !at.isDouble() || !ratio.isDouble())
            return text;
        points.append(QJsonArray{at, ratio});
    }
    return points;
}

// [[5, 1], [6.7, 0.8]] as "5 1, 6.7 0.8".
QString curveText(const QJsonArray &curve)
{
    QStringList points;
    for (const QJsonValue &p : curve)
        points << number(p[0].toDouble()) + QLatin1Char(' ') + number(p[1].toDouble());
    return points.join(QStringLiteral(", "));
}

}  // namespace

PartEditor::PartEditor(const Part &part, bool adding, Take take, QWidget *parent)
    : QDialog(parent), m_take(std::move(take))
{
    createControls(adding);
    showPart(part);
}

void PartEditor::createControls(bool adding)
{
    setObjectName(QStringLiteral("PartEditor"));
    setWindowTitle(adding ? QStringLiteral("Add a part") : QStringLiteral("Edit a part"));
    styleWindow(this, false);
    auto *grid = new QGridLayout;
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("part_kind"));
    for (PartKind k : kKinds) m_kind->addItem(partKindName(k));
    m_kind->setEnabled(adding);
    grid->addWidget(goldLabel(QStringLiteral("Kind"), this), 0, 0);
    grid->addWidget(m_kind, 0, 1);
    m_valueCaption = goldLabel({}, this);
    m_value = new QLineEdit(this);
    m_value->setObjectName(QStringLiteral("part_value"));
    grid->addWidget(m_valueCaption, 1, 0);
    grid->addWidget(m_value, 1, 1);
    // A box for each field of any kind; those of other kinds than the one shown are hidden.
    for (PartKind k : kKinds)
        for (const PartField &f : partFields(k)) {
            if (std::any_of(m_boxes.begin(), m_boxes.end(),
                            [&](const Box &b) { return qstrcmp(b.field.key, f.key) == 0; }))
                continue;
            QString caption = QLatin1String(f.caption);
            caption[0] = caption[0].toUpper();
            Box b{f, goldLabel(caption + (f.type == PartField::curve
                                              ? QStringLiteral(" (%1 ratio, ...)").arg(f.unit)
                                          : *f.unit ? QStringLiteral(" (%1)").arg(f.unit)
                                                    : QString()),
                               this)};
            if (f.type == PartField::dielectric) {
                auto *combo = new QComboBox(this);
                combo->addItem(QStringLiteral("not given"), QString());
                combo->addItem(QStringLiteral("film or C0G"), QStringLiteral("film"));
                combo->addItem(QStringLiteral("class-II ceramic"), QStringLiteral("ceramic"));
                b.box = combo;
            } else {
                b.box = new QLineEdit(this);
            }
            b.box->setObjectName(QStringLiteral("part_") + QLatin1String(f.key));
            const int row = grid->rowCount();
            grid->addWidget(b.caption, row, 0);
            grid->addWidget(b.box, row, 1);
            m_boxes.push_back(b);
        }
    auto *hint = new QLabel(
        QStringLiteral("Leave a box empty where the datasheet gives nothing. A curve lists "
                       "points of current (or voltage) and the ratio to the value at 0, "
                       "falling: \"5 1, 6.7 0.8, 9 0.5\"."),
        this);
    hint->setObjectName(QStringLiteral("part_hint"));
    hint->setWordWrap(true);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("part_refusal"));
    m_refusal->setWordWrap(true);
    QPalette p = m_refusal->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    m_refusal->setPalette(p);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("part_ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("part_cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PartEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PartEditor::reject);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &PartEditor::showKind);
    auto *page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addWidget(hint);
    page->addWidget(m_refusal);
    page->addWidget(buttons);
    setMinimumWidth(460);
}

void PartEditor::showPart(const Part &part)
{
    m_kind->setCurrentIndex(int(part.kind));
    m_value->setText(part.value);
    const QJsonObject o = partObject(part);
    for (const Box &b : m_boxes) {
        const QJsonValue v = o.value(QLatin1String(b.field.key));
        if (auto *combo = qobject_cast<QComboBox *>(b.box))
            combo->setCurrentIndex(combo->findData(v.toString()));
        else
            static_cast<QLineEdit *>(b.box)->setText(v.isDouble()  ? number(v.toDouble())
                                                     : v.isArray() ? curveText(v.toArray())
                                                                   : QString());
    }
    showKind();
}

void PartEditor::showKind()
{
    const std::vector<PartField> fields = partFields(kind());
    m_valueCaption->setText(QStringLiteral("Value (%1)").arg(partValueUnit(kind())));
    for (const Box &b : m_boxes) {
        const bool shown = std::any_of(fields.begin(), fields.end(), [&](const PartField &f) {
            return qstrcmp(f.key, b.field.key) == 0;
        });
        b.caption->setVisible(shown);
        b.box->setVisible(shown);
    }
}

PartKind PartEditor::kind() const
{
    return kKinds[qBound(0, m_kind->currentIndex(), 2)];
}

QJsonObject PartEditor::typed() const
{
    const QString value = m_value->text().trimmed();
    const QString listed = partValueText(kind(), value);
    QJsonObject o{{QStringLiteral("value"), listed.isEmpty() ? value : listed}};
    for (const Box &b : m_boxes) {
        if (b.box->isHidden())
            continue;
        const QString key = QLatin1String(b.field.key);
        if (auto *combo = qobject_cast<QComboBox *>(b.box)) {
            if (!combo->currentData().toString().isEmpty())
                o[key] = combo->currentData().toString();
            continue;
        }
        const QString text = static_cast<QLineEdit *>(b.box)->text().trimmed();
        if (!text.isEmpty())
            o[key] = b.field.type == PartField::curve ? curveOf(text) : numberOf(text);
    }
    return o;
}

void PartEditor::accept()
{
    std::variant<Part, QString> read = partFromObject(kind(), typed());
    std::optional<QString> refusal;
    if (const QString *why = std::get_if<QString>(&read))
        refusal = *why;
    else
        refusal = m_take(std::get<Part>(read));
    if (refusal) {
        m_refusal->setText(*refusal);
        return;
    }
    QDialog::accept();
}
