#include "write/WriteObjectLine.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "compose/DivBitmap.h"
#include "geo/CoordinateText.h"

namespace hfp {

namespace {

constexpr double kSegmentTolerance = 8;
constexpr double kPi = 3.141592653589793;
// Candidates closer than this (geo units) to the segment between their neighbours are thinned.
constexpr double kThinDistance = 15.0;
constexpr int kTraceSteps = 100;
constexpr int kTraceReach = 30;

const char* const kNextPointText =
    "Left click=Next point Right click=Cancel previus point Left double click=Last point "
    "Shift=Trace path";

// A pixel of a drawn road or path: a grey neither black nor white.
bool IsPathPixel(COLORREF c) {
    int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    return r == g && g == b && g >= 11 && g < 240;
}

double DistanceToSegment(const WritePoint& p, const WritePoint& a, const WritePoint& b) {
    double vx = static_cast<double>(b.x) - a.x, vy = static_cast<double>(b.y) - a.y;
    double wx = static_cast<double>(p.x) - a.x, wy = static_cast<double>(p.y) - a.y;
    double length2 = vx * vx + vy * vy;
    double u = length2 > 0 ? std::clamp((wx * vx + wy * vy) / length2, 0.0, 1.0) : 0.0;
    double dx = wx - u * vx, dy = wy - u * vy;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

bool CWriteObjectLine::SaveBinary(ByteWriter& out) const {
    WritePenFields(out);
    out.Int32(static_cast<int32_t>(m_aPoints.size()));
    for (const WritePoint& p : m_aPoints) {
        out.Int32(p.x);
        out.Int32(p.y);
    }
    return true;
}

bool CWriteObjectLine::LoadBinary(ByteReader& in, std::string_view) {
    int32_t count = 0;
    if (!ReadPenFields(in) || !in.Int32(&count)) return false;
    // Eight bytes a point: a count the data cannot hold fails before anything is allocated.
    if (!in.CanHold(count, 8)) return false;
    std::vector<WritePoint> points(static_cast<std::size_t>(count));
    for (WritePoint& p : points)
        if (!in.Int32(&p.x) || !in.Int32(&p.y)) return false;
    m_aPoints.insert(m_aPoints.end(), points.begin(), points.end());
    return true;
}

int CWriteObjectLine::BeginCreate(int, int32_t x, int32_t y) {
    if (!m_aTrace.empty()) {
        m_aPoints.insert(m_aPoints.end(), m_aTrace.begin(), m_aTrace.end());
        m_aTrace.clear();
        return 1;
    }
    WritePoint p{x, y};
    if (m_aPoints.empty() || m_aPoints.back() != p) m_aPoints.push_back(p);
    return 1;
}

int CWriteObjectLine::EndCreate(int, int32_t, int32_t) {
    ShowWriteStatus(kNextPointText);
    return 1;
}

int CWriteObjectLine::TrackCreate(int, int32_t x, int32_t y) {
    m_ptRubber = WritePoint{x, y};
    return 1;
}

int CWriteObjectLine::FinishCreate(int, int32_t, int32_t) {
    m_ptRubber = WritePoint{};
    if (m_aPoints.size() < 2) return 1;
    UpdateBounds();
    return 0;
}

int CWriteObjectLine::UndoCreateStep(int, int32_t x, int32_t y) {
    if (!m_aTrace.empty()) {
        m_aTrace.clear();
        ShowWriteStatus(
            "Left click=Next point Right click=Cansel previus point Left double click=Last "
            "point Shift=Trace path");
        return 1;
    }
    if (m_aPoints.size() <= 1) {
        ShowWriteStatus("Left click=Start point Right=Cancel to write connected line");
        return -1;
    }
    m_aPoints.pop_back();
    m_ptRubber = WritePoint{x, y};
    return 1;
}

int CWriteObjectLine::NearestPoint(int32_t x, int32_t y, const WriteTransform& t,
                                   bool fromLast) const {
    const int n = static_cast<int>(m_aPoints.size());
    for (int k = 0; k < n; ++k) {
        int i = fromLast ? n - 1 - k : k;
        if (PixelNear(t, m_aPoints[i].x, m_aPoints[i].y, x, y)) return i;
    }
    return -1;
}

int CWriteObjectLine::HitHandle(int flags, int32_t x, int32_t y, const WriteTransform& t) {
    // A point is dragged only when this hit names it.
    m_nDragPoint = -1;
    const std::size_t n = m_aPoints.size();
    if (flags & kMouseShift) {
        // A line keeps at least two points.
        if (n <= 2) return kHandleNone;
        int i = NearestPoint(x, y, t, true);
        if (i < 0) return kHandleBody;
        m_aPoints.erase(m_aPoints.begin() + i);
        UpdateBounds();
        return kHandlePointDeleted;
    }
    if (flags & kMouseCtrl) {
        if (n == 0) return kHandleNone;
        if (PixelNear(t, m_aPoints.front().x, m_aPoints.front().y, x, y)) {
            std::reverse(m_aPoints.begin(), m_aPoints.end());
            return kHandleExtend;
        }
        if (PixelNear(t, m_aPoints.back().x, m_aPoints.back().y, x, y)) return kHandleExtend;
        int i = NearestPoint(x, y, t, false);
        if (i >= 0) {
            m_nDragPoint = i;
            return kHandlePoint;
        }
        // Insert on the segment nearest to the mouse (vertical distance to its line, in
        // pixels; horizontal for an upright segment, which has no slope).
        const writegeom::Box query = writegeom::MakeBox(x * t.sx, y * t.sy, x * t.sx, y * t.sy);
        const double qx = x * t.sx, qy = y * t.sy;
        double best = 9999999999.0;
        int bestSegment = -1;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const WritePoint& a = m_aPoints[i];
            const WritePoint& b = m_aPoints[i + 1];
            if (!SegmentHit(a, b, query, t.sx, t.sy, kSegmentTolerance)) continue;
            double x0 = a.x * t.sx, y0 = a.y * t.sy, x1 = b.x * t.sx, y1 = b.y * t.sy;
            double score;
            if (x1 == x0) {
                score = std::abs(qx - x0);
            } else {
                double m = (y1 - y0) / (x1 - x0);
                score = std::abs(m * qx + (y0 - m * x0) - qy);
            }
            if (score < best) {
                best = score;
                bestSegment = static_cast<int>(i);
            }
        }
        if (bestSegment < 0) return kHandleNone;
        m_aPoints.insert(m_aPoints.begin() + bestSegment + 1, WritePoint{x, y});
        m_nDragPoint = bestSegment + 1;
        return kHandlePointInserted;
    }
    int i = NearestPoint(x, y, t, true);
    if (i >= 0) {
        m_nDragPoint = i;
        return kHandlePoint;
    }
    return HitTest(GeoBox{x, y, x, y}, t.sx, t.sy) ? kHandleBody : kHandleNone;
}

void CWriteObjectLine::DragHandle(int handle, int, int32_t dx, int32_t dy) {
    if (handle == kHandleBody) {
        for (WritePoint& p : m_aPoints) {
            WriteShape s{p.x, p.y, p.x, p.y};
            MoveShape(&s, kHandleBody, dx, dy);
            p = WritePoint{s.x1, s.y1};
        }
    } else if (handle == kHandlePoint && m_nDragPoint >= 0 &&
               m_nDragPoint < static_cast<int32_t>(m_aPoints.size())) {
        WritePoint& p = m_aPoints[static_cast<std::size_t>(m_nDragPoint)];
        WriteShape s{p.x, p.y, p.x, p.y};
        MoveShape(&s, kHandleBody, dx, dy);
        p = WritePoint{s.x1, s.y1};
    }
}

void CWriteObjectLine::MoveHandle(int handle, int flags, int32_t dx, int32_t dy) {
    DragHandle(handle, flags, dx, dy);
    if (handle == kHandlePoint) m_nDragPoint = -1;
    UpdateBounds();
}

WriteCursor CWriteObjectLine::GetHoverCursor(int, int32_t x, int32_t y, const WriteTransform& t) {
    const int n = static_cast<int>(m_aPoints.size());
    int i = NearestPoint(x, y, t, true);
    if (i >= 0) {
        if (i != 0 && i != n - 1)
            ShowWriteStatus("Left drag=Move point Left click=(Shift=Delete point)");
        else if (n < 3)
            ShowWriteStatus("Left drag=Move point Left click=(Ctrl=Exend connected line)");
        else
            ShowWriteStatus(
                "Left drag=Move point Left click=(Shift=Delete point Ctrl=Extend connected "
                "line)");
        return WriteCursor::Point;
    }
    if (HitTest(GeoBox{x, y, x, y}, t.sx, t.sy)) {
        ShowWriteStatus("Left drag=Move write object(Ctrl=Add point)");
        return WriteCursor::SizeAll;
    }
    return WriteCursor::None;
}

void CWriteObjectLine::Draw(CDivBitmap& target, const WriteTransform& t) const {
    std::vector<QPointF> points;
    points.reserve(m_aPoints.size() + m_aTrace.size() + 1);
    for (const WritePoint& p : m_aPoints)
        points.push_back(t.Pixel(p.x, p.y));
    for (const WritePoint& p : m_aTrace)
        points.push_back(t.Pixel(p.x, p.y));
    if (m_ptRubber.x != 0) points.push_back(t.Pixel(m_ptRubber.x, m_ptRubber.y));
    if (points.size() >= 2) target.DrawLines(ObjectPen(t), points);

    std::vector<QPointF> squares;
    for (const WritePoint& p : m_aTrace)
        squares.push_back(t.Pixel(p.x, p.y));
    if (m_bSelected)
        for (const WritePoint& p : m_aPoints)
            squares.push_back(t.Pixel(p.x, p.y));
    DrawHandleSquares(target, squares);
}

void CWriteObjectLine::UpdateBounds() {
    if (m_aPoints.empty()) return;
    GeoBox b{m_aPoints[0].x, m_aPoints[0].y, m_aPoints[0].x, m_aPoints[0].y};
    for (const WritePoint& p : m_aPoints) {
        b.left = std::min(b.left, p.x);
        b.right = std::max(b.right, p.x);
        b.bottom = std::min(b.bottom, p.y);
        b.top = std::max(b.top, p.y);
    }
    m_rcBounds = b;
}

bool CWriteObjectLine::SegmentHit(const WritePoint& a, const WritePoint& b,
                                  const writegeom::Box& query, double sx, double sy,
                                  double tolerance) {
    const writegeom::Box wide{query.left - tolerance, query.top - tolerance,
                              query.right + tolerance, query.bottom + tolerance};
    const double ax = a.x * sx, ay = a.y * sy, bx = b.x * sx, by = b.y * sy;
    if (!writegeom::BoxesMeet(writegeom::MakeBox(ax, ay, bx, by), wide, tolerance)) return false;
    if (ax == bx) return true;
    // The segment's line must cross the widened query: its offsets from the query's top and
    // bottom edges, at the query's left and right edges, must not all have one sign.
    const double m = (by - ay) / (bx - ax);
    const double c = ay - m * ax;
    const double atLeft = m * wide.left + c, atRight = m * wide.right + c;
    const double offsets[4] = {atLeft - wide.top, atLeft - wide.bottom, atRight - wide.top,
                               atRight - wide.bottom};
    int positive = 0;
    for (double o : offsets)
        if (o >= 0) ++positive;
    return positive != 0 && positive != 4;
}

bool CWriteObjectLine::HitTest(const GeoBox& query, double sx, double sy) const {
    const writegeom::Box q = writegeom::Scaled(query, sx, sy);
    if (!writegeom::BoxesMeet(writegeom::Scaled(m_rcBounds, sx, sy), q, 2 * kSegmentTolerance))
        return false;
    for (std::size_t i = 0; i + 1 < m_aPoints.size(); ++i)
        if (SegmentHit(m_aPoints[i], m_aPoints[i + 1], q, sx, sy, kSegmentTolerance)) return true;
    return false;
}

std::unique_ptr<CWriteObject> CWriteObjectLine::Clone() const {
    return CloneAs(*this);
}

std::string CWriteObjectLine::GetStatusText() const {
    return PenStatusText("Connected line");
}

std::string CWriteObjectLine::ToBuffer() const {
    return BoundsAndBody();
}

bool CWriteObjectLine::FromBuffer(const void* data, std::size_t size) {
    return FromBoundsAndBody(data, size);
}

void CWriteObjectLine::Offset(int32_t dx, int32_t dy) {
    DragHandle(kHandleBody, 0, dx, dy);
    UpdateBounds();
}

std::string CWriteObjectLine::ExportCsv() const {
    std::string line = "Line," + PenCsvFields();
    for (const WritePoint& p : m_aPoints)
        line += "," + FormatCoordinateText(p.x) + "," + FormatCoordinateText(p.y);
    return line;
}

bool CWriteObjectLine::ExportCsvLines(std::vector<std::string>* lines, std::string* reason) const {
    if (m_aPoints.empty()) {
        *reason = "the connected line has no points";
        return false;
    }
    const std::string head = "Line," + PenCsvFields();
    std::vector<std::string> pieces;
    std::string piece = head;
    std::size_t piecePoints = 0;
    for (const WritePoint& p : m_aPoints) {
        const std::string point = "," + FormatCoordinateText(p.x) + "," + FormatCoordinateText(p.y);
        if (piecePoints >= 2 && piece.size() + point.size() > kCsvLineLimit) {
            pieces.push_back(std::move(piece));
            const std::string& last = pieces.back();
            // The next piece starts where this one ends.
            piece = head + last.substr(last.rfind(',', last.rfind(',') - 1));
            piecePoints = 1;
        }
        piece += point;
        ++piecePoints;
    }
    pieces.push_back(std::move(piece));
    for (const std::string& line : pieces)
        if (!CsvLineReadsBack(line, reason)) return false;
    lines->insert(lines->end(), pieces.begin(), pieces.end());
    return true;
}

bool CWriteObjectLine::ImportCsv(const std::vector<std::string>& fields, std::string_view) {
    if (fields.size() < 9 || fields.size() % 2 == 0) return false;
    ReadPenCsvFields(fields);
    m_aPoints.clear();
    for (std::size_t i = 7; i + 1 < fields.size(); i += 2)
        m_aPoints.push_back(WritePoint{CsvLongitude(fields[i]), CsvLatitude(fields[i + 1])});
    UpdateBounds();
    return true;
}

void CWriteObjectLine::TracePath(const CDivBitmap& map, const WriteTransform& t) {
    m_aTrace.clear();
    if (m_aPoints.empty() || m_ptRubber.x == 0) return;
    const double tx = t.X(m_ptRubber.x), ty = t.Y(m_ptRubber.y);
    double cx = t.X(m_aPoints.back().x), cy = t.Y(m_aPoints.back().y);
    const double theta0 = std::atan2(ty - cy, tx - cx);
    for (int step = 0; step < kTraceSteps; ++step) {
        const double theta = std::atan2(ty - cy, tx - cx);
        // The turn from the first heading, taken the short way round.
        double turn = std::remainder(theta - theta0, 2 * kPi);
        if (std::abs(turn) > kPi / 2) break;
        bool found = false;
        int qx = 0, qy = 0;
        for (int d = 5; d <= 19 && !found; d += 2) {
            const double bx = cx + d * std::cos(theta), by = cy + d * std::sin(theta);
            for (int k = 0; k < kTraceReach && !found; ++k) {
                for (double side : {kPi / 2, -kPi / 2}) {
                    int px = TruncToInt(bx + k * std::cos(theta + side));
                    int py = TruncToInt(by + k * std::sin(theta + side));
                    if (IsPathPixel(map.GetPixel(px, py))) {
                        qx = px;
                        qy = py;
                        found = true;
                        break;
                    }
                }
            }
        }
        if (!found) break;
        m_aTrace.push_back(WritePoint{t.GeoX(qx), t.GeoY(qy)});
        cx = qx;
        cy = qy;
    }
    // Thin out candidates that lie almost on the segment between their neighbours.
    for (std::size_t i = 0; i + 2 < m_aTrace.size();) {
        if (DistanceToSegment(m_aTrace[i + 1], m_aTrace[i], m_aTrace[i + 2]) < kThinDistance)
            m_aTrace.erase(m_aTrace.begin() + static_cast<long>(i) + 1);
        else
            ++i;
    }
    if (!m_aTrace.empty()) ShowWriteStatus("Left click=Adopt Right click=Reject Shift=Retrace");
}

}  // namespace hfp
