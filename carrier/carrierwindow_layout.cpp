// Construction of the carrier window's controls and its graph's menu.
#include "carrier/carrierwindow.h"
#include "core/carrier/carriertable.h"
#include "widgets/figuretable.h"
#include "widgets/graphcontrol.h"
#include "widgets/graphmenu.h"
#include "widgets/windowlook.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kBoxWidth = 80;

// A label in the window's regular (not bold) face, wrapped, in the notes' brown.
QLabel *note(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    QFont regular = parent->font();
    regular.setBold(false);
    l->setFont(regular);
    l->setWordWrap(true);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kNoteText);
    l->setPalette(p);
    return l;
}

// Holds a one-line label whose text follows every keystroke. A label's new text asks its
// parent's layout to lay the window out again, which measures every wrapped note; held here, with
// a height of its own, the label is drawn again, and the window is laid out only for a text that
// no longer fits.
class LineHolder : public QWidget
{
public:
    LineHolder(QLabel *label, QWidget *parent) : QWidget(parent), m_label(label)
    {
        label->setParent(this);
        setFixedHeight(label->fontMetrics().height());  // the label has no margins
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {m_label->sizeHint().width(), height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent *) override { m_label->setGeometry(rect()); }
    bool event(QEvent *e) override
    {
        // Posted by the label for each new text, since the holder has no layout.
        if (e->type() == QEvent::LayoutRequest && m_label->sizeHint().width() > width())
            updateGeometry();
        return QWidget::event(e);
    }

private:
    QLabel *m_label;
};

// A gold caption above its control.
void addCaptioned(QVBoxLayout *column, const QString &caption, QWidget *control, QWidget *parent)
{
    column->addWidget(goldLabel(caption, parent, {3, 1, 3, 1}), 0, Qt::AlignLeft);
    column->addWidget(control, 0, Qt::AlignLeft);
    column->addSpacing(6);
}

}  // namespace

void CarrierWindow::createControls()
{
    setObjectName(QStringLiteral("CarrierWindow"));
    setWindowTitle(QStringLiteral("Switching carrier"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    styleWindow(this, false);

    auto *central = new QWidget(this);
    setCentralWidget(central);
    m_network = note("carrier_network", central);
    m_speaker = note("carrier_speaker", central);
    m_speaker->setWordWrap(false);

    m_table = new FigureTable(central);
    m_table->setObjectName(QStringLiteral("carrier_table"));
    m_message = new QLabel(central);
    m_message->setObjectName(QStringLiteral("carrier_message"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);

    m_graph = new GraphControl(central);
    m_graph->setObjectName(QStringLiteral("carrier_loss"));
    m_graph->setup(
        QStringLiteral("Carrier loss in each Zobel resistor, idle (W)"),
        {kCarrierLossFromHz, kCarrierLossToHz, GraphControl::Logarithmic, QStringLiteral("Hz")},
        {1e-6, 1, GraphControl::Logarithmic, QStringLiteral("W")});

    auto *results = new QVBoxLayout;
    results->addWidget(m_table);
    results->addWidget(m_message);
    results->addWidget(m_graph, 1);
    auto *middle = new QHBoxLayout;
    middle->addWidget(createInputColumn(central));
    middle->addSpacing(8);
    middle->addLayout(results, 1);
    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(10, 8, 10, 10);
    page->addWidget(m_network);
    page->addWidget(new LineHolder(m_speaker, central));
    page->addSpacing(4);
    page->addLayout(middle, 1);
    resize(980, 720);
}

QLineEdit *CarrierWindow::entryBox(CarrierField f, const char *name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setFixedWidth(kBoxWidth);
    m_boxes[static_cast<std::size_t>(f)] = box;
    // Typing and pasting only: the texts this window writes back are not entries.
    connect(box, &QLineEdit::textEdited, this, [this, f] { takeText(f); });
    return box;
}

QWidget *CarrierWindow::createInputColumn(QWidget *parent)
{
    auto *column = new QWidget(parent);
    column->setFixedWidth(250);
    auto *v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    addCaptioned(v, QStringLiteral("Supply (V, 1–150)"),
                 entryBox(CarrierField::supply, "carrier_supply", column), column);
    addCaptioned(v, QStringLiteral("Switching frequency (kHz, 50–3000)"),
                 entryBox(CarrierField::switching, "carrier_fsw", column), column);

    m_modulation = new QWidget(column);
    m_modulation->setObjectName(QStringLiteral("carrier_modulation"));
    auto *choices = new QHBoxLayout(m_modulation);
    choices->setContentsMargins(0, 0, 0, 0);
    m_bd = new QRadioButton(QStringLiteral("BD"), m_modulation);
    m_bd->setObjectName(QStringLiteral("carrier_modulation_bd"));
    m_ad = new QRadioButton(QStringLiteral("AD"), m_modulation);
    m_ad->setObjectName(QStringLiteral("carrier_modulation_ad"));
    auto *group = new QButtonGroup(m_modulation);
    group->addButton(m_bd);
    group->addButton(m_ad);
    m_bd->setChecked(true);
    choices->addWidget(m_bd);
    choices->addWidget(m_ad);
    choices->addStretch(1);
    // clicked, not toggled: the window's own setChecked is no entry.
    connect(m_bd, &QRadioButton::clicked, this, [this] { takeModulation(Modulation::bd); });
    connect(m_ad, &QRadioButton::clicked, this, [this] { takeModulation(Modulation::ad); });
    addCaptioned(v, QStringLiteral("Modulation (full bridge)"), m_modulation, column);
    QLabel *modulationNote = note("carrier_modulation_note", column);
    modulationNote->setText(
        QStringLiteral("BD: each leg its own reference, three-level output. AD: the legs in "
                       "anti-phase, two-level. The half bridge has one two-level leg and "
                       "ignores it."));
    v->addWidget(modulationNote);
    v->addSpacing(6);

    addCaptioned(v, QStringLiteral("Audio frequency (Hz, 1–100000)"),
                 entryBox(CarrierField::audio, "carrier_audio", column), column);
    v->addSpacing(6);
    QLabel *ratings = note("carrier_ratings_note", column);
    ratings->setText(QStringLiteral("Ratings, each 0–10000; left empty, not checked:"));
    v->addWidget(ratings);
    addCaptioned(v, QStringLiteral("Zobel resistor power (W)"),
                 entryBox(CarrierField::zobelRating, "carrier_zobel_rating", column), column);
    addCaptioned(v, QStringLiteral("Inductor saturation current (A)"),
                 entryBox(CarrierField::inductorRating, "carrier_inductor_rating", column), column);
    addCaptioned(v, QStringLiteral("Capacitor ripple current (A rms)"),
                 entryBox(CarrierField::capacitorRating, "carrier_capacitor_rating", column),
                 column);
    v->addSpacing(6);
    m_hint = note("carrier_hint", column);
    QPalette red = m_hint->palette();
    red.setColor(QPalette::WindowText, QColor(128, 0, 0));
    m_hint->setPalette(red);
    v->addWidget(m_hint);
    v->addStretch(1);
    return column;
}

void CarrierWindow::createGraphMenu()
{
    addGraphMenu(m_graph, {QStringLiteral("carrier-loss"),
                           [this] {
                               if (!m_lossKeys[0])
                                   return QByteArray("frequency_Hz,power_W\n");
                               return carrierLossCsv(m_loss[0],
                                                     m_lossKeys[1] ? &m_loss[1] : nullptr);
                           },
                           {},
                           false});
}
