#pragma once

#include "core/designmodel/designmodel.h"

#include <QMainWindow>

#include <vector>

class FigureTable;
class GraphControl;
class QLabel;

// The filter as its parts build it: corner frequency and Q, the values the parts hold idle and
// at the load power, each part against its rating, the losses and the efficiency, and the output
// impedance the speaker sees with its damping factor. It follows the design model; closing the
// window deletes it.
class BoardWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit BoardWindow(const DesignModel &model, QWidget *parent = nullptr);

private:
    void showDesign(const DesignModel &model);

    QLabel *m_note = nullptr;
    FigureTable *m_table = nullptr;
    QLabel *m_damping = nullptr;
    GraphControl *m_graph = nullptr;
    DesignAnalysis m_analysis;  // the output impedance, reused from change to change
    std::vector<double> m_x, m_y;
};
