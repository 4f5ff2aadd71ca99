#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geo/GeoPoint.h"
#include "geo/Projection.h"
#include "platform/Color.h"

namespace hfp {

class CDivBitmap;

// A bounds frame the view shows on the map: the print-out bounds with their sheets, or the
// file-out bounds.
struct BoundsFrame {
    enum Kind : int32_t { kHidden = 0, kPrintBounds = 1, kFileoutBounds = 2 };

    int32_t kind = kHidden;
    std::string label;
    GeoPoint center;
    int32_t width = 0;  // geo units
    int32_t height = 0;
    int32_t columns = 1;  // sheets
    int32_t rows = 1;
    COLORREF color = 0;
    // Where it was last drawn, client pixels; for finding the frame under the mouse.
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

constexpr int kFrameSlotCount = 10;
constexpr int kPrintFrameSlot = 0;
constexpr int kFileoutFrameSlot = 1;
using BoundsFrames = std::array<BoundsFrame, kFrameSlotCount>;

// The frame's screen rectangle through the view's linearisation, stored in the frame.
void PlaceBoundsFrame(BoundsFrame& frame, const ViewTransform& view);

// The points that carry a handle: none for a frame 20 pixels or less wide or high; else the
// four corners and, along each edge, a point about every 100 pixels. Only the points inside
// `clip` (grown by a handle's size) are listed.
std::vector<QPoint> BoundsFrameHandles(const BoundsFrame& frame, const QRect& clip);

// What a left press takes hold of: the frame in the lowest slot (the print-out bounds first)
// whose outline lies within 5 pixels of the press or which has a handle under it. A handle of
// the file-out bounds grips the sides it stands on; anything else grips the whole frame.
struct FrameGrip {
    int slot = -1;  // -1: no frame
    bool west = false;
    bool east = false;
    bool north = false;
    bool south = false;
    bool Resizes() const { return west || east || north || south; }
};
FrameGrip GripBoundsFrame(const BoundsFrames& frames, QPoint press, const QRect& clip);

// The frame `start` dragged by `delta` client pixels: moved with its centre kept so that the
// frame stays inside `area` (west, east, south, north), or with the gripped sides moved and
// the opposite ones fixed.
void DragBoundsFrame(BoundsFrame& frame, const BoundsFrame& start, const FrameGrip& grip,
                     QPoint delta, const ViewTransform& view, const std::array<int32_t, 4>& area);

// Places and draws the frame: outline, sheet divisions (print bounds), handles and label.
void DrawBoundsFrame(CDivBitmap& target, BoundsFrame& frame, const ViewTransform& view,
                     const QFont& labelFont);

}  // namespace hfp
