#include "power/power_measurement_form.h"

#include "core/common/figuretext.h"
#include "core/common/readouttext.h"
#include "widgets/graphcontrol.h"
#include "widgets/textguard.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

Power_measurement_form::Power_measurement_form(DesignModel &model, PowerWindowState &state,
                                               QWidget *parent)
    : QMainWindow(parent), m_model(model), m_state(state)
{
    createControls();
    createMenus();
    connectControls();
    Form_Load();
}

Power_measurement_form::~Power_measurement_form() = default;

void Power_measurement_form::connectControls()
{
    m_loadPowerGuard = new TextGuard(Text_peak_voltage);
    connect(Text_peak_voltage, &QLineEdit::textChanged, this,
            &Power_measurement_form::Text_peak_voltage_Change);
    connect(cursors4_on, &QAction::triggered, this, &Power_measurement_form::cursors4_on_Click);
    connect(CWGraph4, &GraphControl::clicked, this, &Power_measurement_form::CWGraph4_Click);
    connect(CWGraph4->cursor(), &GraphCursor::positionChanged, this,
            &Power_measurement_form::Readout_power);
    connect(&m_model, &DesignModel::changed, this, &Power_measurement_form::showDesign);
    connect(&m_model, &DesignModel::toleranceChanged, this, &Power_measurement_form::drawOverlays);
}

void Power_measurement_form::Form_Load()
{
    showDesign(DesignPart::MeasuredSpeaker);
    // Until the cursor first reports.
    Readout_power(10000, 0.1);
    placeOnScreen();
}

void Power_measurement_form::placeOnScreen()
{
    placeUpperRight(this, frameGeometry().size());
}

void Power_measurement_form::showDesign(DesignParts parts)
{
    // The load power's text, the Zobel selectors' texts (no unit), the curve.
    const DesignRecord &r = m_model.record();
    if (Text_peak_voltage->text() != m_model.loadPowerText())
        Text_peak_voltage->setText(m_model.loadPowerText());
    // A box given its own text again would be drawn again.
    for (const auto &[box, text] : {std::pair{Text_zobel_c_parp, &r.jzobel_c2},
                                    {Text_zobel_c_serp, &r.jzobel_c3},
                                    {Text_zobel_r_parp, &r.jzobel_r2}})
        if (box->text() != *text)
            box->setText(*text);
    CWGraph4_Click();
    // The graph's own ranges, widened to show a measured speaker's dissipation.
    if (parts & DesignPart::MeasuredSpeaker) {
        CWGraph4->restoreRanges();
        if (const PowerCurve *measured = m_model.measuredDissipation())
            CWGraph4->widenToShow(measured->x, measured->y);
    }
}

void Power_measurement_form::drawOverlays()
{
    QList<GraphControl::Overlay> overlays;
    if (const HeldReference *held = m_model.reference()) {
        const PowerCurve &curve = held->analysis.dissipation;
        overlays.append({QStringLiteral("reference, %1 W").arg(held->inputs.loadPowerText),
                         kReferenceColour, &curve.x, &curve.y, Qt::DashLine});
    }
    if (const PowerCurve *measured = m_model.measuredDissipation())
        overlays.append(
            {QStringLiteral("measured speaker"), kMeasuredColour, &measured->x, &measured->y});
    const ToleranceResult *t = m_model.tolerance();
    if (t && !t->bands.empty()) {
        const ToleranceBand &b = t->bands.dissipation;
        CWGraph4->setBand(b.x, b.low, b.high, kToleranceBandColour,
                          toleranceBandLegend(t->settings.runs), QStringLiteral("design"));
    } else {
        CWGraph4->setBand({}, {}, {}, {}, {}, {});
    }
    CWGraph4->setOverlays(overlays.isEmpty() ? QString() : QStringLiteral("design"), overlays);
}

void Power_measurement_form::CWGraph4_Click()
{
    const PowerCurve &curve = m_model.analysis().dissipation;
    CWGraph4->plot(curve.x, curve.y);
    drawOverlays();
    if (m_state.power_cursor_on)
        Readout_power(CWGraph4->cursorX(), CWGraph4->cursorY());
}

void Power_measurement_form::Readout_power(double x, double y)
{
    Text_power_freq->setText(frequencyText(x));
    Text_power->setText(powerReadoutText(y));
}

void Power_measurement_form::Text_peak_voltage_Change()
{
    // Taken in watts, kept on its way to a value, or put back; putting it back runs this once
    // more, on the text the model holds, which changes nothing.
    const Verdict verdict = m_model.setLoadPowerText(Text_peak_voltage->text());
    if (verdict.kind == Verdict::Refused)
        m_loadPowerGuard->putBack(m_model.loadPowerText(), verdict.reason);
}

void Power_measurement_form::cursors4_on_Click()
{
    // Only the flag decides, as for the main window's cursors.
    if (m_state.power_cursor_on == kFlagFalse) {
        m_state.power_cursor_on = kFlagTrue;
        cursors4_on->setChecked(true);
        CWGraph4->addCursor();
        CWGraph4_Click();
    } else {
        m_state.power_cursor_on = kFlagFalse;
        cursors4_on->setChecked(false);
        CWGraph4->removeCursors();
    }
}

void Power_measurement_form::closeEvent(QCloseEvent *event)
{
    m_state.power_cursor_on = kFlagFalse;
    event->accept();
    emit unloaded();
}
