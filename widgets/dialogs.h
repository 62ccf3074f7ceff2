#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QWidget;

// Look and placement shared by the secondary windows.
inline const QColor kWindowBlue(0, 144, 240);
inline const QColor kLabelGold(240, 192, 64);

// The application's title, as message boxes and the About window show it.
QString applicationTitle();

// Blue background and the bold 8.25 pt text of the program's windows.
void styleWindow(QWidget *window);

// A label with a gold background, black text and no margin outside its given geometry.
QLabel *goldLabel(const QString &text, QWidget *parent);

// Fixes the window at its client size and puts it near the upper right corner of its screen.
void fixAndPlaceUpperRight(QWidget *window, int width, int height);
