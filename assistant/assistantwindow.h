#pragma once

#include "core/network/sweeps.h"
#include "core/tradeoff/assistant.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QThreadPool>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class AssistantTable;
class DesignModel;
class QGridLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

// "Design assistant": the user's limits on the figures, a search of every filter and Zobel network
// of the lists off the GUI thread on Search, and its answer as a table. Selecting a row offers its
// design's Fig. 3 curve as an overlay (overlayChanged()); Enter or a double-click on a row asks
// for its five items by designChosen(); the window never changes the design itself. A change of
// the design that moves the answer stops a running search, and marks an answer shown as stale
// until the next Search.
class AssistantWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Follows the design model from the start.
    explicit AssistantWindow(const DesignModel &model, QWidget *parent = nullptr);
    ~AssistantWindow() override;

    // Restricts the search to these filter items (list indices; empty: all of them).
    void setFilterItems(std::vector<int> ls, std::vector<int> cs);
    // The answer shown, null before the first; whether a search runs.
    const AssistantAnswer *answer() const;
    bool isWorking() const;

    // The selected row's design on Fig. 3: its legend name and its curve.
    struct Overlay {
        QString name;
        Curve curve;
    };
    // Null while no row is selected.
    const Overlay *overlay() const { return m_overlay ? &*m_overlay : nullptr; }

signals:
    // A row was chosen: the texts of its filter_l_par, filter_c_par, zobel_c_par, zobel_r_par and
    // zobel_c_ser items.
    void designChosen(const QString &filterL, const QString &filterC, const QString &cPar,
                      const QString &r, const QString &cSer);
    // A row was selected or the selection went.
    void overlayChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A limit box and the red line under it that says why its text is no limit.
    struct Box {
        QLineEdit *edit = nullptr;
        QLabel *reason = nullptr;
    };
    enum BoxId { MaxPeak, GainLow, GainHigh, MinAttenuation, MaxZobel, MaxRipple, kBoxCount };
    // A search, the task numbers it hands out and what it was made for; its tasks hold it.
    struct Run;

    void createControls();
    void addBox(QGridLayout *grid, BoxId id, const char *name, const QString &label,
                const QString &unit, int row, int column);
    void connectControls();
    void follow();
    // Whether a search's answer is the one for the model's design and library.
    bool standsFor(const Run &run) const;

    // The limits as the boxes give them, each reason shown; empty while one is wrong.
    std::optional<AssistantLimits> readLimits();
    void search();
    void stop(const QString &why);
    void finished();
    void showStatus();
    void select();
    void choose(const QModelIndex &index);

    const DesignModel &m_model;
    std::array<Box, kBoxCount> m_boxes;
    QPushButton *m_search = nullptr;
    QPushButton *m_stop = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QTableView *m_view = nullptr;
    AssistantTable *m_table = nullptr;

    std::vector<int> m_filterLs, m_filterCs;
    QThreadPool m_pool;              // the search's threads, at low priority
    std::shared_ptr<Run> m_running;  // the search under way
    QFutureWatcher<void> m_job;      // its tasks on m_pool
    std::shared_ptr<Run> m_shown;    // the search whose answer is shown
    std::optional<Overlay> m_overlay;
    bool m_placed = false;
};
