#include "widgets/windowlook.h"

#include "core/common/placement.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QVBoxLayout>

QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

void styleWindow(QWidget *window, bool condensed)
{
    QFont f = window->font();
    // Condensed where it exists: labels keep the widths of the classic 8 pt sans serif.
    QStringList families{QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")};
    if (condensed)
        families.insert(1, QStringLiteral("DejaVu Sans Condensed"));
    f.setFamilies(families);
    f.setPointSizeF(8.25);
    f.setBold(true);
    window->setFont(f);
    QPalette p = window->palette();
    p.setColor(QPalette::Window, kWindowBlue);
    window->setPalette(p);
    window->setAutoFillBackground(true);
}

QVBoxLayout *setUpPage(QMainWindow *window, const char *name, const QString &title)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(QGuiApplication::applicationDisplayName() + QStringLiteral(" - ") +
                           title);
    styleWindow(window, false);
    auto *central = new QWidget(window);
    window->setCentralWidget(central);
    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(8, 8, 8, 8);
    return page;
}

void showInFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

QLabel *goldLabel(const QString &text, QWidget *parent, QMargins margins)
{
    auto *label = new QLabel(text, parent);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, kLabelGold);
    p.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(p);
    label->setContentsMargins(margins);
    return label;
}

QLineEdit *resultBox(const char *name, QWidget *parent, int width)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);
    box->setFixedWidth(width);
    return box;
}

void placeUpperRight(QWidget *window, QSize outer)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const WindowRect at = placeWindow(s.width(), s.height(), outer.width(), outer.height());
    window->move(s.left() + qRound(at.left), s.top() + qRound(at.top));
}

void fixAndPlaceUpperRight(QWidget *window, int width, int height)
{
    window->setFixedSize(width, height);
    placeUpperRight(window, QSize(width, height));
}

QString toleranceBandLegend(int runs)
{
    return QStringLiteral("1st to 99th percentile of %1 boards").arg(runs);
}

QString spreadHint(int runs, double p1, double p50, double p99, double min, double max,
                   QString (*text)(double))
{
    return QStringLiteral("%1 boards: p1 / p50 / p99 %2 / %3 / %4; min / max %5 / %6")
        .arg(runs)
        .arg(text(p1), text(p50), text(p99), text(min), text(max));
}
