// The main window's start-up, topology and program end.
#include "app/form1.h"

#include "core/common/placement.h"
#include "widgets/filechooser.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QScreen>

Form1::Form1(QWidget *parent) : QMainWindow(parent)
{
    createControls();
    createMenus();
    createGraphMenus();
    createMeasuredMenu();
    createCarrierMenu();
    createTradeoffMenu();
    createDesignMenu();
    connectSelectors();
    connectGraphs();
    Form_Load();
    // Undo steps start from the design start-up leaves.
    m_recorded = designInputs();
}

Form1::~Form1()
{
    delete m_power;  // it reads this window's design record
}

void Form1::Form_Load()
{
    // 1. No graph carries a cursor.
    for (GraphPanel &panel : m_graphs) panel.cursorFlag = kFlagFalse;
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
    // 4. Half bridge.
    m_rec.full_bridge_select = kFlagFalse;
    // 5. No cursor read-outs until a cursor is switched on.
    for (const GraphPanel &panel : m_graphs) {
        panel.readoutX->setVisible(false);
        panel.readoutY->setVisible(false);
    }
    // 6. The speaker inductance's text and the filter inductor, as the lists' first texts give.
    m_rec.speaker_l_valtxt = QStringLiteral(".67");
    m_rec.filter_l_par_modeval = 2.2e-05;
    // 7. Everything once more with the complete set.
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
    setWindowTitle(QGuiApplication::applicationDisplayName() +
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
