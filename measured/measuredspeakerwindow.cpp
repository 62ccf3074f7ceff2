#include "measured/measuredspeakerwindow.h"

#include "core/common/engineering.h"
#include "core/designmodel/designmodel.h"
#include "core/measured/measuredload.h"
#include "widgets/windowlook.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *field(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

MeasuredSpeakerWindow::MeasuredSpeakerWindow(const DesignModel &model, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("MeasuredSpeakerWindow"));
    setWindowTitle(QStringLiteral("Measured speaker"));
    styleWindow(this, false);
    auto *form = new QFormLayout;
    m_file = field("measuredFile", this);
    m_points = field("measuredPoints", this);
    m_model = field("measuredModel", this);
    m_error = field("measuredFitError", this);
    form->addRow(goldLabel(QStringLiteral("File"), this), m_file);
    form->addRow(goldLabel(QStringLiteral("Measured"), this), m_points);
    form->addRow(goldLabel(QStringLiteral("Voice-coil model"), this), m_model);
    form->addRow(goldLabel(QStringLiteral("Fit error"), this), m_error);
    auto *note = new QLabel(
        QStringLiteral("Within the file's range the program uses the measurement; above it, the "
                       "model, scaled to meet the last point; below it, the first point. The "
                       "figure boxes stay those of the resistance and inductance chosen in the "
                       "main window; the measured speaker is drawn beside them."),
        this);
    note->setWordWrap(true);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetMinimumSize);  // grows with a longer file name or model
    page->addLayout(form);
    page->addWidget(note);
    page->addWidget(close, 0, Qt::AlignRight);
    connect(&model, &DesignModel::changed, this, [this, &model](DesignParts parts) {
        if (parts.testFlag(DesignPart::MeasuredSpeaker))
            showLoad(model.measured().get());
    });
    showLoad(model.measured().get());
}

void MeasuredSpeakerWindow::showLoad(const MeasuredLoad *load)
{
    if (!load) {
        m_file->setText(QStringLiteral("none loaded"));
        m_points->clear();
        m_model->clear();
        m_error->clear();
    } else {
        const ImpedanceData &data = load->data();
        const VoiceCoilFit &fit = load->fit();
        m_file->setText(load->fileName());
        m_points->setText(QStringLiteral("%1 points, %2 to %3, %4")
                              .arg(data.points.size())
                              .arg(engineeringText(data.points.first().hz, QStringLiteral("Hz")),
                                   engineeringText(data.points.last().hz, QStringLiteral("Hz")),
                                   data.hasPhase ? QStringLiteral("magnitude and phase")
                                                 : QStringLiteral("magnitude only")));
        const auto value = [](double v, const char *unit) {
            return QString::number(v, 'g', 4) + QLatin1String(unit);
        };
        m_model->setText(
            QStringLiteral("Re %1, Le %2, R2 %3, L2 %4 (fitted from %5)")
                .arg(value(fit.model.Re, " ohm"), value(fit.model.Le * 1e3, " mH"),
                     value(fit.model.R2, " ohm"), value(fit.model.L2 * 1e3, " mH"),
                     engineeringText(data.points[fit.firstFitted].hz, QStringLiteral("Hz"))));
        m_error->setText(QStringLiteral("%1 % rms").arg(fit.rmsErrorPercent, 0, 'f', 2));
    }
}
