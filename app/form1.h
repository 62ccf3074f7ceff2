#pragma once

#include "core/designrecord.h"
#include "core/loadcompare.h"
#include "core/report.h"
#include "core/sweeps.h"
#include "core/valuelists.h"
#include "power/power_measurement_form.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class File_control;
class GraphControl;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class Schematic;
class Schematic_full;
class ValueCombo;

// How often each calculation ran since the window was created (for tests and benchmarks).
struct RunCounts {
    int recalculate = 0;
    int impedance = 0;
    int gainPlain = 0;
    int gainZobel = 0;
};

// The main window: owns the design record, the selectors, the three graphs and the result boxes,
// and reruns the analysis on every change.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The design record, read by the other windows.
    const DesignRecord &design() const { return m_rec; }
    Flag full_bridge_select() const { return m_rec.full_bridge_select; }
    std::int32_t speaker_r_modeval() const { return m_rec.speaker_r_modeval; }
    double actual_l_net() const { return m_rec.actual_l_net; }
    QString speaker_l_valtxt() const { return m_rec.speaker_l_valtxt; }
    double filter_l_par_modeval() const { return m_rec.filter_l_par_modeval; }
    double filter_c_par_modeval() const { return m_rec.filter_c_par_modeval; }
    double zobel_c_parval() const { return m_rec.zobel_c_parval; }
    double zobel_c_serval() const { return m_rec.zobel_c_serval; }
    double zobel_r_parval() const { return m_rec.zobel_r_parval; }
    QString jfilter_l() const { return m_rec.jfilter_l; }
    QString jfilter_c() const { return m_rec.jfilter_c; }
    QString jspeaker_r() const { return m_rec.jspeaker_r; }
    QString jzobel_c2() const { return m_rec.jzobel_c2; }
    QString jzobel_c3() const { return m_rec.jzobel_c3; }
    QString jzobel_r2() const { return m_rec.jzobel_r2; }
    double R1() const { return m_rec.R1; }
    double R2() const { return m_rec.R2; }
    double L1() const { return m_rec.L1; }
    double L2() const { return m_rec.L2; }
    double C1() const { return m_rec.C1; }
    double C2() const { return m_rec.C2; }
    double C3() const { return m_rec.C3; }
    Flag cursors1_curs_zoomb() const { return m_cursors1_curs_zoomb; }
    Flag cursors3_curs_zoomb() const { return m_cursors3_curs_zoomb; }
    Flag cursors4_curs_zoomb() const { return m_cursors4_curs_zoomb; }
    Flag power_cursor_on() const { return m_powerState.power_cursor_on; }

    // The Power window while it is loaded (shown or hidden), else null.
    Power_measurement_form *powerWindow() const { return m_power; }

    // The captions the schematic value labels carry for the current design.
    SchematicCaptions schematicCaptions() const { return ::schematicCaptions(m_rec); }
    const RunCounts &runCounts() const { return m_runs; }

    // Procedures other windows call to bring results up to date.
    void Recalculate_all();
    void Update_schemo();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Construction (form1_layout.cpp).
    void createControls();
    void createMenus();
    QWidget *createSelectorRow();
    QWidget *createGraphPanel(GraphControl *graph, QLineEdit *readoutX, QLineEdit *readoutY,
                              QWidget *extra);
    QWidget *createFigureColumn(const QList<QPair<QString, QLineEdit *>> &boxes);
    QWidget *createZobelColumn();

    // Start-up, topology and program end (form1.cpp).
    void Form_Load();
    void Set_defaults();
    void placeOnScreen();
    void Topol_Full_Bridge_Click();
    void Topol_Half_Bridge_Click();
    void setTopology(Flag full);
    void Exit_Click();
    void Form_Unload();

    // Sweeps and their outputs (form1.cpp).
    void Sweep_impedance();
    void Sweep_gain_plain();
    void Sweep_gain_zobel();
    void Readout_impedance(int index, double x, double y, bool tracking);
    void Readout_gain_plain(int index, double x, double y, bool tracking);
    void Readout_gain_zobel(int index, double x, double y, bool tracking);

    // The graphs' right-click menus and the load comparison (form1_graphmenus.cpp).
    void createGraphMenus();
    void followLoads(GainGraph graph);

    // Cursors and zoom (form1_cursors.cpp).
    void connectGraphs();
    void toggleCursor(Flag &flag, QAction *item, GraphControl *graph, QLineEdit *readoutX,
                      QLineEdit *readoutY, QPushButton *zoom);
    void Zoom_In4_Click();
    void Zoom_Full4_Click();

    // The Power window (form1_power.cpp).
    Power_measurement_form *loadedPowerWindow();
    void power_calcs_Click();
    void showRzobelPower(const QString &text);

    // Value entry (form1_entry.cpp).
    void Fill_value_lists();
    void connectSelectors();
    void List_selector_change(ListSelector s);
    ValueCombo *selectorBox(ListSelector s) const;
    void filter_l_par_Click();
    void filter_c_par_Change();
    void filter_c_par_Click();
    void speaker_r_mode_Change();
    void speaker_r_mode_Click();
    void zobel_c_par_Change();
    void zobel_c_par_Click();
    void zobel_c_ser_Change();
    void zobel_c_ser_Click();
    void zobel_r_par_Change();
    void zobel_r_par_Click();
    void Speaker_L_KeyUp();
    void Apply_speaker_l();

    // The other windows (form1_windows.cpp).
    void setSchematicLabels(QString SchematicCaptions::*part, const QString &caption);
    void schematic_viewer_Click();
    void Save_As_Click();
    ReportValues reportValues();
    void mnuAbout_Click();

    DesignRecord m_rec;
    Flag m_cursors1_curs_zoomb = kFlagFalse;
    Flag m_cursors3_curs_zoomb = kFlagFalse;
    Flag m_cursors4_curs_zoomb = kFlagFalse;
    RunCounts m_runs;
    Curve m_curveImpedance;
    Curve m_curvePlain;
    Curve m_curveZobel;
    std::unique_ptr<LoadCurves> m_loadsPlain;  // made when Compare Loads is first chosen
    std::unique_ptr<LoadCurves> m_loadsZobel;
    QPointer<Schematic> m_schematic;
    QPointer<Schematic_full> m_schematicFull;
    QPointer<File_control> m_fileControl;
    PowerWindowState m_powerState;
    QPointer<Power_measurement_form> m_power;

    // Controls, named as their objectName.
    ValueCombo *speaker_r_mode = nullptr;
    QLineEdit *Speaker_L = nullptr;
    ValueCombo *filter_c_par = nullptr;
    ValueCombo *filter_l_par = nullptr;
    ValueCombo *zobel_c_par = nullptr;
    ValueCombo *zobel_r_par = nullptr;
    ValueCombo *zobel_c_ser = nullptr;
    GraphControl *CWGraph1 = nullptr;
    GraphControl *CWGraph3 = nullptr;
    GraphControl *CWGraph4 = nullptr;
    QLineEdit *Text_maxgain4 = nullptr;
    QLineEdit *Text_gain_20k = nullptr;
    QLineEdit *Text_gain_384k = nullptr;
    QLineEdit *Text_maxgain = nullptr;
    QLineEdit *Text_netgain_20k = nullptr;
    QLineEdit *Text_netgain_384k = nullptr;
    QLineEdit *Text_rzobel_power = nullptr;
    QLineEdit *Text_coordx1 = nullptr;
    QLineEdit *Text_coordy1 = nullptr;
    QLineEdit *Text_coordx2 = nullptr;
    QLineEdit *Text_coordy2 = nullptr;
    QLineEdit *Text_coordx3 = nullptr;
    QLineEdit *Text_coordy3 = nullptr;
    QPushButton *Zoom_In4 = nullptr;
    QPushButton *Zoom_Full4 = nullptr;

    QAction *Topol_Half_Bridge = nullptr;
    QAction *Topol_Full_Bridge = nullptr;
    QAction *cursors1_on = nullptr;
    QAction *cursors2_on = nullptr;
    QAction *cursors3_on = nullptr;
    QAction *schematic_viewer = nullptr;
    QAction *power_calcs = nullptr;
    QAction *Save_As = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *Exit = nullptr;
    QAction *m_compareLoads3 = nullptr;  // "Compare Loads" of Fig. 2 and Fig. 3
    QAction *m_compareLoads4 = nullptr;
};
