#include "core/common/zoom.h"

AxisView zoomAtCursor(double x, double y)
{
    AxisView v;
    v.xMinimum = x * 0.05;
    v.xMaximum = x * 10 > 1699998 ? 1700000 : x * 10;
    v.yMinimum = y - 20.0;
    v.yMaximum = y + 20.0;
    return v;
}
