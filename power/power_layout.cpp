// Construction of the Power window's controls and menu.
#include "core/files/graphfiles.h"
#include "power/power_measurement_form.h"
#include "widgets/graphcontrol.h"
#include "widgets/graphmenu.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QVBoxLayout>

namespace {

constexpr int kBoxWidth = 64;

QLineEdit *box(const char *name, QWidget *parent)
{
    auto *b = new QLineEdit(parent);
    b->setObjectName(QLatin1String(name));
    b->setFixedWidth(kBoxWidth);
    return b;
}

QLineEdit *readout(const char *name, QWidget *parent)
{
    return resultBox(name, parent, kBoxWidth);
}

QLabel *label(const char *name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

}  // namespace

void Power_measurement_form::createControls()
{
    setObjectName(QStringLiteral("Power_measurement_form"));
    setWindowTitle(QStringLiteral("Power Calc's"));
    // A dialog-like window: a close button, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    styleWindow(this, false);
    QFont regular = font();
    regular.setBold(false);  // said outright, or the note would inherit the window's bold

    auto *central = new QWidget(this);
    setCentralWidget(central);

    Label3 = label("Label3",
                   QStringLiteral("NOTE: This Plot shows the power dissipation across the Zobel "
                                  "Resistor within the filter so that the appropriate power "
                                  "wattage can be chosen. Rule of thumb is to size at 7Khz. The "
                                  "RMS power is at the load(speaker)."),
                   central);
    Label3->setFont(regular);
    Label3->setWordWrap(true);
    QPalette note = Label3->palette();
    note.setColor(QPalette::WindowText, kNoteText);
    Label3->setPalette(note);

    Text_zobel_c_parp = readout("Text_zobel_c_parp", central);
    Text_zobel_r_parp = readout("Text_zobel_r_parp", central);
    Text_zobel_c_serp = readout("Text_zobel_c_serp", central);
    CWGraph4 = new GraphControl(central);
    CWGraph4->setObjectName(QStringLiteral("CWGraph4"));
    CWGraph4->setup(QStringLiteral("Power Dissipation of Rzobel( Watts)"),
                    {200, 20000, GraphControl::Logarithmic, QStringLiteral("Hz")},
                    {0, 5, GraphControl::Linear, QString()});
    Text_peak_voltage = box("Text_peak_voltage", central);
    Text_peak_voltage->setText(QStringLiteral("50"));  // nothing listens yet
    Text_power_freq = readout("Text_power_freq", central);
    Text_power = readout("Text_power", central);

    auto *graphColumn = new QVBoxLayout;
    graphColumn->addWidget(CWGraph4, 1);
    graphColumn->addWidget(createEntryRow(central));
    auto *middle = new QHBoxLayout;
    middle->addWidget(createZobelColumn(central));
    middle->addLayout(graphColumn, 1);
    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(8, 8, 12, 8);
    page->addWidget(Label3);
    page->addLayout(middle, 1);
}

QWidget *Power_measurement_form::createZobelColumn(QWidget *parent)
{
    // Each caption stands right-aligned above its box, as in the main window's Zobel column.
    auto *column = new QWidget(parent);
    auto *v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 8, 0);
    v->addStretch(1);
    const std::pair<const char *, QString> captions[] = {
        {"Label7", QStringLiteral("Zobel C_Par(uF)")},
        {"Label6", QStringLiteral("Zobel R(Ohms)")},
        {"Label8", QStringLiteral("Zobel C_Ser(uF)")}};
    QLineEdit *const boxes[] = {Text_zobel_c_parp, Text_zobel_r_parp, Text_zobel_c_serp};
    for (int i = 0; i < 3; ++i) {
        v->addWidget(label(captions[i].first, captions[i].second, column), 0, Qt::AlignRight);
        v->addWidget(boxes[i], 0, Qt::AlignRight);
        v->addSpacing(24);
    }
    v->addStretch(1);
    return column;
}

QWidget *Power_measurement_form::createEntryRow(QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);

    // The load power under its gold caption, which wraps as the design's narrow label does.
    auto *entry = new QVBoxLayout;
    QLabel *Label1 =
        goldLabel(QStringLiteral(" RMS POWER      @Speaker Load(Watts)      "), row, {});
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setFixedWidth(110);
    entry->addWidget(Label1);
    entry->addWidget(Text_peak_voltage, 0, Qt::AlignRight);

    // The cursor's frequency and dissipation, right-aligned under their caption.
    auto *readouts = new QVBoxLayout;
    readouts->setSpacing(0);
    readouts->addWidget(label("Label2", QStringLiteral("Rzobel Power Dissipation(@Freq)"), row), 0,
                        Qt::AlignRight);
    readouts->addWidget(Text_power_freq, 0, Qt::AlignRight);
    readouts->addWidget(Text_power, 0, Qt::AlignRight);

    h->addLayout(entry);
    h->addStretch(1);
    h->addLayout(readouts);
    return row;
}

void Power_measurement_form::createMenus()
{
    QMenu *cursors = menuBar()->addMenu(QStringLiteral("&Cursor"));
    cursors->setObjectName(QStringLiteral("cursors"));
    cursors4_on = cursors->addAction(QStringLiteral("cursor&1"));
    cursors4_on->setObjectName(QStringLiteral("cursors4_on"));
    cursors4_on->setCheckable(true);
    addGraphMenu(CWGraph4, {graphName(GraphKind::power),
                            [this] {
                                const PowerCurve &curve = m_model.analysis().dissipation;
                                return curveCsv(GraphKind::power, curve.x, curve.y);
                            },
                            {},
                            false});
    // The design's client area, below the menu bar.
    resize(573, 432 + menuBar()->sizeHint().height());
}
