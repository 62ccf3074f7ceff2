#include "power/power_measurement_form.h"

#include "core/common/entryrule.h"
#include "core/common/figuretext.h"
#include "core/common/readouttext.h"
#include "widgets/graphcontrol.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

Power_measurement_form::Power_measurement_form(const DesignRecord &design, PowerWindowState &state,
                                               const ZobelTexts &zobel, QWidget *parent)
    : QMainWindow(parent), m_design(design), m_state(state)
{
    createControls();
    createMenus();
    connectControls();
    Form_Load(zobel);
}

Power_measurement_form::~Power_measurement_form() = default;

void Power_measurement_form::connectControls()
{
    connect(Text_peak_voltage, &QLineEdit::textChanged, this,
            &Power_measurement_form::Text_peak_voltage_Change);
    connect(cursors4_on, &QAction::triggered, this, &Power_measurement_form::cursors4_on_Click);
    connect(CWGraph4, &GraphControl::clicked, this, &Power_measurement_form::CWGraph4_Click);
    connect(CWGraph4->cursor(), &GraphCursor::positionChanged, this,
            &Power_measurement_form::Readout_power);
}

void Power_measurement_form::Form_Load(const ZobelTexts &zobel)
{
    // 1. 50 W, and the text that stands for it.
    m_actual_l_net = 50.0;
    m_state.load_voltage_string = Text_peak_voltage->text();
    // 2. From here on the main window's Zobel selectors keep these current.
    Text_zobel_c_parp->setText(zobel.c_par);
    Text_zobel_c_serp->setText(zobel.c_ser);
    Text_zobel_r_parp->setText(zobel.r_par);
    // 3. Its sweep.
    CWGraph4_Click();
    // 4. Until the cursor first reports.
    Readout_power(10000, 0.1);
    // 5. Near the upper right of the screen.
    placeOnScreen();
}

void Power_measurement_form::placeOnScreen()
{
    placeUpperRight(this, frameGeometry().size());
}

void Power_measurement_form::setMeasuredSpeaker(const MeasuredGrid *grid)
{
    m_measured = grid;
    drawOverlays();
}

void Power_measurement_form::setReference(const PowerCurve *curve, const QString &name)
{
    m_reference = curve;
    m_referenceName = name;
    drawOverlays();
}

void Power_measurement_form::enterLoadPower(const QString &text)
{
    Text_peak_voltage->setText(text);
}

void Power_measurement_form::drawOverlays()
{
    QList<GraphControl::Overlay> overlays;
    if (m_reference)
        overlays.append(
            {m_referenceName, kReferenceColour, &m_reference->x, &m_reference->y, Qt::DashLine});
    if (m_measured) {
        if (!m_measuredCurve)
            m_measuredCurve = std::make_unique<PowerCurve>();
        sweepMeasuredDissipation(m_design, m_actual_l_net, *m_measured, *m_measuredCurve);
        overlays.append({QStringLiteral("measured speaker"), QColor(0, 140, 70),
                         &m_measuredCurve->x, &m_measuredCurve->y});
    }
    CWGraph4->setOverlays(overlays.isEmpty() ? QString() : QStringLiteral("design"), overlays);
}

void Power_measurement_form::setZobelReadout(ListSelector s, const QString &text)
{
    switch (s) {
        case ListSelector::zobel_c_par: Text_zobel_c_parp->setText(text); break;
        case ListSelector::zobel_r_par: Text_zobel_r_parp->setText(text); break;
        case ListSelector::zobel_c_ser: Text_zobel_c_serp->setText(text); break;
        default: break;
    }
}

void Power_measurement_form::CWGraph4_Click()
{
    ++m_sweepRuns;
    // 1.-3. The voltage across a Zobel branch (kept in the analysis), the dissipation curve,
    //       the 7 kHz figure.
    analyseDesign(m_design, m_actual_l_net, m_analysis, kDissipationPart);
    emit rzobelPowerChanged(dissipationFigureText(m_analysis.dissipationFigures.at7kHz));
    // 4. The curve, and a measured speaker's and a reference's beside it.
    CWGraph4->plot(m_analysis.dissipation.x, m_analysis.dissipation.y);
    drawOverlays();
    // 5. The read-outs under the cursor.
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
    const QString text = Text_peak_voltage->text();
    const Entry entry = checkEntry(kLoadPowerRule, text);
    switch (entry.verdict) {
        case Entry::Pending:
            // 1. A fraction may follow the lone point; the power stays.
            m_state.load_voltage_string = text;
            break;
        case Entry::Accepted:
            // 2. Taken, in watts.
            m_actual_l_net = entry.value;
            m_state.load_voltage_string = text;
            break;
        case Entry::Unset:
        case Entry::Rejected:
            // 3. Put back; a change runs this handling once more, nested, on the restored text.
            Text_peak_voltage->setText(m_state.load_voltage_string);
            break;
    }
    // 4. The sweep, in every case.
    CWGraph4_Click();
    // 5. The main window records the entry (an undo step when the design changed).
    emit loadPowerEntered();
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
