#pragma once

#include <QColor>
#include <QMargins>
#include <QString>

class QLabel;
class QLineEdit;
class QMainWindow;
class QRect;
class QSize;
class QVBoxLayout;
class QWidget;

// Look and placement shared by the program's windows.
inline const QColor kWindowBlue(0, 144, 240);
inline const QColor kLabelGold(240, 192, 64);
inline const QColor kNoteText(64, 32, 0);  // explanatory notes
inline const QColor kOverText(192, 0, 0);  // a figure over its rating
// A held reference design's curves, drawn dashed under the live ones on every graph.
inline const QColor kReferenceColour(110, 110, 110);
// A measured speaker's curves, on every graph that draws one.
inline const QColor kMeasuredColour(0, 140, 70);
inline const QColor kLoadPowerColour(200, 0, 120);  // a curve at the load power
// The design assistant's selected design, dashed on Fig. 3.
inline const QColor kAssistantColour(230, 120, 0);
// The band from the 1st to the 99th percentile of a batch of boards, under the nominal curve.
inline const QColor kToleranceBandColour(120, 150, 230, 90);
// The band's legend entry and a figure box's hint from the same batch.
QString toleranceBandLegend(int runs);
QString spreadHint(int runs, double p1, double p50, double p99, double min, double max,
                   QString (*text)(double));

// Window geometry is given in twips, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}
QRect twipsRect(int left, int top, int width, int height);

// Blue background and the bold 8.25 pt text of the program's windows; condensed where the
// window's fixed layout needs the narrower face.
void styleWindow(QWidget *window, bool condensed = true);

// A resizable window of the program: named, titled "<program> - title" and styled; the layout of
// its central widget, top to bottom, 8 pixels inside the edges.
QVBoxLayout *setUpPage(QMainWindow *window, const char *name, const QString &title);

// A window opened from a menu: shown, or brought in front when it is open already.
void showInFront(QWidget *window);

// `object` named `name`, for a chain of calls.
template <class T>
T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

// A label with a gold background and black text, its text this far inside its edges.
QLabel *goldLabel(const QString &text, QWidget *parent, QMargins margins = {2, 0, 2, 0});

// A read-only box for a result, named `name`: a click focuses it, Tab passes it by (Tab walks the
// inputs only).
QLineEdit *resultBox(const char *name, QWidget *parent, int width);

// Moves a window whose outer size is `outer` to 90 % of the spare screen width and 10 % of the
// spare height.
void placeUpperRight(QWidget *window, QSize outer);

// Fixes the window at its client size and puts it near the upper right corner of its screen.
void fixAndPlaceUpperRight(QWidget *window, int width, int height);
