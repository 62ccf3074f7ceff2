#pragma once

#include "core/designmodel/designmodel.h"

#include <QMainWindow>

class GraphControl;
class QAction;
class QLabel;
class QLineEdit;
class TextGuard;

// What outlives the Power window: the program-wide flag that its graph carries a cursor.
struct PowerWindowState {
    Flag power_cursor_on = kFlagFalse;
};

// The Power window: the Zobel resistor's dissipation from 100 Hz to 100 kHz for the RMS power
// typed into it, with a cursor of its own. It shows the design model and edits its load power.
// Closing the window deletes it.
class Power_measurement_form : public QMainWindow
{
    Q_OBJECT

public:
    Power_measurement_form(DesignModel &model, PowerWindowState &state, QWidget *parent = nullptr);
    ~Power_measurement_form() override;

    // Draws the dissipation curve, and the read-outs under the cursor.
    void CWGraph4_Click();
    // Near the upper right of the screen, from the window's outer size.
    void placeOnScreen();

signals:
    // The user closed the window; it is deleted once control returns to the event loop.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Construction (power_layout.cpp).
    void createControls();
    void createMenus();
    QWidget *createZobelColumn(QWidget *parent);
    QWidget *createEntryRow(QWidget *parent);

    void connectControls();
    void Form_Load();
    void showDesign(DesignParts parts);
    void Text_peak_voltage_Change();
    void cursors4_on_Click();
    void Readout_power(double x, double y);
    void drawOverlays();

    DesignModel &m_model;
    PowerWindowState &m_state;

    // Controls, named as their objectName.
    QLabel *Label3 = nullptr;
    QLineEdit *Text_zobel_c_parp = nullptr;
    QLineEdit *Text_zobel_r_parp = nullptr;
    QLineEdit *Text_zobel_c_serp = nullptr;
    GraphControl *CWGraph4 = nullptr;
    QLineEdit *Text_peak_voltage = nullptr;
    QLineEdit *Text_power_freq = nullptr;
    QLineEdit *Text_power = nullptr;
    QAction *cursors4_on = nullptr;
    TextGuard *m_loadPowerGuard = nullptr;
};
