#include "board/boardwindow.h"

#include "core/carrier/boardtable.h"
#include "widgets/figuretable.h"
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

    m_table = new FigureTable(central);
    m_table->setObjectName(QStringLiteral("board_table"));
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
    const BoardFigures b = boardFigures(rec, model.loadPower(), model.carrierAnalysis());
    const CarrierTable &t = b.table;
    m_table->showTable(t);
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
