#pragma once

#include "core/network/analysis.h"
#include "core/measured/measuredcurves.h"
#include "core/network/valuelists.h"

#include <memory>

#include <QMainWindow>

class GraphControl;
class QAction;
class QLabel;
class QLineEdit;

// What outlives the Power window: the program-wide flag that its graph carries a cursor, and the
// last accepted load-power text, which a rejected entry puts back. Loading the window sets the
// text to the "50" it shows, so that a rejected entry never brings back a power this window's
// user did not enter.
struct PowerWindowState {
    Flag power_cursor_on = kFlagFalse;
    QString load_voltage_string;
};

// The texts of the main window's three Zobel selectors, as the Power window shows them.
struct ZobelTexts {
    QString c_par;
    QString r_par;
    QString c_ser;
};

// The Power window: the Zobel resistor's dissipation from 100 Hz to 100 kHz for the RMS power
// typed into it, with a cursor of its own. It reads the design, never writes it; the 7 kHz figure
// for the main window leaves by signal. Closing the window deletes it.
class Power_measurement_form : public QMainWindow
{
    Q_OBJECT

public:
    // Loads the window, hidden: its load steps run, the first sweep included.
    Power_measurement_form(const DesignRecord &design, PowerWindowState &state,
                           const ZobelTexts &zobel, QWidget *parent = nullptr);
    ~Power_measurement_form() override;

    // The dissipation sweep: plots, updates the read-outs under the cursor, reports the 7 kHz
    // figure.
    void CWGraph4_Click();
    // Shows a Zobel selector's accepted text (no unit) in its read-out box.
    void setZobelReadout(ListSelector s, const QString &text);
    // Near the upper right of the screen, from the window's outer size.
    void placeOnScreen();
    // A measured speaker's dissipation drawn beside the design's, or none (null); the grid must
    // outlive the window or be taken back first.
    void setMeasuredSpeaker(const MeasuredGrid *grid);
    // A held reference design's dissipation drawn dashed under the design's, named `name`, or
    // none (null); the curve must outlive the window or be taken back first.
    void setReference(const PowerCurve *curve, const QString &name);
    // Puts text into the load power box as typing it would, so that its change handling runs;
    // the text already there changes nothing.
    void enterLoadPower(const QString &text);

    double actual_l_net() const { return m_actual_l_net; }  // RMS load power, W
    int sweepRuns() const { return m_sweepRuns; }

signals:
    // The 7 kHz dissipation text for the main window's "Power of Rzobel @(7khz)" box.
    void rzobelPowerChanged(const QString &text);
    // An entry in the load power box has been handled: taken, kept on its way, or put back.
    void loadPowerEntered();
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
    void Form_Load(const ZobelTexts &zobel);
    void Text_peak_voltage_Change();
    void cursors4_on_Click();
    void Readout_power(double x, double y);
    void drawOverlays();

    const DesignRecord &m_design;
    PowerWindowState &m_state;
    double m_actual_l_net = 50.0;
    int m_sweepRuns = 0;
    DesignAnalysis m_analysis;  // its dissipation part
    const MeasuredGrid *m_measured = nullptr;
    std::unique_ptr<PowerCurve> m_measuredCurve;
    const PowerCurve *m_reference = nullptr;
    QString m_referenceName;

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
};
