#include "write/WriteObjectEllipse.h"

#include "compose/DivBitmap.h"

namespace hfp {

namespace {
constexpr double kOutlineTolerance = 20;
}  // namespace

void CWriteObjectEllipse::Draw(CDivBitmap& target, const WriteTransform& t) const {
    const QRectF rect = ScreenRect(m_rcShape, t);
    target.DrawEllipse(ObjectPen(t), rect);
    if (m_bSelected) {
        DrawDottedOutline(target, rect);
        DrawHandleSquares(target, Corners(rect));
    }
}

bool CWriteObjectEllipse::HitTest(const GeoBox& query, double sx, double sy) const {
    using namespace writegeom;
    const Box q = Scaled(query, sx, sy);
    const Box e = Scaled(BoxOfShape(m_rcShape), sx, sy);
    if (!BoxesMeet(e, q, kOutlineTolerance)) return false;
    const double a = (e.right - e.left) / 2, b = (e.bottom - e.top) / 2;
    // A flat ellipse is a line: near its box is near it.
    if (a <= 0 || b <= 0) return true;
    const double cx = e.left + a, cy = e.top + b;
    // Roughly the distance of each query corner from the outline; negative inside.
    const double corners[4][2] = {
        {q.left, q.top}, {q.right, q.top}, {q.left, q.bottom}, {q.right, q.bottom}};
    int inside = 0;
    bool near = false;
    for (const auto& c : corners) {
        const double dx = c[0] - cx, dy = (c[1] - cy) * a / b;
        const double f = (dx * dx + dy * dy - a * a) / a;
        if (f < 0) ++inside;
        if (std::abs(f) < kOutlineTolerance) near = true;
    }
    if (inside != 0 && inside != 4) return true;  // the query straddles the outline
    if (near) return true;
    if (inside == 4) return false;
    // All corners outside: a query that spans the ellipse's middle still crosses it.
    return (cy >= q.top && cy <= q.bottom) || (cx >= q.left && cx <= q.right);
}

std::unique_ptr<CWriteObject> CWriteObjectEllipse::Clone() const {
    return CloneAs(*this);
}

}  // namespace hfp
