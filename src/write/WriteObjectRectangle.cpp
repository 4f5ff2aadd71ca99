#include "write/WriteObjectRectangle.h"

#include "compose/DivBitmap.h"

namespace hfp {

namespace {
constexpr double kEdgeTolerance = 8;
}  // namespace

void CWriteObjectRectangle::Draw(CDivBitmap& target, const WriteTransform& t) const {
    const QRectF rect = ScreenRect(m_rcShape, t);
    target.DrawRectangle(ObjectPen(t), rect);
    if (m_bSelected) DrawHandleSquares(target, Corners(rect));
}

bool CWriteObjectRectangle::HitTest(const GeoBox& query, double sx, double sy) const {
    using namespace writegeom;
    const Box q = Scaled(query, sx, sy);
    if (!BoxesMeet(Scaled(m_rcBounds, sx, sy), q, kEdgeTolerance)) return false;
    const double x1 = m_rcShape.x1 * sx, y1 = m_rcShape.y1 * sy;
    const double x2 = m_rcShape.x2 * sx, y2 = m_rcShape.y2 * sy;
    const Box edges[4] = {MakeBox(x1, y1, x2, y1), MakeBox(x2, y1, x2, y2), MakeBox(x1, y2, x2, y2),
                          MakeBox(x1, y1, x1, y2)};
    for (const Box& edge : edges)
        if (BoxesMeet(edge, q, kEdgeTolerance)) return true;
    return false;
}

std::unique_ptr<CWriteObject> CWriteObjectRectangle::Clone() const {
    return CloneAs(*this);
}

}  // namespace hfp
