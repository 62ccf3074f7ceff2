// Construction of the main window's controls and menus.
#include "app/form1.h"
#include "widgets/graphcontrol.h"
#include "widgets/valuecombo.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QGuiApplication>
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

constexpr int kBoxWidth = 80;

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

ValueCombo *selector(const char *name, QWidget *parent)
{
    auto *combo = new ValueCombo(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setFixedWidth(kBoxWidth);
    return combo;
}

}  // namespace

void Form1::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QGuiApplication::applicationDisplayName() + QStringLiteral(" (HALF BRIDGE)"));
    styleWindow(this, false);

    auto *central = new QWidget(this);
    setCentralWidget(central);

    speaker_r_mode = selector("speaker_r_mode", central);
    Speaker_L = named(new QLineEdit(QStringLiteral(".67"), central), "Speaker_L");
    Speaker_L->setFixedWidth(kBoxWidth);
    Speaker_L->installEventFilter(this);
    filter_c_par = selector("filter_c_par", central);
    filter_l_par = selector("filter_l_par", central);
    zobel_c_par = selector("zobel_c_par", central);
    zobel_r_par = selector("zobel_r_par", central);
    zobel_c_ser = selector("zobel_c_ser", central);

    createGraphs(central);
    GraphPanel &fig1 = m_graphs[Fig1];
    GraphPanel &fig2 = m_graphs[Fig2];
    GraphPanel &fig3 = m_graphs[Fig3];
    Text_rzobel_power = resultBox("Text_rzobel_power", central, kBoxWidth);

    auto *zoomButtons = new QWidget(central);
    auto *zoomRow = new QHBoxLayout(zoomButtons);
    zoomRow->setContentsMargins(0, 0, 0, 0);
    zoomRow->addWidget(fig3.zoomIn);
    zoomRow->addWidget(fig3.zoomFull);

    auto *upper = new QHBoxLayout;
    upper->addWidget(createGraphPanel(fig1, nullptr), 1);
    upper->addWidget(createGraphPanel(fig2, nullptr), 1);
    upper->addWidget(createFigureColumn({{QStringLiteral("        MaxGain"), fig2.figureMax},
                                         {QStringLiteral("Gain(@20kHz)"), fig2.figure20k},
                                         {QStringLiteral("Gain(@384kHz)"), fig2.figure384k}}));

    auto *lower = new QHBoxLayout;
    lower->addStretch(1);
    lower->addWidget(createZobelColumn());
    lower->addWidget(createGraphPanel(fig3, zoomButtons), 4);
    lower->addWidget(
        createFigureColumn({{QStringLiteral("        MaxGain"), fig3.figureMax},
                            {QStringLiteral("NetGain(@20kHz)"), fig3.figure20k},
                            {QStringLiteral("NetGain(@384kHz)"), fig3.figure384k},
                            {QStringLiteral("Power of Rzobel @(7khz)"), Text_rzobel_power}}));
    lower->addStretch(1);

    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(16, 8, 16, 12);
    page->addWidget(createSelectorRow());
    page->addLayout(upper, 1);
    page->addLayout(lower, 1);

    // Hidden until the first sweep reaches 20 kHz, or a cursor is switched on.
    for (QWidget *hidden :
         std::initializer_list<QWidget *>{fig2.figure20k, fig3.figure20k, fig3.zoomIn})
        hidden->setVisible(false);
    for (const GraphPanel &panel : m_graphs) {
        panel.readoutX->setVisible(false);
        panel.readoutY->setVisible(false);
    }
}

void Form1::createGraphs(QWidget *central)
{
    const GraphControl::AxisSetup frequency{10, 1e6, GraphControl::Logarithmic,
                                            QStringLiteral("Hz")};
    const GraphControl::AxisSetup ohms{10, 10000, GraphControl::Logarithmic, QString()};
    const GraphControl::AxisSetup decibels{-60, 60, GraphControl::Linear, QString()};
    const auto graph = [central, &frequency](const char *name, const QString &caption,
                                             const GraphControl::AxisSetup &y) {
        auto *g = new GraphControl(central);
        g->setObjectName(QLatin1String(name));
        g->setup(caption, frequency, y);
        return g;
    };
    const auto box = [central](const char *name) { return resultBox(name, central, kBoxWidth); };
    GraphPanel &fig1 = m_graphs[Fig1];
    fig1.graph = graph("CWGraph1", QStringLiteral("Fig. 1: Speaker Impedance(Ohms)"), ohms);
    fig1.readoutX = box("Text_coordx1");
    fig1.readoutY = box("Text_coordy1");
    fig1.sweep = &Form1::Sweep_impedance;
    fig1.readout = &Form1::Readout_impedance;
    GraphPanel &fig2 = m_graphs[Fig2];
    fig2.graph =
        graph("CWGraph3", QStringLiteral("Fig. 2: Filter Gain(dB) without Zobel"), decibels);
    fig2.readoutX = box("Text_coordx2");
    fig2.readoutY = box("Text_coordy2");
    fig2.figureMax = box("Text_maxgain4");
    fig2.figure20k = box("Text_gain_20k");
    fig2.figure384k = box("Text_gain_384k");
    fig2.sweep = &Form1::Sweep_gain_plain;
    fig2.readout = &Form1::Readout_gain_plain;
    GraphPanel &fig3 = m_graphs[Fig3];
    fig3.graph = graph("CWGraph4", QStringLiteral("Fig. 3: Filter gain(dB) with Zobel"), decibels);
    fig3.readoutX = box("Text_coordx3");
    fig3.readoutY = box("Text_coordy3");
    fig3.figureMax = box("Text_maxgain");
    fig3.figure20k = box("Text_netgain_20k");
    fig3.figure384k = box("Text_netgain_384k");
    fig3.sweep = &Form1::Sweep_gain_zobel;
    fig3.readout = &Form1::Readout_gain_zobel;
    fig3.zoomIn = new QPushButton(QStringLiteral("Zoom @Cursor"), central);
    fig3.zoomIn->setObjectName(QStringLiteral("Zoom_In4"));
    fig3.zoomFull = new QPushButton(QStringLiteral("Zoom Full"), central);
    fig3.zoomFull->setObjectName(QStringLiteral("Zoom_Full4"));
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

QWidget *Form1::createGraphPanel(const GraphPanel &graphPanel, QWidget *extra)
{
    QLineEdit *readoutX = graphPanel.readoutX;
    QLineEdit *readoutY = graphPanel.readoutY;
    auto *panel = new QWidget(centralWidget());
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    // The read-out line keeps its height while its boxes are hidden, so the graph does not jump.
    auto *line = new QWidget(panel);
    line->setFixedHeight(
        qMax(readoutX->sizeHint().height(), m_graphs[Fig3].zoomFull->sizeHint().height()));
    auto *h = new QHBoxLayout(line);
    h->setContentsMargins(0, 0, 0, 0);
    if (extra)
        h->addWidget(extra);
    h->addStretch(1);
    h->addWidget(readoutX);
    h->addWidget(readoutY);
    v->addWidget(line);
    v->addWidget(graphPanel.graph, 1);
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
    const char *const cursorItems[] = {"cursors1_on", "cursors2_on", "cursors3_on"};
    for (GraphId id : {Fig1, Fig2, Fig3}) {
        QAction *item = named(cursors->addAction(QLatin1String(cursorItems[id])), cursorItems[id]);
        item->setCheckable(true);
        m_graphs[id].cursorItem = item;
    }

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
