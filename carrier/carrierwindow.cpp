#include "carrier/carrierwindow.h"

#include "core/designmodel/designmodel.h"

#include "core/carrier/carriertable.h"
#include "core/measured/measuredload.h"
#include "widgets/figuretable.h"
#include "widgets/graphcontrol.h"
#include "widgets/windowlook.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

namespace {

// How the hints name a field and its unit.
struct FieldWords {
    const char *name;
    const char *unit;
};

FieldWords wordsOf(CarrierField f)
{
    switch (f) {
        case CarrierField::supply: return {"supply", "V"};
        case CarrierField::switching: return {"switching frequency", "kHz"};
        case CarrierField::audio: return {"audio frequency", "Hz"};
        case CarrierField::zobelRating: return {"Zobel resistor rating", "W"};
        case CarrierField::inductorRating: return {"inductor rating", "A"};
        case CarrierField::capacitorRating: return {"capacitor rating", "A"};
    }
    return {"", ""};
}

QString sentence(QString s)
{
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

QString number(double v)
{
    return QString::number(v, 'g', 7);
}

// Why a text was put back, in a few words. `in` holds the inputs it was refused against.
QString refusalHint(const CarrierInputs &in, CarrierField f, const QString &text)
{
    const EntryRule &rule = carrierRule(f);
    const FieldWords w = wordsOf(f);
    if (text.isEmpty())
        return sentence(QStringLiteral("the %1 cannot be left empty.").arg(QLatin1String(w.name)));
    if (text.size() > rule.maxChars)
        return QStringLiteral("At most %1 characters.").arg(rule.maxChars);
    const std::optional<double> v = plainDecimal(text);
    if (!v)
        return QStringLiteral("Plain decimal numbers only, such as 48 or 1.5.");
    if (*v > rule.maximum)
        return QStringLiteral("%1 %2 is the most the %3 takes.")
            .arg(number(rule.maximum), QLatin1String(w.unit), QLatin1String(w.name));
    if (*v < rule.minimum)
        return QStringLiteral("%1 %2 is the least the %3 takes.")
            .arg(number(rule.minimum), QLatin1String(w.unit), QLatin1String(w.name));
    if (f == CarrierField::audio)
        return QStringLiteral("The audio frequency stays below the switching frequency, %1 kHz.")
            .arg(number(in.switchingHz / 1e3));
    return QStringLiteral("The switching frequency stays above the audio frequency, %1 Hz.")
        .arg(number(in.audioHz));
}

// While a text is on its way to a value.
QString pendingHint(CarrierField f)
{
    const EntryRule &rule = carrierRule(f);
    const FieldWords w = wordsOf(f);
    return sentence(QStringLiteral("%1: %2 to %3 %4.")
                        .arg(QLatin1String(w.name), number(rule.minimum), number(rule.maximum),
                             QLatin1String(w.unit)));
}

const QColor kOtherModulation(217, 95, 2);
const QColor kMarker(90, 90, 90);

}  // namespace

CarrierWindow::CarrierWindow(DesignModel &model, QWidget *parent) : QMainWindow(parent)
{
    createControls();
    createGraphMenu();
    // The boxes start from the inputs' defaults; showDesign() writes what the design changed.
    for (CarrierField f : kAllCarrierFields)
        m_boxes[static_cast<std::size_t>(f)]->setText(m_shown.*carrierText(f));
    connect(this, &CarrierWindow::inputsChanged, &model, &DesignModel::setCarrierInputs);
    const auto follow = [this, &model] {
        showDesign(model.record(), model.measured(), model.loadPower(), model.carrierAnalysis());
    };
    connect(&model, &DesignModel::changed, this, [follow](DesignParts parts) {
        if (parts != DesignPart::Reference)
            follow();
    });
    follow();
}

CarrierWindow::~CarrierWindow() = default;

void CarrierWindow::placeOnScreen()
{
    placeUpperRight(this, frameGeometry().size());
}

void CarrierWindow::takeText(CarrierField f)
{
    QLineEdit *box = m_boxes[static_cast<std::size_t>(f)];
    const QString text = box->text();
    CarrierInputs next = m_inputs;
    switch (acceptCarrierText(next, f, text)) {
        case Entry::Accepted:
        case Entry::Unset:
            // The box shows it already; the design comes back with it.
            m_hint->clear();
            m_shown.*carrierText(f) = text;
            emit inputsChanged(next);
            break;
        case Entry::Pending:
            // The box keeps the text, the design its value.
            m_hint->setText(pendingHint(f));
            break;
        case Entry::Rejected:
            m_hint->setText(refusalHint(m_inputs, f, text));
            box->setText(m_inputs.*carrierText(f));
            break;
    }
}

void CarrierWindow::takeModulation(Modulation m)
{
    if (m == m_inputs.modulation)
        return;
    CarrierInputs next = m_inputs;
    next.modulation = m;
    m_hint->clear();
    emit inputsChanged(next);
}

void CarrierWindow::showInputs(const CarrierInputs &in)
{
    // Only boxes whose text the design changed: a text still on its way to a value stays.
    for (CarrierField f : kAllCarrierFields) {
        QString CarrierInputs::*text = carrierText(f);
        if (in.*text != m_shown.*text)
            m_boxes[static_cast<std::size_t>(f)]->setText(in.*text);
    }
    (in.modulation == Modulation::ad ? m_ad : m_bd)->setChecked(true);
    m_shown = in;
    m_inputs = in;
}

void CarrierWindow::showDesign(const DesignRecord &design,
                               std::shared_ptr<const MeasuredLoad> measured, double loadPowerW,
                               const CarrierAnalysis *analysis)
{
    const CarrierInputs &in = design.carrier;
    m_fullBridge = design.fullBridge();
    m_loadPowerW = loadPowerW;
    showInputs(in);
    m_modulation->setEnabled(m_fullBridge);
    showNetwork(design, measured.get());
    if (!in.given() || !analysis) {
        m_table->hide();
        m_message->setText(QStringLiteral("Enter the supply voltage and the switching frequency."));
        m_message->show();
        clearLoss();
        return;
    }
    const CarrierNetwork net = carrierNetwork(design, measured.get());
    showTable(carrierTable(*analysis, in, loadPowerW));
    // The loss curves depend on the network and the supply alone, each swept again only when
    // that changed. Idle, BD's legs switch together: all of its carrier is common mode, which
    // meets L and the Zobel branches, not Cf or the speaker across the outputs.
    const LossKey key{design.filter_l_par_modeval,
                      design.filter_c_par_modeval,
                      design.zobel_r_parval,
                      design.zobel_c_parval,
                      design.zobel_c_serval,
                      static_cast<double>(design.speaker_r_modeval),
                      design.actual_l_net,
                      in.supplyV,
                      m_fullBridge,
                      measured.get()};
    const auto sweep = [&](int k, Modulation m, const LossKey &of) {
        if (m_lossKeys[k] == of)
            return;
        sweepCarrierLoss(net, in.supplyV, m, m_loss[k]);
        m_lossKeys[k] = of;
    };
    if (m_fullBridge) {
        LossKey common = key;
        common.filterC = common.speakerR = common.speakerL = 0.0;
        common.measured = nullptr;
        sweep(0, Modulation::bd, common);
        sweep(1, Modulation::ad, key);
    } else {
        sweep(0, Modulation::bd, key);
        m_lossKeys[1].reset();
    }
    m_measured = std::move(measured);  // its address may stand in a key
    showLoss();
}

void CarrierWindow::showNetwork(const DesignRecord &design, const MeasuredLoad *measured)
{
    const QString network =
        design.fullBridge()
            ? QStringLiteral(
                  "The main window's filter, Zobel network and speaker: L in each "
                  "leg, Cf and the speaker across the outputs, a Zobel branch from "
                  "each output to ground (full bridge).")
            : QStringLiteral(
                  "The main window's filter, Zobel network and speaker: L from the "
                  "leg to the output; Cf, the Zobel branch and the speaker from the "
                  "output to ground (half bridge).");
    const QString speaker =
        measured ? QStringLiteral(
                       "Speaker: the measured speaker %1, in place of %2 ohm + %3 mH. "
                       "Load power: the Power window's.")
                       .arg(measured->fileName(), design.jspeaker_r,
                            QString::number(design.actual_l_net, 'g', 6))
                 : QStringLiteral("Speaker: %1 ohm + %2 mH. Load power: the Power window's.")
                       .arg(design.jspeaker_r, QString::number(design.actual_l_net, 'g', 6));
    if (m_network->text() != network)
        m_network->setText(network);
    if (m_speaker->text() != speaker)
        m_speaker->setText(speaker);
}

void CarrierWindow::showTable(const CarrierTable &t)
{
    m_table->showTable(t);
    m_table->show();
    if (m_message->text() != t.note)
        m_message->setText(t.note);
    m_message->setVisible(!t.note.isEmpty());
}

void CarrierWindow::showLoss()
{
    const bool full = m_lossKeys[1].has_value();
    const int chosen = full && m_inputs.modulation == Modulation::ad ? 1 : 0;
    const auto drawn = std::tuple(m_lossKeys, m_inputs.switchingText, m_inputs.modulation);
    if (m_lossDrawn == drawn)
        return;
    m_lossDrawn = drawn;
    const CarrierLossCurve &own = m_loss[chosen];
    // Whole decades around what is drawn.
    double low = INFINITY, high = 0.0;
    for (int k = 0; k < (full ? 2 : 1); ++k)
        for (double w : m_loss[k].y)
            if (w > 0) {
                low = std::min(low, w);
                high = std::max(high, w);
            }
    if (!(high > 0))
        low = 1e-6, high = 1.0;
    low = std::pow(10.0, std::floor(std::log10(low)));
    high = std::pow(10.0, std::ceil(std::log10(high) - 1e-9));
    if (high <= low)
        high = low * 10;
    m_markerX = {m_inputs.switchingHz, m_inputs.switchingHz};
    m_markerY = {low, high};

    const bool onGraph =
        m_inputs.switchingHz >= kCarrierLossFromHz && m_inputs.switchingHz <= kCarrierLossToHz;
    const QString marker =
        QStringLiteral("switching frequency, %1 kHz%2")
            .arg(m_inputs.switchingText, onGraph ? QString() : QStringLiteral(", off the graph"));
    QList<GraphControl::Overlay> overlays;
    if (full)
        overlays.append({chosen ? QStringLiteral("BD") : QStringLiteral("AD"), kOtherModulation,
                         &m_loss[1 - chosen].x, &m_loss[1 - chosen].y});
    overlays.append({marker, kMarker, &m_markerX, &m_markerY, Qt::DashLine});
    m_graph->plot(own.x, own.y);
    m_graph->setOverlays(
        full ? (chosen ? QStringLiteral("AD, chosen") : QStringLiteral("BD, chosen"))
             : QStringLiteral("half bridge"),
        overlays);
    if (m_graph->axisMinimum(GraphControl::YAxis) != low ||
        m_graph->axisMaximum(GraphControl::YAxis) != high)
        m_graph->setAxisRange(GraphControl::YAxis, low, high);
}

void CarrierWindow::clearLoss()
{
    if (!m_lossDrawn && !m_lossKeys[0])
        return;
    m_lossKeys = {};
    m_lossDrawn.reset();
    m_measured.reset();
    const std::vector<double> none;
    m_graph->plot(none, none);
    m_graph->setOverlays({}, {});
}
