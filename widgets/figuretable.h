#pragma once

#include "core/carrier/carriertable.h"

#include <QTableWidget>

#include <vector>

// A table of figures, idle and at the load power, beside the ratings they are held against: a
// figure over its rating in red, each column as wide as its texts, the last one taking what room
// is left, every row in view. Shown anew on every change of the design, it touches only what
// changed, so a keystroke neither measures every text nor lays the table out again.
class FigureTable : public QTableWidget
{
public:
    // Headings in the parent's font, cells in its regular (not bold) face.
    explicit FigureTable(QWidget *parent);

    void showTable(const CarrierTable &t);

private:
    void fitColumns();

    std::vector<int> m_textWidths;  // each cell's text width, row by row
};
