#pragma once

#include <QList>
#include <QRect>
#include <Qt>

#include "settings/SetData.h"

namespace hfp {

// Show states of a stored window placement.
constexpr int32_t kShowNormal = 1;
constexpr int32_t kShowMinimized = 2;
constexpr int32_t kShowMaximized = 3;
// The placement's flag for a minimised window that comes back maximised.
constexpr int32_t kRestoreToMaximized = 2;

// The normal rectangle of a stored placement, made fit for the screens (their available
// areas, the first the primary one): a rectangle without size takes the default size, one
// larger than its screen is cut to it, and one that no screen shows is moved onto the
// primary screen, as the window system does for a placement stored on a screen that is gone.
// With no stored placement (a first start: a stored one always has a show state) the window
// takes `firstStart`, cut to the primary screen, in the middle of it.
QRect FitNormalRect(const WindowPlacement& placement, const QList<QRect>& screens,
                    QSize firstStart);

// The placement to store for a window in `states` whose normal geometry is `normal`; the
// minimised and maximised positions are kept from `previous`.
WindowPlacement PlacementOf(const QRect& normal, Qt::WindowStates states,
                            const WindowPlacement& previous);

}  // namespace hfp
