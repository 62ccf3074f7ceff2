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
#include <QUndoStack>

Form1::Form1(QWidget *parent) : QMainWindow(parent), m_model(new DesignModel(this))
{
    createControls();
    createMenus();
    createGraphMenus();
    createMeasuredMenu();
    createCarrierMenu();
    createTradeoffMenu();
    createDesignMenu();
    createSheetMenu();
    createPartsMenu();
    createToleranceMenu();
    createAssistantMenu();
    connectSelectors();
    connectGraphs();
    connect(m_model, &DesignModel::changed, this, &Form1::showDesign);
    connect(m_model, &DesignModel::toleranceChanged, this, &Form1::followTolerance);
    connect(m_model, &DesignModel::settled, this, [this] { recordChange(); });
    Form_Load();
    // Undo steps start from the design start-up leaves.
    m_recorded = snapshot();
}

Form1::~Form1()
{
    // The undo stack tells of its clean state as it goes, which this window must not hear half
    // destroyed.
    m_undo->disconnect(this);
    delete m_power;  // a window of its own, not a child of this one
}

const MeasuredLoad *Form1::measuredSpeaker() const
{
    return m_model->measured().get();
}

const DesignRecord &Form1::design() const
{
    return m_model->record();
}

double Form1::loadPower() const
{
    return m_model->loadPower();
}

DesignInputs Form1::designInputs() const
{
    return m_model->inputs();
}

void Form1::Form_Load()
{
    // No graph carries a cursor, and no read-out shows until one is switched on.
    for (GraphPanel &panel : m_graphs) {
        panel.cursorFlag = kFlagFalse;
        panel.readoutX->setVisible(false);
        panel.readoutY->setVisible(false);
    }
    Fill_value_lists();
    showInputs();
    Recalculate_all();
    placeOnScreen();
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
    m_model->setFullBridge(true);
    showTopology();
}

void Form1::Topol_Half_Bridge_Click()
{
    m_model->setFullBridge(false);
    showTopology();
}

void Form1::showTopology()
{
    const bool full = m_model->record().fullBridge();
    Topol_Half_Bridge->setChecked(!full);
    Topol_Full_Bridge->setChecked(full);
    showCaption();
}

void Form1::Exit_Click()
{
    if (changesSettled())
        Form_Unload();
}

void Form1::Form_Unload()
{
    // Every other window goes with this one without being closed, so that none of their closing
    // steps runs (closing the Power window would clear its cursor flag). Nothing is saved (the
    // user has been asked about changes to a design file's design, if any). A quit
    // request would first close every window still shown; exit() closes none.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            w->hide();
    }
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!changesSettled()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}
