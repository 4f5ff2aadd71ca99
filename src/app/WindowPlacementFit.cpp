#include "app/WindowPlacementFit.h"

#include <algorithm>

namespace hfp {

namespace {

constexpr int32_t kFar = 1000000;

}  // namespace

QRect FitNormalRect(const WindowPlacement& placement, const QList<QRect>& screens,
                    QSize firstStart) {
    // Coordinates beyond any screen are as good as none.
    auto sane = [](int32_t v) { return v > -kFar && v < kFar; };
    auto rectOf = [](const WindowPlacement& p) {
        return QRect(p.normalLeft, p.normalTop, p.normalRight - p.normalLeft,
                     p.normalBottom - p.normalTop);
    };
    QRect rect = rectOf(WindowPlacement());
    if (sane(placement.normalLeft) && sane(placement.normalTop) && sane(placement.normalRight) &&
        sane(placement.normalBottom) && placement.normalRight > placement.normalLeft &&
        placement.normalBottom > placement.normalTop)
        rect = rectOf(placement);
    if (screens.isEmpty()) return rect;
    if (placement.showCmd == 0) {
        const QRect& primary = screens.front();
        const QSize size = firstStart.boundedTo(primary.size());
        return QRect(primary.topLeft() + QPoint((primary.width() - size.width()) / 2,
                                                (primary.height() - size.height()) / 2),
                     size);
    }

    // The screen that shows most of it, else the primary one.
    const QRect* home = nullptr;
    long long shown = 0;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(rect);
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (!common.isEmpty() && area > shown) {
            shown = area;
            home = &screen;
        }
    }
    const bool visible = home != nullptr;
    if (!home) home = &screens.front();
    rect.setWidth(std::min(rect.width(), home->width()));
    rect.setHeight(std::min(rect.height(), home->height()));
    if (!visible) {
        rect.moveTopLeft(home->topLeft() + QPoint((home->width() - rect.width()) / 2,
                                                  (home->height() - rect.height()) / 2));
    }
    return rect;
}

WindowPlacement PlacementOf(const QRect& normal, Qt::WindowStates states,
                            const WindowPlacement& previous) {
    WindowPlacement p = previous;
    p.flags = 0;
    if (states & Qt::WindowMinimized) {
        p.showCmd = kShowMinimized;
        if (states & Qt::WindowMaximized) p.flags = kRestoreToMaximized;
    } else if (states & Qt::WindowMaximized) {
        p.showCmd = kShowMaximized;
    } else {
        p.showCmd = kShowNormal;
    }
    p.normalLeft = normal.left();
    p.normalTop = normal.top();
    p.normalRight = normal.left() + normal.width();
    p.normalBottom = normal.top() + normal.height();
    return p;
}

}  // namespace hfp
