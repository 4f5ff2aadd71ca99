#include "view/BoundsFrame.h"

#include <QPainter>
#include <QRectF>
#include <QTextOption>
#include <algorithm>

#include "compose/DivBitmap.h"
#include "print/PrintJob.h"

namespace hfp {

namespace {

constexpr int kHandleSize = 11;
constexpr int kHandleOffset = 5;
constexpr int kHandleSpacing = 100;
constexpr int kOutlineReach = 5;
constexpr int32_t kMinFrameGeo = 100;  // a resized frame keeps at least an arc-second

}  // namespace

void PlaceBoundsFrame(BoundsFrame& frame, const ViewTransform& view) {
    const double kx = view.kx(), ky = view.ky();
    const double lonC = frame.center.lon, latC = frame.center.lat;
    // Sums in double and clamped: a frame far off the window must not overflow.
    frame.left = TruncToInt(view.width / 2 + static_cast<double>(TruncToInt(
                                                 (lonC - frame.width / 2 - view.center.lon) * kx)));
    frame.bottom = TruncToInt(
        view.height / 2 +
        static_cast<double>(TruncToInt((frame.height / 2 - latC + view.center.lat) * ky)));
    frame.right = TruncToInt(static_cast<double>(frame.left) + TruncToInt(frame.width * kx));
    frame.top = TruncToInt(static_cast<double>(frame.bottom) - TruncToInt(frame.height * ky));
}

std::vector<QPoint> BoundsFrameHandles(const BoundsFrame& f, const QRect& clip) {
    std::vector<QPoint> points;
    const int64_t width = int64_t{f.right} - f.left, height = int64_t{f.bottom} - f.top;
    if (width <= 20 || height <= 20) return points;
    const QRect area = clip.adjusted(-kHandleSize, -kHandleSize, kHandleSize, kHandleSize);
    auto add = [&](int64_t x, int64_t y) {
        if (area.contains(static_cast<int>(x), static_cast<int>(y)))
            points.push_back(QPoint(static_cast<int>(x), static_cast<int>(y)));
    };
    // Handle i of n along an edge from `from` over `length` pixels, for the i whose place can
    // lie between lo and hi: a frame far larger than the window lists only what shows.
    auto along = [](int64_t from, int64_t length, int64_t n, int64_t lo, int64_t hi, auto&& each) {
        int64_t first = std::max<int64_t>(1, (lo - from) * n / length - 1);
        int64_t last = std::min<int64_t>(n - 1, (hi - from) * n / length + 1);
        for (int64_t i = first; i <= last; ++i)
            each(from + i * length / n);
    };
    add(f.left, f.top);
    add(f.right, f.top);
    add(f.left, f.bottom);
    add(f.right, f.bottom);
    if (const int64_t across = width / kHandleSpacing; across > 1) {
        along(f.left, width, across, area.left(), area.right(), [&](int64_t x) {
            add(x, f.top);
            add(x, f.bottom);
        });
    }
    if (const int64_t down = height / kHandleSpacing; down > 1) {
        along(f.top, height, down, area.top(), area.bottom(), [&](int64_t y) {
            add(f.left, y);
            add(f.right, y);
        });
    }
    return points;
}

FrameGrip GripBoundsFrame(const BoundsFrames& frames, QPoint press, const QRect& clip) {
    for (int slot = 0; slot < kFrameSlotCount; ++slot) {
        const BoundsFrame& f = frames[static_cast<std::size_t>(slot)];
        if (f.kind == BoundsFrame::kHidden) continue;
        FrameGrip grip;
        grip.slot = slot;
        for (const QPoint& h : BoundsFrameHandles(f, clip)) {
            if (std::abs(press.x() - h.x()) > kHandleOffset ||
                std::abs(press.y() - h.y()) > kHandleOffset)
                continue;
            if (f.kind == BoundsFrame::kFileoutBounds) {
                grip.west = h.x() == f.left;
                grip.east = h.x() == f.right;
                grip.north = h.y() == f.top;
                grip.south = h.y() == f.bottom;
            }
            return grip;
        }
        const int x = press.x(), y = press.y();
        const bool acrossX = x >= f.left - kOutlineReach && x <= f.right + kOutlineReach;
        const bool acrossY = y >= f.top - kOutlineReach && y <= f.bottom + kOutlineReach;
        const bool nearSide =
            std::abs(x - f.left) <= kOutlineReach || std::abs(x - f.right) <= kOutlineReach;
        const bool nearTopOrBottom =
            std::abs(y - f.top) <= kOutlineReach || std::abs(y - f.bottom) <= kOutlineReach;
        if ((nearSide && acrossY) || (nearTopOrBottom && acrossX)) return grip;
    }
    return {};
}

void DragBoundsFrame(BoundsFrame& frame, const BoundsFrame& start, const FrameGrip& grip,
                     QPoint delta, const ViewTransform& view, const std::array<int32_t, 4>& area) {
    const int32_t dLon = TruncToInt(delta.x() / view.kx());
    const int32_t dLat = TruncToInt(-delta.y() / view.ky());
    const auto [west, east, south, north] = area;
    if (!grip.Resizes()) {
        // Kept whole inside the area, as "Move … to center" keeps it.
        frame.center = ClampPrintCenter({start.center.lat + dLat, start.center.lon + dLon},
                                        {start.width, start.height}, area);
        return;
    }
    int32_t w = start.center.lon - start.width / 2, e = w + start.width;
    int32_t s = start.center.lat - start.height / 2, n = s + start.height;
    if (grip.west) w = std::clamp(w + dLon, west, e - kMinFrameGeo);
    if (grip.east) e = std::clamp(e + dLon, w + kMinFrameGeo, east);
    if (grip.south) s = std::clamp(s + dLat, south, n - kMinFrameGeo);
    if (grip.north) n = std::clamp(n + dLat, s + kMinFrameGeo, north);
    frame.width = e - w;
    frame.height = n - s;
    frame.center = {s + frame.height / 2, w + frame.width / 2};
}

void DrawBoundsFrame(CDivBitmap& target, BoundsFrame& frame, const ViewTransform& view,
                     const QFont& labelFont) {
    PlaceBoundsFrame(frame, view);
    const QColor color = ToQColor(frame.color);
    const QPen pen(color, 1);
    const double left = frame.left, top = frame.top, right = frame.right, bottom = frame.bottom;
    target.DrawRectangle(pen, QRectF(left, top, right - left + 1, bottom - top + 1));
    if (frame.kind == BoundsFrame::kPrintBounds) {
        for (int i = 1; i < frame.columns; ++i) {
            const double x = left + TruncToInt((right - left + 1) / frame.columns * i);
            target.DrawLine(pen, QPointF(x, top), QPointF(x, bottom));
        }
        for (int i = 1; i < frame.rows; ++i) {
            const double y = top + TruncToInt((bottom - top + 1) / frame.rows * i);
            target.DrawLine(pen, QPointF(left, y), QPointF(right, y));
        }
    }
    const QBrush brush(color);
    for (const QPoint& p : BoundsFrameHandles(frame, QRect(0, 0, view.width, view.height)))
        target.FillRectangle(
            brush, QRectF(p.x() - kHandleOffset, p.y() - kHandleOffset, kHandleSize, kHandleSize));
    // The label stands on the frame's top-left corner.
    QTextOption option(Qt::AlignLeft | Qt::AlignBottom);
    option.setWrapMode(QTextOption::NoWrap);
    constexpr qreal kLabelBox = 1000;
    target.DrawString(QString::fromStdString(frame.label), labelFont,
                      QRectF(left, top - kLabelBox, 10 * kLabelBox, kLabelBox), option, brush);
}

}  // namespace hfp
