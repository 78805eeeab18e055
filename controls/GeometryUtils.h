#pragma once

#include "controls_global.h"

#include <QList>
#include <QRect>

class QPoint;
class QRegion;
class QWidget;

// Full and available (work-area) geometry of one screen.
struct ScreenArea
{
    QRect geometry;
    QRect available;
};

// The screens of the desktop as ScreenArea values, primary screen first.
CONTROLS_EXPORT QList<ScreenArea> DesktopScreenAreas();

// Keeps the grip point of a dragged frameless window out of the task bar:
// over a task bar with no screen beyond it the point stops at the work-area
// edge. The second form takes the screens explicitly.
CONTROLS_EXPORT QPoint ClampToWorkArea(const QPoint& globalPos);
CONTROLS_EXPORT QPoint ClampToWorkArea(const QPoint& globalPos, const QList<ScreenArea>& screens);

// Fits a source size into a box keeping the aspect ratio; returns the height.
CONTROLS_EXPORT int ScaleKeepAspect(int srcW, int srcH, int boxW, int boxH, int* outW, int* outH);

CONTROLS_EXPORT bool LessByX(const QRect& a, const QRect& b);
CONTROLS_EXPORT bool LessByY(const QRect& a, const QRect& b);

// Moves a rectangle that reaches past the right or bottom edge of the
// widget's screen back so that it ends at that edge.
CONTROLS_EXPORT QRect KeepRectOnScreen(const QRect& rect, const QWidget* widget);

// The rectangle with its corners rounded by the given radius, for window masks.
CONTROLS_EXPORT QRegion RoundedRegion(const QRect& rect, int radius);
