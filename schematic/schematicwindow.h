#pragma once

#include "core/network/valuelists.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPainter;

// What both schematic windows share: a fixed drawing in the picture box `Picture1` with a gold
// value label over it for each component, and a modal showing near the upper right of the screen.
class SchematicWindow : public QDialog
{
    Q_OBJECT

public:
    // Writes text on every value label of one component (two for a doubled full-bridge part).
    void setCaption(QString SchematicCaptions::*part, const QString &text);

protected:
    // Where a value label sits over the drawing, relative to the picture box, in twips.
    struct LabelPlace {
        const char *name;
        QString SchematicCaptions::*part;
        int left;
        int top;
        int width;
    };
    struct Layout {
        const char *objectName;
        const char *caption;
        QRect pictureTwips;
        void (*draw)(QPainter &);
        std::vector<LabelPlace> labels;
    };

    SchematicWindow(const Layout &layout, QWidget *parent);

private:
    void createPicture(const Layout &layout);
    void createLabels(const Layout &layout);

    struct PlacedLabel {
        QLabel *label;
        QString SchematicCaptions::*part;
        int minimumWidth;
    };
    std::vector<PlacedLabel> m_labels;
};
