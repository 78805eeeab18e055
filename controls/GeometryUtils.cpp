#include "GeometryUtils.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRegion>
#include <QScreen>
#include <QWidget>

QList<ScreenArea> DesktopScreenAreas()
{
    QList<ScreenArea> areas;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        areas.append({ screen->geometry(), screen->availableGeometry() });
    return areas;
}

QPoint ClampToWorkArea(const QPoint& globalPos)
{
    return ClampToWorkArea(globalPos, DesktopScreenAreas());
}

namespace {

bool SomeWorkAreaSpansRow(const QList<ScreenArea>& screens, int row)
{
    for (const ScreenArea& screen : screens) {
        if (screen.available.top() <= row && row <= screen.available.bottom())
            return true;
    }
    return false;
}

bool SomeWorkAreaSpansColumn(const QList<ScreenArea>& screens, int column)
{
    for (const ScreenArea& screen : screens) {
        if (screen.available.left() <= column && column <= screen.available.right())
            return true;
    }
    return false;
}

// The screen under the point; the primary screen when the point lies on none.
const ScreenArea& ScreenAt(const QList<ScreenArea>& screens, const QPoint& p)
{
    for (const ScreenArea& screen : screens) {
        if (screen.geometry.contains(p))
            return screen;
    }
    return screens.first();
}

} // namespace

QPoint ClampToWorkArea(const QPoint& p, const QList<ScreenArea>& screens)
{
    if (screens.isEmpty())
        return p;
    for (const ScreenArea& screen : screens) {
        if (screen.available.contains(p))
            return p;
    }

    const ScreenArea& here = ScreenAt(screens, p);
    const QRect& a = here.available;
    const QRect& s = here.geometry;
    if (a.contains(s.topLeft()) && a.contains(s.topRight())) {
        // Task bar at the bottom.
        if (SomeWorkAreaSpansRow(screens, s.bottom() + 1))
            return p;
        return QPoint(p.x(), a.bottom());
    }
    if (a.contains(s.topLeft()) && a.contains(s.bottomLeft())) {
        // Task bar on the right.
        if (SomeWorkAreaSpansColumn(screens, s.right() + 1))
            return p;
        return QPoint(a.right(), p.y());
    }
    if (a.contains(s.topRight()) && a.contains(s.bottomRight())) {
        // Task bar on the left.
        if (SomeWorkAreaSpansColumn(screens, s.left() - 1))
            return p;
        return QPoint(a.left(), p.y());
    }
    // Task bar at the top.
    if (SomeWorkAreaSpansRow(screens, s.top() - 1))
        return p;
    return QPoint(p.x(), a.top());
}

int ScaleKeepAspect(int srcW, int srcH, int boxW, int boxH, int* outW, int* outH)
{
    int width = boxW;
    int height = boxH;
    if (srcW > 0 && srcH > 0) {
        // 64-bit products: two large sizes would overflow an int.
        const qint64 fittedW = qint64(srcW) * boxH / srcH;
        if (fittedW < boxW) {
            width = int(fittedW);
        } else {
            height = int(qint64(srcH) * boxW / srcW);
        }
    }
    if (outW)
        *outW = width;
    if (outH)
        *outH = height;
    return height;
}

bool LessByX(const QRect& a, const QRect& b)
{
    return a.x() < b.x();
}

bool LessByY(const QRect& a, const QRect& b)
{
    return a.y() < b.y();
}

QRect KeepRectOnScreen(const QRect& rect, const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return rect;
    const QRect s = screen->geometry();
    QRect moved = rect;
    if (moved.right() > s.right())
        moved.moveLeft(s.x() + s.width() - moved.width());
    if (moved.bottom() > s.bottom())
        moved.moveTop(s.y() + s.height() - moved.height());
    return moved;
}

QRegion RoundedRegion(const QRect& r, int a)
{
    const int d = 2 * a;
    QRegion region(r.adjusted(a, 0, -a, 0));
    region += r.adjusted(0, a, 0, -a);
    region += QRegion(r.left(), r.top(), d, d, QRegion::Ellipse);
    region += QRegion(r.right() - d + 1, r.top(), d, d, QRegion::Ellipse);
    region += QRegion(r.left(), r.bottom() - d + 1, d, d, QRegion::Ellipse);
    region += QRegion(r.right() - d + 1, r.bottom() - d + 1, d, d, QRegion::Ellipse);
    return region;
}
