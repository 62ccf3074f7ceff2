#include "board/boardwindow.h"

#include "core/carrier/boardtable.h"
#include "widgets/graphcontrol.h"
#include "widgets/windowlook.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

BoardWindow::BoardWindow(const DesignModel &model, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("BoardWindow"));
    setWindowTitle(QStringLiteral("Filter figures"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    styleWindow(this, false);
    auto *central = new QWidget(this);
    setCentralWidget(central);
    QFont regular = font();
    regular.setBold(false);

    m_table = new QTableWidget(0, 4, central);
    m_table->setObjectName(QStringLiteral("board_table"));
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setWordWrap(false);
    m_table->setFont(regular);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(regular).height() + 6);
    m_note = new QLabel(central);
    m_note->setObjectName(QStringLiteral("board_note"));
    m_note->setWordWrap(true);
    m_note->setFont(regular);
    QPalette notes = m_note->palette();
    notes.setColor(QPalette::WindowText, kNoteText);
    m_note->setPalette(notes);
    m_damping = new QLabel(central);
    m_damping->setObjectName(QStringLiteral("board_damping"));
    m_graph = new GraphControl(central);
    m_graph->setObjectName(QStringLiteral("board_output_impedance"));
    m_graph->setup(QStringLiteral("Output impedance the speaker sees (ohm)"),
                   {100, 1e6, GraphControl::Logarithmic, QStringLiteral("Hz")},
                   {1e-3, 1e3, GraphControl::Logarithmic, QStringLiteral("ohm")});

    auto *page = new QVBoxLayout(central);
    page->addWidget(m_table);
    page->addWidget(m_note);
    page->addWidget(m_damping);
    page->addWidget(m_graph, 1);
    resize(760, 860);

    connect(&model, &DesignModel::changed, this, [this, &model](DesignParts parts) {
        if (parts != DesignPart::Reference)
            showDesign(model);
    });
    showDesign(model);
}

void BoardWindow::showDesign(const DesignModel &model)
{
    const DesignRecord &rec = model.record();
    const BoardFigures b = boardFigures(rec, model.loadPower());
    const CarrierTable &t = b.table;
    const QStringList headings{QStringLiteral("Figure"), t.idleHeading, t.atPowerHeading,
                               QStringLiteral("Rating")};
    for (int c = 0; c < headings.size(); ++c)
        if (!m_table->horizontalHeaderItem(c) ||
            m_table->horizontalHeaderItem(c)->text() != headings[c])
            m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(headings[c]));
    m_table->setColumnHidden(2, !t.hasAtPower());
    m_table->setRowCount(static_cast<int>(t.rows.size()));
    const auto put = [this](int r, int c, const QString &text, bool over) {
        QTableWidgetItem *item = m_table->item(r, c);
        if (!item)
            m_table->setItem(r, c, item = new QTableWidgetItem);
        if (item->text() != text)
            item->setText(text);
        item->setForeground(over ? QBrush(kOverText) : QBrush());
    };
    for (int r = 0; r < t.rows.size(); ++r) {
        const CarrierTableRow &row = t.rows[r];
        put(r, 0, row.figure, false);
        put(r, 1, row.idle.text, row.idle.over);
        put(r, 2, row.atPower.text, row.atPower.over);
        put(r, 3, row.rating, false);
    }
    m_table->resizeColumnsToContents();
    m_table->setFixedHeight(m_table->horizontalHeader()->sizeHint().height() +
                            m_table->verticalHeader()->length() + 2 * m_table->frameWidth());
    m_note->setText(t.note);
    m_note->setVisible(!t.note.isEmpty());

    analyseDesign(rec, model.loadPower(), m_analysis, AnalysisPart::OutputImpedance);
    m_damping->setText(QStringLiteral("Damping factor at 1 kHz into the speaker: %1")
                           .arg(QString::number(m_analysis.dampingFactor, 'g', 3)));
    // From point 1 (100 Hz), in whole decades around what is drawn.
    // The speaker takes no part in it: most changes leave it as drawn.
    const Curve &z = m_analysis.outputImpedance;
    if (!m_y.empty() && std::equal(m_y.begin(), m_y.end(), z.y.begin() + 1))
        return;
    m_x.assign(z.x.begin() + 1, z.x.end());
    m_y.assign(z.y.begin() + 1, z.y.end());
    const auto [low, high] = std::minmax_element(m_y.begin(), m_y.end());
    if (*low > 0 && std::isfinite(*high))
        m_graph->setAxisRange(GraphControl::YAxis, std::pow(10.0, std::floor(std::log10(*low))),
                              std::pow(10.0, std::ceil(std::log10(*high))));
    m_graph->plot(m_x, m_y);
}
