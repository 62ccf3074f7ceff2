// The main window's side of the held reference: the panel of its figures beside the live ones.
// Its curves are drawn dashed under the live ones by each graph's overlays.
#include "app/form1.h"

#include "reference/referencepanel.h"

#include <QAction>

const DesignInputs *Form1::heldReference() const
{
    const HeldReference *held = m_model->reference();
    return held ? &held->inputs : nullptr;
}

void Form1::followReference(DesignParts parts)
{
    // The panel follows the model itself; this window makes room for it while there is one.
    if (!(parts & DesignPart::Reference))
        return;
    const bool held = m_model->reference() != nullptr;
    m_clearReference->setEnabled(held);
    if (!held) {
        delete m_referencePanel;
        return;
    }
    if (!m_referencePanel) {
        // Beside the graphs, which make room for it: it never covers a figure.
        m_referencePanel = new ReferencePanel(*m_model, this);
        addDockWidget(Qt::RightDockWidgetArea, m_referencePanel);
    }
    m_referencePanel->show();
}
