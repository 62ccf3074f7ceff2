// The main window's side of the parts library: the library read at start-up, the selectors
// listing its values, and the "Parts" menu that opens its window and the filter figures.
#include "app/form1.h"

#include "board/boardwindow.h"
#include "parts/partswindow.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QMenuBar>
#include <QWindow>

void Form1::createPartsMenu()
{
    // Read before the selectors are filled; a library the user changes fills them again.
    m_libraryRefusal = PartsWindow::loadStoredLibrary(*m_model);
    connect(m_model, &DesignModel::libraryChanged, this, &Form1::Fill_value_lists);
    QMenu *menu = named(menuBar()->addMenu(QStringLiteral("Parts")), "parts");
    QAction *open = named(menu->addAction(QStringLiteral("Parts &library…")), "parts_window");
    connect(open, &QAction::triggered, this, &Form1::parts_window_Click);
    QAction *figures = named(menu->addAction(QStringLiteral("Filter &figures…")), "board_window");
    connect(figures, &QAction::triggered, this, &Form1::board_window_Click);
}

void Form1::board_window_Click()
{
    if (!m_board) {
        m_board = new BoardWindow(*m_model, this);
        m_board->winId();
        m_board->windowHandle()->setTransientParent(windowHandle());
    }
    showInFront(m_board);
}

void Form1::parts_window_Click()
{
    if (!m_parts) {
        m_parts = new PartsWindow(*m_model, m_libraryRefusal, this);
        m_parts->winId();
        m_parts->windowHandle()->setTransientParent(windowHandle());
    }
    // Not modal: the design stays open to change beside it.
    showInFront(m_parts);
}
