#include "widgets/figuretable.h"

#include "widgets/windowlook.h"

#include <QHeaderView>

#include <algorithm>

FigureTable::FigureTable(QWidget *parent) : QTableWidget(0, 4, parent)
{
    verticalHeader()->setVisible(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setWordWrap(false);
    QFont regular = parent->font();
    regular.setBold(false);
    setFont(regular);
    horizontalHeader()->setFont(parent->font());
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(regular).height() + 6);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void FigureTable::showTable(const CarrierTable &t)
{
    const QStringList headings{QStringLiteral("Figure"), t.idleHeading,
                               t.hasAtPower() ? t.atPowerHeading : QString(),
                               QStringLiteral("Rating")};
    for (int c = 0; c < headings.size(); ++c) {
        QTableWidgetItem *h = horizontalHeaderItem(c);
        if (!h)
            setHorizontalHeaderItem(c, h = new QTableWidgetItem);
        if (h->text() != headings[c])
            h->setText(headings[c]);
    }
    setColumnHidden(2, !t.hasAtPower());
    if (rowCount() != t.rows.size()) {
        setRowCount(static_cast<int>(t.rows.size()));
        m_textWidths.assign(t.rows.size() * columnCount(), 0);
        setMinimumHeight(0);  // fitted to the rows again below
    }
    const QFontMetrics cells(font());
    const auto put = [&](int r, int c, const QString &text, bool over) {
        QTableWidgetItem *it = item(r, c);
        if (!it)
            setItem(r, c, it = new QTableWidgetItem);
        // Measured once per new text (and again after the rows changed), in its font.
        int &width = m_textWidths[r * columnCount() + c];
        if (it->text() != text || width == 0) {
            it->setText(text);
            width = cells.horizontalAdvance(text);
        }
        const QBrush brush = over ? QBrush(kOverText) : QBrush();
        if (it->foreground() != brush)
            it->setForeground(brush);
    };
    for (int r = 0; r < t.rows.size(); ++r) {
        const CarrierTableRow &row = t.rows[r];
        put(r, 0, row.figure, false);
        put(r, 1, row.idle.text, row.idle.over);
        put(r, 2, row.atPower.text, row.atPower.over);
        put(r, 3, row.rating, false);
    }
    fitColumns();
    // Every row in view, no room left over.
    if (minimumHeight() != maximumHeight())
        setFixedHeight(horizontalHeader()->sizeHint().height() + verticalHeader()->length() +
                       2 * frameWidth());
}

void FigureTable::fitColumns()
{
    // The widest of each column's texts, with room for the cell's margins.
    constexpr int kMargins = 16;
    const QFontMetrics headings(horizontalHeader()->font());
    for (int c = 0; c < columnCount(); ++c) {
        const QTableWidgetItem *h = horizontalHeaderItem(c);
        int width = h ? headings.horizontalAdvance(h->text()) : 0;
        for (int r = 0; r < rowCount(); ++r)
            width = std::max(width, m_textWidths[r * columnCount() + c]);
        // The stretched last column keeps the room it was given while its texts fit: setting it
        // back to their width would have the header stretch it again, relaying out the table.
        const int need = width + kMargins, now = columnWidth(c);
        const bool stretched = c == columnCount() - 1 && horizontalHeader()->stretchLastSection();
        if (stretched ? now < need : now != need)
            setColumnWidth(c, need);
    }
}
