#include "reference/referencepanel.h"

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

}  // namespace

const std::array<const char *, ReferencePanel::kFigures> ReferencePanel::kFigureNames = {
    "Text_maxgain4",    "Text_gain_20k",     "Text_gain_384k",   "Text_maxgain",
    "Text_netgain_20k", "Text_netgain_384k", "Text_rzobel_power"};

ReferencePanel::ReferencePanel(QWidget *parent) : QDockWidget(QStringLiteral("Reference"), parent)
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
}

void ReferencePanel::showReference(const QString &description, const Figures &figures)
{
    m_description->setText(description);
    for (int i = 0; i < kFigures; ++i) put(m_reference[i], figures[i]);
}

void ReferencePanel::showLive(const Figures &figures)
{
    for (int i = 0; i < kFigures; ++i) put(m_live[i], figures[i]);
}
