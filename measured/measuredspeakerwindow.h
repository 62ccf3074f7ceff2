#pragma once

#include <QDialog>

class DesignModel;
class MeasuredLoad;
class QLabel;

// "Measured speaker": what was read from the impedance file and the voice-coil model fitted to
// it, Re + j w Le + (R2 || j w L2), with its rms error. Non-modal; follows the design's measured
// speaker, and is shown when the user asks.
class MeasuredSpeakerWindow : public QDialog
{
    Q_OBJECT

public:
    explicit MeasuredSpeakerWindow(const DesignModel &model, QWidget *parent = nullptr);

private:
    // The load now used, or none.
    void showLoad(const MeasuredLoad *load);

    QLabel *m_file = nullptr;
    QLabel *m_points = nullptr;
    QLabel *m_model = nullptr;
    QLabel *m_error = nullptr;
};
