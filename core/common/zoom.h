#pragma once

// The ranges of a zoomed view.
struct AxisView {
    double xMinimum = 0.0;
    double xMaximum = 0.0;
    double yMinimum = 0.0;
    double yMaximum = 0.0;
};

// "Zoom @Cursor" for a cursor at x (Hz), y (dB): a twentieth of x to ten times x, the top capped
// at 1.7 MHz once ten times x passes 1699998 Hz, and 20 dB either side of y.
AxisView zoomAtCursor(double x, double y);
