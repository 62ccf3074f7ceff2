#pragma once

#include "core/designmodel/designmodel.h"
#include "core/files/designfile.h"
#include "core/files/report.h"
#include "core/measured/measuredcurves.h"
#include "core/network/analysis.h"
#include "core/network/loadcompare.h"
#include "core/network/valuelists.h"
#include "power/power_measurement_form.h"

#include <QDate>
#include <QImage>
#include <QKeySequence>
#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class CarrierWindow;
class File_control;
class GraphControl;
class MeasuredSpeakerWindow;
class AssistantWindow;
class BoardWindow;
class ToleranceWindow;
class PartsWindow;
class RecentFiles;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QUndoStack;
class ReferencePanel;
class TextGuard;
class Schematic;
class Schematic_full;
class TradeoffWindow;
class ValueCombo;

// A standard key of the platform's, led by its usual chord: a desktop that binds none to it (Save
// As without a theme) still has that one, and the menu shows it.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, const QKeySequence &usual);

// A design as an undo step keeps it: its inputs and the speaker its file gave.
struct DesignSnapshot {
    DesignInputs inputs;
    std::shared_ptr<const MeasuredLoad> measured;
};

// The main window: the selectors, the three graphs and the result boxes of the design model it
// owns, and the menus that open every other window on the same model.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The design every window shows and edits.
    DesignModel &model() const { return *m_model; }
    // The measured speaker while one is loaded, else null.
    const MeasuredLoad *measuredSpeaker() const;
    // The design record, as the model holds it.
    const DesignRecord &design() const;
    // Whether each graph carries a cursor: Fig. 1, Fig. 2, Fig. 3, the Power graph.
    Flag cursors1_curs_zoomb() const { return m_graphs[Fig1].cursorFlag; }
    Flag cursors3_curs_zoomb() const { return m_graphs[Fig2].cursorFlag; }
    Flag cursors4_curs_zoomb() const { return m_graphs[Fig3].cursorFlag; }
    Flag power_cursor_on() const { return m_powerState.power_cursor_on; }
    // The Power window while it is open, else null.
    Power_measurement_form *powerWindow() const { return m_power; }
    // The carrier window while it is open, else null; the load power the design works at (W).
    CarrierWindow *carrierWindow() const;
    double loadPower() const;

    // Everything a design file holds of the design shown, each input as its text; a text on its
    // way to a value (Speaker_L's lone ".") counts as the last one taken.
    DesignInputs designInputs() const;
    // The design held as the reference while one is, else null.
    const DesignInputs *heldReference() const;
    // The design file opened or last saved; empty when none.
    const QString &designPath() const { return m_designPath; }

    // Writes the design sheet of the design shown to path, a .pdf or .html file, dated `date`:
    // whole or not at all. Why not, when it was not: a name refused, or the write failed.
    struct SheetFailure {
        bool refused = false;
        QString message;
    };
    std::optional<SheetFailure> writeSheet(const QString &path, const QDate &date);

    // One user change of the design. While the outermost scope lives, the model's changes make
    // one undo step, pushed when it ends if the design changed; named `name`, or after what
    // changed. A single change of the model needs none: it is a step of its own.
    class ChangeScope
    {
    public:
        explicit ChangeScope(Form1 &form, QString name = {});
        ~ChangeScope();
        ChangeScope(const ChangeScope &) = delete;
        ChangeScope &operator=(const ChangeScope &) = delete;

    private:
        Form1 &m_form;
        QString m_name;
    };

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum GraphId { Fig1, Fig2, Fig3 };

    // One of the three graphs and everything that belongs to it.
    struct GraphPanel {
        GraphControl *graph = nullptr;    // CWGraph1, CWGraph3, CWGraph4
        QLineEdit *readoutX = nullptr;    // Text_coordx1 ...: the cursor's frequency
        QLineEdit *readoutY = nullptr;    // Text_coordy1 ...: the curve's value there
        QAction *cursorItem = nullptr;    // cursors1_on ...
        Flag cursorFlag = kFlagFalse;     // cursors1_curs_zoomb ...
        QPushButton *zoomIn = nullptr;    // Fig. 3 only: shown while its cursor is on
        QPushButton *zoomFull = nullptr;  // Fig. 3 only
        QAction *compareLoads = nullptr;  // Fig. 2 and Fig. 3: the "Compare Loads" item
        QLineEdit *figureMax = nullptr;   // Fig. 2 and Fig. 3: the three figure boxes
        QLineEdit *figure20k = nullptr;
        QLineEdit *figure384k = nullptr;
        void (Form1::*sweep)() = nullptr;                      // what a click on it redraws
        void (Form1::*readout)(double x, double y) = nullptr;  // writes the read-out boxes
    };

    // Construction (form1_layout.cpp).
    void createControls();
    void createGraphs(QWidget *central);
    void createMenus();
    QWidget *createSelectorRow();
    QWidget *createGraphPanel(const GraphPanel &panel, QWidget *extra);
    QWidget *createFigureColumn(const QList<QPair<QString, QLineEdit *>> &boxes);
    QWidget *createZobelColumn();

    // Start-up, topology and program end (form1.cpp).
    void Form_Load();
    void placeOnScreen();
    void Topol_Full_Bridge_Click();
    void Topol_Half_Bridge_Click();
    void showTopology();
    void showCaption();
    void Exit_Click();
    void Form_Unload();

    // What the window shows of the model (form1_analysis.cpp).
    void showDesign(DesignParts parts);
    void showInputs();
    void Recalculate_all();
    void Sweep_impedance();
    void Sweep_gain_plain();
    void Sweep_gain_zobel();
    void showGainCurve(GraphId id, const Curve &curve, const GainFigures &figures);
    void showReadouts();
    void showDissipationFigure();
    void Readout_impedance(double x, double y);
    void Readout_gain_plain(double x, double y);
    void Readout_gain_zobel(double x, double y);

    // Cursors, zoom, the right-click menus and the load comparison (form1_graphs.cpp).
    void connectGraphs();
    void createGraphMenus();
    void toggleCursor(GraphPanel &panel);
    void Zoom_In4_Click();
    void Zoom_Full4_Click();
    // The curves drawn under a graph's own: the reference, other loads (Compare Loads), the
    // measured speaker, the design assistant's selected design (Fig. 3).
    void followOverlays(GraphId id);
    // The tolerance bands on Fig. 2 and Fig. 3 and the figure boxes' spread, as the model has them.
    void followTolerance();
    void showToleranceHints();

    // The measured speaker (form1_measured.cpp).
    void createMeasuredMenu();
    void chooseMeasured();
    std::shared_ptr<const MeasuredLoad> readMeasured(const QString &path, QString *refusal);
    void loadMeasured(const QString &path);
    void followMeasured();
    // Fig. 1 at its own ranges, widened to show a measured speaker's points and curve.
    void showMeasuredRanges();
    void showMeasuredFit();

    // The switching-carrier window (form1_carrier.cpp).
    void createCarrierMenu();
    void carrier_window_Click();

    // Value entry (form1_entry.cpp).
    void Fill_value_lists();
    void connectSelectors();
    void List_selector_change(ListSelector s);
    ValueCombo *selectorBox(ListSelector s) const;
    void Speaker_L_KeyUp();

    // The trade-off map (form1_tradeoff.cpp).
    void createTradeoffMenu();
    void tradeoff_window_Click();
    void applyZobel(const QString &cPar, const QString &r, const QString &cSer);

    // The design assistant (form1_assistant.cpp).
    void createAssistantMenu();
    void assistant_window_Click();
    void applyAssistantPick(const QString &filterL, const QString &filterC, const QString &cPar,
                            const QString &r, const QString &cSer);

    // The other windows (form1_windows.cpp).
    void power_calcs_Click();
    void Update_schemo();
    QWidget *schematicWindow();
    void schematic_viewer_Click();
    void Save_As_Click();
    void mnuAbout_Click();

    // Design files (form1_design.cpp).
    void createDesignMenu();
    void newDesign();
    void chooseDesignToOpen();
    void openDesign(const QString &path);
    // Each false when nothing was saved.
    bool saveDesign();
    bool saveDesignAs();
    // Whether to go on over the design shown: it is saved, or unchanged since the design file
    // last opened or saved, or the user lets the changes go; false when the user cancels.
    bool changesSettled();
    bool writeDesign(const QString &path);
    void showDesignPath(const QString &path);

    // Undo and redo (form1_undo.cpp).
    void createUndoActions(QMenu *menu);
    void recordChange(const QString &name = {});
    void applyStep(const DesignSnapshot &d);
    DesignSnapshot snapshot() const;

    // The design sheet (form1_sheet.cpp).
    void createSheetMenu();
    void exportSheet();
    QMap<QString, QImage> sheetDrawings();

    // The held reference (form1_reference.cpp).
    void followReference(DesignParts parts);

    // The parts library and its window (form1_parts.cpp).
    void createPartsMenu();
    void parts_window_Click();
    void board_window_Click();

    // Tolerance bands and yield (form1_tolerance.cpp).
    void createToleranceMenu();
    void tolerance_window_Click();
    ToleranceWindow *toleranceWindow();

    DesignModel *m_model = nullptr;
    std::array<GraphPanel, 3> m_graphs;
    std::array<std::unique_ptr<LoadCurves>, 3> m_loads;  // made when Compare Loads is first chosen
    QPointer<Schematic> m_schematic;
    QPointer<Schematic_full> m_schematicFull;
    QPointer<File_control> m_fileControl;
    PowerWindowState m_powerState;
    QPointer<Power_measurement_form> m_power;
    // The measured speaker's own points, drawn on Fig. 1 while one is loaded.
    std::vector<double> m_measuredX, m_measuredY;
    std::unique_ptr<RecentFiles> m_recentMeasured;
    QPointer<MeasuredSpeakerWindow> m_measuredWindow;
    QAction *m_fitMeasured = nullptr;
    QAction *m_clearMeasured = nullptr;
    QPointer<CarrierWindow> m_carrier;
    QPointer<TradeoffWindow> m_tradeoff;
    QPointer<AssistantWindow> m_assistant;
    QPointer<PartsWindow> m_parts;
    QPointer<BoardWindow> m_board;
    QPointer<ToleranceWindow> m_toleranceWindow;
    QAction *m_toleranceBands = nullptr;
    QString m_libraryRefusal;  // why the stored library was not read, if it was not

    // Design files, undo and the reference.
    QString m_designPath;
    bool m_designFilesUsed = false;  // a design file opened or saved: changes are asked about
    std::unique_ptr<RecentFiles> m_recentDesigns;
    QAction *m_saveDesign = nullptr;
    QUndoStack *m_undo = nullptr;
    DesignSnapshot m_recorded;  // the design as the last undo step left it
    int m_changeDepth = 0;      // open ChangeScopes
    bool m_applyingStep = false;
    QPointer<ReferencePanel> m_referencePanel;
    QAction *m_clearReference = nullptr;

    // Controls, named as their objectName; the graphs' own are in m_graphs.
    ValueCombo *speaker_r_mode = nullptr;
    QLineEdit *Speaker_L = nullptr;
    TextGuard *m_speakerLGuard = nullptr;
    ValueCombo *filter_c_par = nullptr;
    ValueCombo *filter_l_par = nullptr;
    ValueCombo *zobel_c_par = nullptr;
    ValueCombo *zobel_r_par = nullptr;
    ValueCombo *zobel_c_ser = nullptr;
    QLineEdit *Text_rzobel_power = nullptr;

    QAction *Topol_Half_Bridge = nullptr;
    QAction *Topol_Full_Bridge = nullptr;
    QAction *schematic_viewer = nullptr;
    QAction *power_calcs = nullptr;
    QAction *Save_As = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *Exit = nullptr;
};
