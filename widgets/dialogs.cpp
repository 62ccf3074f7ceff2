#include "widgets/dialogs.h"

#include "core/placement.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

QString applicationTitle()
{
    return QStringLiteral("Quorvel");
}

void styleWindow(QWidget *window)
{
    QFont f = window->font();
    // Condensed where it exists: labels keep the widths of the classic 8 pt sans serif.
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed"),
                   QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(8.25);
    f.setBold(true);
    window->setFont(f);
    QPalette p = window->palette();
    p.setColor(QPalette::Window, kWindowBlue);
    window->setPalette(p);
    window->setAutoFillBackground(true);
}

QLabel *goldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, kLabelGold);
    p.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(p);
    label->setContentsMargins(2, 0, 2, 0);
    return label;
}

void fixAndPlaceUpperRight(QWidget *window, int width, int height)
{
    window->setFixedSize(width, height);
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const WindowRect at = placeWindow(s.width(), s.height(), width, height);
    window->move(s.left() + qRound(at.left), s.top() + qRound(at.top));
}
