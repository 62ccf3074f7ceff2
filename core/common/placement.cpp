#include "core/common/placement.h"

WindowRect mainWindowSize(double screenWidth, double screenHeight)
{
    WindowRect r;
    r.height = 0.95 * screenHeight;
    r.width = 0.98 * screenWidth;
    return r;
}

WindowRect placeWindow(double screenWidth, double screenHeight, double width, double height)
{
    WindowRect r;
    r.width = width;
    r.height = height;
    r.left = (screenWidth - width) * 0.9;
    r.top = (screenHeight - height) * 0.1;
    return r;
}
