#pragma once

#include "core/tolerance/tolerance.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QThreadPool>

#include <array>
#include <memory>

class DesignModel;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QTableWidget;

// "Tolerance": the spread of each input (a part from the library brings its own), the
// distribution, the number of boards and the seed, and limits for the yield. While it is open, or
// while bands are asked for without it, each change of the design works out a batch of boards off
// the GUI thread and hands its bands and spread to the design model, which the graphs draw; the
// window shows each figure's spread, its corners and the yield.
class ToleranceWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ToleranceWindow(DesignModel &model, QWidget *parent = nullptr);
    ~ToleranceWindow() override;

    // Bands on the graphs while the window is closed too.
    void setBandsWanted(bool wanted);
    bool isWorking() const;
    // The batch shown in the table, null before the first.
    const ToleranceResult *shownResult() const { return m_shown.get(); }

signals:
    // A batch was handed to the design model and shown.
    void batchShown();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Box {
        QLineEdit *edit = nullptr;
        QLabel *refusal = nullptr;
    };
    void createControls();
    Box addBox(QGridLayout *grid, const QString &name, const QString &label, const QString &unit,
               int row);
    // A box's text through its rule: the value kept, or the reason shown under it.
    void readSettings();
    bool active() const;
    void restart();
    void start();
    void finished();
    void showResult();

    DesignModel &m_model;
    std::array<Box, kVariedCount> m_tolerances;
    Box m_runs, m_seed, m_maxPeak, m_gainLow, m_gainHigh, m_maxZobel, m_maxInductor;
    QComboBox *m_distribution = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_yield = nullptr;
    QLabel *m_status = nullptr;

    ToleranceSettings m_settings;
    ToleranceLimits m_limits;
    bool m_bandsWanted = false;
    bool m_pending = false;  // a batch for the design as it is now is still to start
    QThreadPool m_pool;
    QFutureWatcher<void> m_job;
    std::shared_ptr<ToleranceWork> m_work;
    quint64 m_generation = 0;
    std::shared_ptr<const ToleranceResult> m_shown;
};
