#include "about/frmabout.h"

#include "about/logo.h"
#include "widgets/windowlook.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel *label(const char *name, const QRect &at, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(at);
    return l;
}

// Keeps a label's corner and lets it grow to show all of its text, wrapped or not.
void fitText(QLabel *l)
{
    const int width = l->wordWrap() ? l->width() : std::max(l->width(), l->sizeHint().width());
    const int height = l->wordWrap() ? l->heightForWidth(width) : l->height();
    l->resize(width, std::max(l->height(), height));
}

}  // namespace

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    createControls();
    Form_Load();
    placeOnScreen();
}

void frmAbout::createControls()
{
    styleWindow(this);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);

    lblTitle = label("lblTitle", twipsRect(240, 135, 2325, 285), this);
    QFont big = font();
    big.setPointSizeF(12);
    lblTitle->setFont(big);
    picIcon = new Logo(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twipsRect(240, 540, 2160, 1110));
    lblVersion = label("lblVersion", twipsRect(3000, 810, 1725, 225), this);
    lblDescription = label("lblDescription", twipsRect(960, 1755, 3885, 1035), this);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setText(QStringLiteral(
        "This program allows the user to enter in various speaker and filter passive component "
        "values to explore the second order filter performance versus zobel power dissipation "
        "tradeoff for either half or full bridge topologies. "));
    fitText(lblDescription);
    Label4 = label("Label4", twipsRect(1200, 3105, 3885, 1035), this);
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setText(QStringLiteral(
        "Warning: every figure comes from an idealised model of the circuit. Parts drift, cores "
        "saturate and cables add their own inductance: measure a built filter before it drives "
        "a loudspeaker."));
    fitText(Label4);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(6000, 5400, 1260, 345));
    // Enter presses it as the default button; Escape rejects the dialog, which closes it alike.
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + QGuiApplication::applicationDisplayName());
    lblVersion->setText(QStringLiteral("Version 1.0 ") + QStringLiteral("May 2005"));
    fitText(lblVersion);
    lblTitle->setText(QGuiApplication::applicationDisplayName());
}

void frmAbout::placeOnScreen()
{
    const QRect client = twipsRect(2340, 1935, 7635, 6150);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    setFixedSize(client.size());
    setGeometry(QRect(origin + client.topLeft(), client.size()));
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // Line1, the white rule above the OK button.
    QPainter p(this);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(120.0 / kTwipsPerPixel, 5400.0 / kTwipsPerPixel),
               QPointF(5669.0 / kTwipsPerPixel, 5400.0 / kTwipsPerPixel));
}
