#pragma once

#include "core/carrier/carrier.h"
#include "core/carrier/carrierinputs.h"
#include "core/network/designrecord.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

class DesignModel;
class FigureTable;
class GraphControl;
class MeasuredLoad;
class QLabel;
class QLineEdit;
class QRadioButton;
struct CarrierTable;

// The switching-carrier window: what the carrier does to the main window's filter, idle and at the
// Power window's load power, held against the parts' ratings, and the Zobel resistor's carrier
// loss against the switching frequency. It follows the design model, and writes an accepted entry
// of its inputs to it. Closing the window deletes it.
class CarrierWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit CarrierWindow(DesignModel &model, QWidget *parent = nullptr);
    ~CarrierWindow() override;

    // Near the upper right of the screen, from the window's outer size.
    void placeOnScreen();

signals:
    // One accepted entry: the carrier inputs as they become.
    void inputsChanged(const CarrierInputs &inputs);

private:
    // Shows the design's carrier analysis (the model's, with a measured speaker in place of its
    // resistance and inductance, or none, at loadPowerW watts into the speaker; null while the
    // supply or the switching frequency is missing). The inputs shown follow design.carrier; the
    // loss curve is swept again only when what it depends on (network, supply) changed.
    void showDesign(const DesignRecord &design, std::shared_ptr<const MeasuredLoad> measured,
                    double loadPowerW, const CarrierAnalysis *analysis);

    // Construction (carrierwindow_layout.cpp).
    void createControls();
    QWidget *createInputColumn(QWidget *parent);
    QLineEdit *entryBox(CarrierField f, const char *name, QWidget *parent);
    void createGraphMenu();

    // Entry.
    void takeText(CarrierField f);
    void takeModulation(Modulation m);
    void showInputs(const CarrierInputs &in);

    // What the design gives.
    void showNetwork(const DesignRecord &design, const MeasuredLoad *measured);
    void showTable(const CarrierTable &t);
    void showLoss();
    void clearLoss();

    // What a loss curve was swept for.
    struct LossKey {
        double filterL, filterC, zobelR, zobelCPar, zobelCSer, speakerR, speakerL, supplyV;
        bool fullBridge;
        const MeasuredLoad *measured;
        bool operator==(const LossKey &) const = default;
    };

    CarrierInputs m_inputs;  // the design's, as last shown
    CarrierInputs m_shown;   // what the boxes were last given
    bool m_fullBridge = false;
    double m_loadPowerW = 50.0;
    std::shared_ptr<const MeasuredLoad> m_measured;    // kept while a loss curve stems from it
    std::array<CarrierLossCurve, 2> m_loss;            // [0] BD (the half bridge's), [1] AD
    std::array<std::optional<LossKey>, 2> m_lossKeys;  // none: not swept
    std::vector<double> m_markerX = std::vector<double>(2, 0.0);
    std::vector<double> m_markerY = std::vector<double>(2, 0.0);
    // What the graph shows: the curves' keys, the switching frequency's text, the chosen
    // modulation; none while it is empty.
    std::optional<std::tuple<decltype(m_lossKeys), QString, Modulation>> m_lossDrawn;

    // Controls; objectName carrier_supply, carrier_fsw, ... (see the layout).
    std::array<QLineEdit *, std::size(kAllCarrierFields)> m_boxes{};
    QWidget *m_modulation = nullptr;
    QRadioButton *m_bd = nullptr;
    QRadioButton *m_ad = nullptr;
    QLabel *m_hint = nullptr;
    QLabel *m_network = nullptr;
    QLabel *m_speaker = nullptr;
    QLabel *m_message = nullptr;
    FigureTable *m_table = nullptr;
    GraphControl *m_graph = nullptr;
};
