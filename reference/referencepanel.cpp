#include "reference/referencepanel.h"

#include "core/common/figuretext.h"
#include "core/designmodel/designmodel.h"
#include "widgets/windowlook.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int kBoxWidth = 72;

const std::array<const char *, ReferencePanel::kFigures> kCaptions = {
    "Fig. 2 MaxGain",  "Gain(@20kHz)",     "Gain(@384kHz)",          "Fig. 3 MaxGain",
    "NetGain(@20kHz)", "NetGain(@384kHz)", "Power of Rzobel @(7khz)"};

void put(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
}

ReferencePanel::Figures figuresOf(const DesignAnalysis &a)
{
    return {figureText(a.gainFigures.maximum),
            figureText(a.gainFigures.gain20k),
            figureText(a.gainFigures.gain384k),
            figureText(a.gainZobelFigures.maximum),
            figureText(a.gainZobelFigures.gain20k),
            figureText(a.gainZobelFigures.gain384k),
            dissipationFigureText(a.dissipationFigures.at7kHz)};
}

QString description(const DesignInputs &d)
{
    const DesignRecord &r = d.record;
    return QStringLiteral(
               "Held: %1; filter %2 uH, %3 uF; Zobel %4 ohm, %5 uF across, %6 uF in "
               "series; speaker %7 ohm + %8 mH; %9 W.")
        .arg(r.fullBridge() ? QStringLiteral("full bridge") : QStringLiteral("half bridge"),
             r.jfilter_l, r.jfilter_c, r.jzobel_r2, r.jzobel_c2, r.jzobel_c3, r.jspeaker_r,
             r.speaker_l_valtxt, d.loadPowerText);
}

}  // namespace

const std::array<const char *, ReferencePanel::kFigures> ReferencePanel::kFigureNames = {
    "Text_maxgain4",    "Text_gain_20k",     "Text_gain_384k",   "Text_maxgain",
    "Text_netgain_20k", "Text_netgain_384k", "Text_rzobel_power"};

ReferencePanel::ReferencePanel(const DesignModel &model, QWidget *parent)
    : QDockWidget(QStringLiteral("Reference"), parent), m_model(model)
{
    setObjectName(QStringLiteral("ReferencePanel"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto *content = new QWidget(this);
    styleWindow(content, false);

    m_description = new QLabel(content);
    m_description->setObjectName(QStringLiteral("reference_description"));
    m_description->setWordWrap(true);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->addWidget(goldLabel(QStringLiteral("Reference"), content), 0, 1, Qt::AlignLeft);
    grid->addWidget(goldLabel(QStringLiteral("Live"), content), 0, 2, Qt::AlignLeft);
    for (int i = 0; i < kFigures; ++i) {
        const QByteArray name = kFigureNames[i];
        grid->addWidget(goldLabel(QLatin1String(kCaptions[i]), content), i + 1, 0, Qt::AlignLeft);
        m_reference[i] = resultBox(("reference_" + name).constData(), content, kBoxWidth);
        m_live[i] = resultBox(("live_" + name).constData(), content, kBoxWidth);
        grid->addWidget(m_reference[i], i + 1, 1);
        grid->addWidget(m_live[i], i + 1, 2);
    }
    auto *page = new QVBoxLayout(content);
    page->setContentsMargins(8, 6, 8, 8);
    page->addWidget(m_description);
    page->addSpacing(4);
    page->addLayout(grid);
    page->addStretch(1);
    m_description->setFixedWidth(grid->sizeHint().width());
    setWidget(content);
    connect(&model, &DesignModel::changed, this, &ReferencePanel::follow);
    follow();
}

void ReferencePanel::follow()
{
    const HeldReference *held = m_model.reference();
    if (!held)
        return;
    m_description->setText(description(held->inputs));
    const Figures reference = figuresOf(held->analysis);
    const Figures live = figuresOf(m_model.analysis());
    for (int i = 0; i < kFigures; ++i) {
        put(m_reference[i], reference[i]);
        put(m_live[i], live[i]);
    }
}
