// Construction of the main window's controls and menus.
#include "app/form1.h"
#include "widgets/graphcontrol.h"
#include "widgets/valuecombo.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *captionLabel(const QString &text, QWidget *parent)
{
    return goldLabel(text, parent, {3, 1, 3, 1});
}

QLineEdit *resultBox(const char *name, QWidget *parent, int width = 80)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);  // Tab walks the inputs only
    box->setFixedWidth(width);
    return box;
}

// A gold caption above its control.
QWidget *captioned(const QString &caption, QWidget *control, QWidget *parent)
{
    auto *w = new QWidget(parent);
    auto *v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    v->addWidget(captionLabel(caption, w), 0, Qt::AlignLeft);
    v->addWidget(control);
    return w;
}

ValueCombo *selector(const char *name, ListSelector list, QWidget *parent)
{
    auto *combo = new ValueCombo(parent);
    combo->setObjectName(QLatin1String(name));
    combo->writeText(initialText(list));  // nothing listens yet
    combo->setFixedWidth(80);
    return combo;
}

}  // namespace

void Form1::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorvel (HALF BRIDGE)"));
    styleWindow(this, false);

    auto *central = new QWidget(this);
    setCentralWidget(central);

    speaker_r_mode = selector("speaker_r_mode", ListSelector::speaker_r_mode, central);
    Speaker_L = new QLineEdit(QStringLiteral(".67"), central);
    Speaker_L->setObjectName(QStringLiteral("Speaker_L"));
    Speaker_L->setFixedWidth(80);
    Speaker_L->installEventFilter(this);
    filter_c_par = selector("filter_c_par", ListSelector::filter_c_par, central);
    filter_l_par = selector("filter_l_par", ListSelector::filter_l_par, central);
    zobel_c_par = selector("zobel_c_par", ListSelector::zobel_c_par, central);
    zobel_r_par = selector("zobel_r_par", ListSelector::zobel_r_par, central);
    zobel_c_ser = selector("zobel_c_ser", ListSelector::zobel_c_ser, central);

    const GraphControl::AxisSetup frequency{10, 1e6, GraphControl::Logarithmic,
                                            QStringLiteral("Hz")};
    const GraphControl::AxisSetup ohms{10, 10000, GraphControl::Logarithmic, QString()};
    const GraphControl::AxisSetup decibels{-60, 60, GraphControl::Linear, QString()};
    CWGraph1 = new GraphControl(central);
    CWGraph1->setObjectName(QStringLiteral("CWGraph1"));
    CWGraph1->setup(QStringLiteral("Fig. 1: Speaker Impedance(Ohms)"), frequency, ohms);
    CWGraph3 = new GraphControl(central);
    CWGraph3->setObjectName(QStringLiteral("CWGraph3"));
    CWGraph3->setup(QStringLiteral("Fig. 2: Filter Gain(dB) without Zobel"), frequency, decibels);
    CWGraph4 = new GraphControl(central);
    CWGraph4->setObjectName(QStringLiteral("CWGraph4"));
    CWGraph4->setup(QStringLiteral("Fig. 3: Filter gain(dB) with Zobel"), frequency, decibels);

    Text_maxgain4 = resultBox("Text_maxgain4", central);
    Text_gain_20k = resultBox("Text_gain_20k", central);
    Text_gain_384k = resultBox("Text_gain_384k", central);
    Text_maxgain = resultBox("Text_maxgain", central);
    Text_netgain_20k = resultBox("Text_netgain_20k", central);
    Text_netgain_384k = resultBox("Text_netgain_384k", central);
    Text_rzobel_power = resultBox("Text_rzobel_power", central);
    Text_coordx1 = resultBox("Text_coordx1", central);
    Text_coordy1 = resultBox("Text_coordy1", central);
    Text_coordx2 = resultBox("Text_coordx2", central);
    Text_coordy2 = resultBox("Text_coordy2", central);
    Text_coordx3 = resultBox("Text_coordx3", central);
    Text_coordy3 = resultBox("Text_coordy3", central);
    Zoom_In4 = new QPushButton(QStringLiteral("Zoom @Cursor"), central);
    Zoom_In4->setObjectName(QStringLiteral("Zoom_In4"));
    Zoom_Full4 = new QPushButton(QStringLiteral("Zoom Full"), central);
    Zoom_Full4->setObjectName(QStringLiteral("Zoom_Full4"));

    auto *zoomButtons = new QWidget(central);
    auto *zoomRow = new QHBoxLayout(zoomButtons);
    zoomRow->setContentsMargins(0, 0, 0, 0);
    zoomRow->addWidget(Zoom_In4);
    zoomRow->addWidget(Zoom_Full4);

    auto *upper = new QHBoxLayout;
    upper->addWidget(createGraphPanel(CWGraph1, Text_coordx1, Text_coordy1, nullptr), 1);
    upper->addWidget(createGraphPanel(CWGraph3, Text_coordx2, Text_coordy2, nullptr), 1);
    upper->addWidget(createFigureColumn({{QStringLiteral("        MaxGain"), Text_maxgain4},
                                         {QStringLiteral("Gain(@20kHz)"), Text_gain_20k},
                                         {QStringLiteral("Gain(@384kHz)"), Text_gain_384k}}));

    auto *lower = new QHBoxLayout;
    lower->addStretch(1);
    lower->addWidget(createZobelColumn());
    lower->addWidget(createGraphPanel(CWGraph4, Text_coordx3, Text_coordy3, zoomButtons), 4);
    lower->addWidget(
        createFigureColumn({{QStringLiteral("        MaxGain"), Text_maxgain},
                            {QStringLiteral("NetGain(@20kHz)"), Text_netgain_20k},
                            {QStringLiteral("NetGain(@384kHz)"), Text_netgain_384k},
                            {QStringLiteral("Power of Rzobel @(7khz)"), Text_rzobel_power}}));
    lower->addStretch(1);

    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(16, 8, 16, 12);
    page->addWidget(createSelectorRow());
    page->addLayout(upper, 1);
    page->addLayout(lower, 1);

    for (QWidget *hidden : std::initializer_list<QWidget *>{
             Text_gain_20k, Text_netgain_20k, Text_coordx1, Text_coordy1, Text_coordx2,
             Text_coordy2, Text_coordx3, Text_coordy3, Zoom_In4})
        hidden->setVisible(false);
}

QWidget *Form1::createSelectorRow()
{
    auto *row = new QWidget(centralWidget());
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(24);
    h->addStretch(2);
    h->addWidget(captioned(QStringLiteral("Speaker R(ohms)"), speaker_r_mode, row));
    h->addWidget(captioned(QStringLiteral("Speaker L(mH)"), Speaker_L, row));
    h->addStretch(3);
    h->addWidget(captioned(QStringLiteral("Filter C(uF)"), filter_c_par, row));
    h->addWidget(captioned(QStringLiteral("Filter L(uH)"), filter_l_par, row));
    h->addStretch(3);
    return row;
}

QWidget *Form1::createGraphPanel(GraphControl *graph, QLineEdit *readoutX, QLineEdit *readoutY,
                                 QWidget *extra)
{
    auto *panel = new QWidget(centralWidget());
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    // The read-out line keeps its height while its boxes are hidden, so the graph does not jump.
    auto *line = new QWidget(panel);
    line->setFixedHeight(qMax(readoutX->sizeHint().height(), Zoom_Full4->sizeHint().height()));
    auto *h = new QHBoxLayout(line);
    h->setContentsMargins(0, 0, 0, 0);
    if (extra)
        h->addWidget(extra);
    h->addStretch(1);
    h->addWidget(readoutX);
    h->addWidget(readoutY);
    v->addWidget(line);
    v->addWidget(graph, 1);
    return panel;
}

QWidget *Form1::createFigureColumn(const QList<QPair<QString, QLineEdit *>> &boxes)
{
    auto *column = new QWidget(centralWidget());
    auto *v = new QVBoxLayout(column);
    v->setContentsMargins(8, 0, 0, 0);
    v->addStretch(1);
    for (const auto &[caption, box] : boxes) {
        v->addWidget(captionLabel(caption, column), 0, Qt::AlignLeft);
        // A hidden box keeps its room.
        QSizePolicy keep = box->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        box->setSizePolicy(keep);
        v->addWidget(box);
        v->addSpacing(10);
    }
    v->addStretch(2);
    return column;
}

QWidget *Form1::createZobelColumn()
{
    auto *column = new QWidget(centralWidget());
    auto *v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 8, 0);
    v->addStretch(1);
    v->addWidget(captionLabel(QStringLiteral("Choose Zobel Comp's:"), column), 0, Qt::AlignLeft);
    v->addSpacing(8);
    v->addWidget(captioned(QStringLiteral("Zobel C_Par(uF)"), zobel_c_par, column));
    v->addWidget(captioned(QStringLiteral("Zobel R(Ohms)"), zobel_r_par, column));
    v->addWidget(captioned(QStringLiteral("Zobel C_Ser(uF)"), zobel_c_ser, column));
    v->addStretch(2);
    return column;
}

void Form1::createMenus()
{
    auto named = [](auto *object, const char *name) {
        object->setObjectName(QLatin1String(name));
        return object;
    };
    QMenuBar *bar = menuBar();

    QMenu *topology = named(bar->addMenu(QStringLiteral("&Topology")), "Topology");
    Topol_Half_Bridge =
        named(topology->addAction(QStringLiteral("&Half_Bridge")), "Topol_Half_Bridge");
    Topol_Full_Bridge =
        named(topology->addAction(QStringLiteral("&Full_Bridge")), "Topol_Full_Bridge");
    Topol_Half_Bridge->setCheckable(true);
    Topol_Full_Bridge->setCheckable(true);
    Topol_Half_Bridge->setChecked(true);
    connect(Topol_Half_Bridge, &QAction::triggered, this, &Form1::Topol_Half_Bridge_Click);
    connect(Topol_Full_Bridge, &QAction::triggered, this, &Form1::Topol_Full_Bridge_Click);

    QMenu *cursors = named(bar->addMenu(QStringLiteral("&Cursors")), "enable_cursors");
    cursors1_on = named(cursors->addAction(QStringLiteral("cursors1_on")), "cursors1_on");
    cursors2_on = named(cursors->addAction(QStringLiteral("cursors2_on")), "cursors2_on");
    cursors3_on = named(cursors->addAction(QStringLiteral("cursors3_on")), "cursors3_on");
    for (QAction *item : {cursors1_on, cursors2_on, cursors3_on}) item->setCheckable(true);

    schematic_viewer = named(bar->addAction(QStringLiteral("&Schematic")), "schematic_viewer");
    power_calcs = named(bar->addAction(QStringLiteral("&Power_calculations")), "power_calcs");
    connect(power_calcs, &QAction::triggered, this, &Form1::power_calcs_Click);
    QMenu *save =
        named(bar->addMenu(QStringLiteral("&Save Circuit Values")), "Save_circuit_values");
    Save_As = named(save->addAction(QStringLiteral("Save_As")), "Save_As");
    mnuAbout = named(bar->addAction(QStringLiteral("&About")), "mnuAbout");
    Exit = named(bar->addAction(QStringLiteral("&Exit")), "Exit");
    connect(schematic_viewer, &QAction::triggered, this, &Form1::schematic_viewer_Click);
    connect(Save_As, &QAction::triggered, this, &Form1::Save_As_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
    connect(Exit, &QAction::triggered, this, &Form1::Exit_Click);
}
