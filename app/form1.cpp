#include "app/form1.h"

#include "core/figuretext.h"
#include "core/placement.h"
#include "core/readouttext.h"
#include "widgets/graphcontrol.h"
#include "widgets/valuecombo.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

Form1::Form1(QWidget *parent) : QMainWindow(parent)
{
    createControls();
    createMenus();
    createGraphMenus();
    connectSelectors();
    connectGraphs();
    Form_Load();
}

Form1::~Form1()
{
    delete m_power;  // it reads this window's design record
}

// ---- Start-up ---------------------------------------------------------------------------------

void Form1::Form_Load()
{
    // 1. No graph carries a cursor.
    m_cursors1_curs_zoomb = kFlagFalse;
    m_cursors3_curs_zoomb = kFlagFalse;
    m_cursors4_curs_zoomb = kFlagFalse;
    // 2. Value lists, then the three Zobel selectors' change handling.
    Fill_value_lists();
    // 3. The remaining defaults and the first complete analysis.
    Set_defaults();
    // 4. Size and place from the screen.
    placeOnScreen();
}

void Form1::Set_defaults()
{
    // 1.-2. The speaker inductance from its box.
    m_rec.actual_l_net = 0.67;
    Apply_speaker_l();
    // 3. The filter capacitor, speaker resistance and filter inductor from their lists.
    filter_c_par_Click();
    speaker_r_mode_Click();
    filter_l_par_Click();
    // 4.
    m_rec.full_bridge_select = kFlagFalse;
    // 5.
    for (QLineEdit *box :
         {Text_coordx1, Text_coordy1, Text_coordx2, Text_coordy2, Text_coordx3, Text_coordy3})
        box->setVisible(false);
    // 6.
    m_rec.speaker_l_valtxt = QStringLiteral(".67");
    m_rec.filter_l_par_modeval = 2.2e-05;
    // 7.
    Recalculate_all();
}

void Form1::placeOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const WindowRect size = mainWindowSize(screen->geometry().width(), screen->geometry().height());
    resize(qRound(size.width), qRound(size.height));
    // The offset uses the size the window took, frame included.
    placeUpperRight(this, frameGeometry().size());
}

// ---- Topology and program end -----------------------------------------------------------------

void Form1::Topol_Full_Bridge_Click()
{
    setTopology(kFlagTrue);
}

void Form1::Topol_Half_Bridge_Click()
{
    setTopology(kFlagFalse);
}

void Form1::setTopology(Flag full)
{
    m_rec.full_bridge_select = full;
    Topol_Half_Bridge->setChecked(full == kFlagFalse);
    Topol_Full_Bridge->setChecked(full != kFlagFalse);
    setWindowTitle(QStringLiteral("Quorvel") +
                   (full ? QStringLiteral(" (FULL BRIDGE)") : QStringLiteral(" (HALF BRIDGE)")));
    Recalculate_all();
}

void Form1::Exit_Click()
{
    Form_Unload();
}

void Form1::Form_Unload()
{
    // Every other window goes with this one without being closed, so that none of their closing
    // steps runs (closing the Power window would clear its cursor flag). Nothing is saved. A quit
    // request would first close every window still shown; exit() closes none.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            w->hide();
    }
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_Unload();
}

// ---- Recalculation ----------------------------------------------------------------------------

void Form1::Recalculate_all()
{
    ++m_runs.recalculate;
    // 1. The gain sweeps use R1 and L1 as the impedance sweep derives them.
    Sweep_impedance();
    Sweep_gain_plain();
    Sweep_gain_zobel();

    // 2. Read-outs follow the new curves under cursors that stay where they are.
    struct Cursored {
        GraphControl *graph;
        void (Form1::*readout)(int, double, double, bool);
    };
    for (const Cursored &c : {Cursored{CWGraph1, &Form1::Readout_impedance},
                              Cursored{CWGraph3, &Form1::Readout_gain_plain},
                              Cursored{CWGraph4, &Form1::Readout_gain_zobel}}) {
        if (static_cast<std::int16_t>(c.graph->cursorCount()) > 0) {
            const double x = c.graph->cursorX();
            const double y = c.graph->cursorY();
            (this->*c.readout)(1, x, y, true);
        }
    }
    // 3. The Zobel resistor's dissipation, which also fills Text_rzobel_power.
    loadedPowerWindow()->CWGraph4_Click();
}

namespace {

void showFigure(QLineEdit *box, bool reached, double dB)
{
    if (!reached)
        return;
    box->setVisible(true);
    box->setText(figureText(dB));
}

}  // namespace

void Form1::Sweep_impedance()
{
    ++m_runs.impedance;
    sweepImpedance(m_rec, m_curveImpedance);
    CWGraph1->plot(m_curveImpedance.x, m_curveImpedance.y);
}

void Form1::Sweep_gain_plain()
{
    ++m_runs.gainPlain;
    const GainFigures fig = sweepGainPlain(m_rec, m_curvePlain);
    showFigure(Text_gain_20k, fig.has20k, fig.gain20k);
    showFigure(Text_gain_384k, fig.has384k, fig.gain384k);
    Text_maxgain4->setText(figureText(fig.maximum));
    CWGraph3->plot(m_curvePlain.x, m_curvePlain.y);
    followLoads(GainGraph::plain);
}

void Form1::Sweep_gain_zobel()
{
    ++m_runs.gainZobel;
    const GainFigures fig = sweepGainZobel(m_rec, m_curveZobel);
    showFigure(Text_netgain_20k, fig.has20k, fig.gain20k);
    showFigure(Text_netgain_384k, fig.has384k, fig.gain384k);
    Text_maxgain->setText(figureText(fig.maximum));
    CWGraph4->plot(m_curveZobel.x, m_curveZobel.y);
    followLoads(GainGraph::zobel);
}

// ---- Cursor read-outs -------------------------------------------------------------------------

void Form1::Readout_impedance(int, double x, double y, bool)
{
    Text_coordx1->setText(frequencyText(x));
    Text_coordy1->setText(impedanceReadoutText(y));
}

void Form1::Readout_gain_plain(int, double x, double y, bool)
{
    Text_coordx2->setText(frequencyText(x));
    Text_coordy2->setText(gainReadoutText(y));
}

void Form1::Readout_gain_zobel(int, double x, double y, bool)
{
    Text_coordx3->setText(frequencyText(x));
    Text_coordy3->setText(gainReadoutText(y));
}
