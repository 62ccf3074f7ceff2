// The main window's side of the tolerance bands: the "Tolerance" menu that opens the window and
// keeps the bands on the graphs without it.
#include "app/form1.h"

#include "tolerance/tolerancewindow.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QMenuBar>
#include <QWindow>

void Form1::createToleranceMenu()
{
    QMenu *menu = named(menuBar()->addMenu(QStringLiteral("T&olerance")), "tolerance");
    QAction *open =
        named(menu->addAction(QStringLiteral("Tolerance &bands and yield…")), "tolerance_window");
    connect(open, &QAction::triggered, this, &Form1::tolerance_window_Click);
    m_toleranceBands =
        named(menu->addAction(QStringLiteral("&Show bands on the graphs")), "tolerance_bands");
    m_toleranceBands->setCheckable(true);
    connect(m_toleranceBands, &QAction::toggled, this,
            [this](bool on) { toleranceWindow()->setBandsWanted(on); });
}

ToleranceWindow *Form1::toleranceWindow()
{
    if (!m_toleranceWindow) {
        m_toleranceWindow = new ToleranceWindow(*m_model, this);
        m_toleranceWindow->setAttribute(Qt::WA_QuitOnClose, false);
        m_toleranceWindow->winId();
        m_toleranceWindow->windowHandle()->setTransientParent(windowHandle());
    }
    return m_toleranceWindow;
}

void Form1::tolerance_window_Click()
{
    ToleranceWindow *w = toleranceWindow();
    showInFront(w);
}
