#pragma once

// Window placement from the screen size, in whatever unit the caller measures the screen.
struct WindowRect {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
};

// The main window's size: 98 % of the screen width, 95 % of its height.
WindowRect mainWindowSize(double screenWidth, double screenHeight);

// Offset of a window of the given size: 90 % of the spare width to the left of it, 10 % of the
// spare height above it. Used for every window, with the size the window reports.
WindowRect placeWindow(double screenWidth, double screenHeight, double width, double height);
