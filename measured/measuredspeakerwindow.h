#pragma once

#include <QDialog>

class MeasuredLoad;
class QLabel;

// "Measured speaker": what was read from the impedance file and the voice-coil model fitted to
// it, Re + j w Le + (R2 || j w L2), with its rms error. Non-modal; shows the load it is given.
class MeasuredSpeakerWindow : public QDialog
{
    Q_OBJECT

public:
    explicit MeasuredSpeakerWindow(QWidget *parent = nullptr);

    // The load now used, or none.
    void showLoad(const MeasuredLoad *load);

private:
    QLabel *m_file = nullptr;
    QLabel *m_points = nullptr;
    QLabel *m_model = nullptr;
    QLabel *m_error = nullptr;
};
