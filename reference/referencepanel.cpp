#include "reference/referencepanel.h"

#include "widgets/windowlook.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int kBoxWidth = 80;

const std::array<const char *, ReferencePanel::kFigures> kCaptions = {
    "Fig. 2 MaxGain", "Gain(@20kHz)",    "Gain(@384kHz)",          "Fig. 3 MaxGain",
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

ReferencePanel::ReferencePanel(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("ReferencePanel"));
    setWindowTitle(QStringLiteral("Reference"));
    setAttribute(Qt::WA_QuitOnClose, false);
    styleWindow(this, false);

    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("reference_description"));
    m_description->setWordWrap(true);
    m_description->setFixedWidth(2 * kBoxWidth + 150);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(goldLabel(QStringLiteral("Reference"), this), 0, 1, Qt::AlignLeft);
    grid->addWidget(goldLabel(QStringLiteral("Live"), this), 0, 2, Qt::AlignLeft);
    for (int i = 0; i < kFigures; ++i) {
        const QByteArray name = kFigureNames[i];
        grid->addWidget(goldLabel(QLatin1String(kCaptions[i]), this), i + 1, 0, Qt::AlignLeft);
        m_reference[i] = resultBox(("reference_" + name).constData(), this, kBoxWidth);
        m_live[i] = resultBox(("live_" + name).constData(), this, kBoxWidth);
        grid->addWidget(m_reference[i], i + 1, 1);
        grid->addWidget(m_live[i], i + 1, 2);
    }
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(10, 8, 10, 10);
    page->addWidget(m_description);
    page->addSpacing(4);
    page->addLayout(grid);
    page->addStretch(1);
    setFixedSize(sizeHint());
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

void ReferencePanel::placeBeside(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect main = window->frameGeometry();
    const int width = frameGeometry().width();
    const int left = main.left() - width >= room.left() ? main.left() - width
                                                        : qMin(main.right() + 1, room.right() - width);
    move(left, qMax(room.top(), main.top()));
}
