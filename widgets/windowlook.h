#pragma once

#include <QColor>
#include <QMargins>
#include <QString>

class QLabel;
class QSize;
class QWidget;

// Look and placement shared by the program's windows.
inline const QColor kWindowBlue(0, 144, 240);
inline const QColor kLabelGold(240, 192, 64);

// The application's title, as message boxes and the About window show it.
QString applicationTitle();

// Blue background and the bold 8.25 pt text of the program's windows; condensed where the
// window's fixed layout needs the narrower face.
void styleWindow(QWidget *window, bool condensed = true);

// A label with a gold background and black text, its text this far inside its edges.
QLabel *goldLabel(const QString &text, QWidget *parent, QMargins margins = {2, 0, 2, 0});

// Moves a window whose outer size is `outer` to 90 % of the spare screen width and 10 % of the
// spare height.
void placeUpperRight(QWidget *window, QSize outer);

// Fixes the window at its client size and puts it near the upper right corner of its screen.
void fixAndPlaceUpperRight(QWidget *window, int width, int height);
