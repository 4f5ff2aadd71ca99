#include "write/WriteObject.h"

#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "compose/DivBitmap.h"
#include "geo/CoordinateText.h"
#include "write/CsvFields.h"
#include "write/WriteObjectEllipse.h"
#include "write/WriteObjectLine.h"
#include "write/WriteObjectPicture.h"
#include "write/WriteObjectRectangle.h"
#include "write/WriteObjectString.h"

namespace hfp {

namespace {

std::atomic<WriteStatusSink*> g_statusSink{nullptr};

// Pixel sizes given by the user mean pixels at this many pixels per geo unit.
constexpr double kNaturalScale = 0.2;
// A pen wider than this is drawn this wide: wider strokes only cost time.
constexpr double kMaxPenWidth = 10000;
constexpr int kHandleTolerance = 5;

// Sums of geo units stay inside the 32-bit range instead of wrapping.
int32_t AddGeo(int32_t a, int32_t b) {
    int64_t sum = static_cast<int64_t>(a) + b;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

}  // namespace

const char* DashStyleText(int style) {
    static const char* const kTexts[kDashStyleCount] = {"Line", "Dash", "Dot", "Dash dot",
                                                        "Dash dot dot"};
    return style >= 0 && style < kDashStyleCount ? kTexts[style] : kTexts[0];
}

GeoBox GeoBox::Normalized() const {
    return GeoBox{std::min(left, right), std::min(bottom, top), std::max(left, right),
                  std::max(bottom, top)};
}

bool GeoBox::Meets(const GeoBox& other, int32_t margin) const {
    GeoBox a = Normalized(), b = other.Normalized();
    int64_t m = margin;
    return a.left <= b.right + m && a.right >= b.left - m && a.bottom <= b.top + m &&
           a.top >= b.bottom - m;
}

WriteTransform WriteTransform::OfView(const ViewTransform& view) {
    WriteTransform t;
    t.ox = view.width / 2;
    t.oy = view.height / 2;
    t.geoLeft = view.center.lon;
    t.geoTop = view.center.lat;
    t.sx = view.kx();
    t.sy = view.ky();
    return t;
}

int WriteTransform::X(int32_t x) const {
    return TruncToInt(std::trunc((static_cast<double>(x) - geoLeft) * sx) + ox);
}

int WriteTransform::Y(int32_t y) const {
    return TruncToInt(std::trunc((static_cast<double>(geoTop) - y) * sy) + oy);
}

int32_t WriteTransform::GeoX(double px) const {
    return TruncToInt((px - ox) / sx + geoLeft);
}

int32_t WriteTransform::GeoY(double py) const {
    return TruncToInt(geoTop - (py - oy) / sy);
}

void SetWriteStatusSink(WriteStatusSink* sink) {
    g_statusSink.store(sink);
}

void ShowWriteStatus(const std::string& text) {
    if (WriteStatusSink* sink = g_statusSink.load()) sink->SetStatusText(text);
}

// The base answers of the operations a class does not have.
int CWriteObject::BeginCreate(int, int32_t, int32_t) {
    return -1;
}
int CWriteObject::EndCreate(int, int32_t, int32_t) {
    return -1;
}
int CWriteObject::TrackCreate(int, int32_t, int32_t) {
    return -1;
}
int CWriteObject::FinishCreate(int, int32_t, int32_t) {
    return -1;
}
int CWriteObject::UndoCreateStep(int, int32_t, int32_t) {
    return -1;
}
int CWriteObject::HitHandle(int, int32_t, int32_t, const WriteTransform&) {
    return kHandleNone;
}
void CWriteObject::MoveHandle(int, int, int32_t, int32_t) {}
void CWriteObject::DragHandle(int, int, int32_t, int32_t) {}
WriteCursor CWriteObject::GetHoverCursor(int, int32_t, int32_t, const WriteTransform&) {
    return WriteCursor::None;
}
void CWriteObject::Draw(CDivBitmap&, const WriteTransform&) const {}
void CWriteObject::NoteViewScale(double, double) {}
void CWriteObject::UpdateBounds() {}
bool CWriteObject::HitTest(const GeoBox&, double, double) const {
    return false;
}
std::unique_ptr<CWriteObject> CWriteObject::Clone() const {
    return nullptr;
}
std::string CWriteObject::GetStatusText() const {
    return std::string();
}
std::string CWriteObject::ToBuffer() const {
    return std::string();
}
bool CWriteObject::FromBuffer(const void*, std::size_t) {
    return false;
}
void CWriteObject::Offset(int32_t, int32_t) {}
std::string CWriteObject::ExportCsv() const {
    return std::string();
}
bool CWriteObject::ImportCsv(const std::vector<std::string>&, std::string_view) {
    return false;
}

bool CWriteObject::ExportCsvLines(std::vector<std::string>* lines, std::string* reason) const {
    std::string line = ExportCsv();
    if (!CsvLineReadsBack(line, reason)) return false;
    lines->push_back(std::move(line));
    return true;
}

bool CWriteObject::CsvLineReadsBack(const std::string& line, std::string* reason) const {
    if (line.size() > kCsvLineLimit) {
        *reason = "its line of " + std::to_string(line.size()) + " characters is longer than " +
                  std::to_string(kCsvLineLimit);
        return false;
    }
    std::vector<std::string> fields;
    std::unique_ptr<CWriteObject> copy = CreateWriteObject(m_nType);
    if (!copy || !SplitCsvFields(line, &fields) || !copy->ImportCsv(fields, kCsvVersion) ||
        copy->ExportCsv() != line) {
        *reason = "its line would not read back as written: " + line.substr(0, 200);
        return false;
    }
    return true;
}

int CWriteObject::Opacity() const {
    return std::clamp(m_nTransparency, 0, 100);
}

std::string CWriteObject::StyleText() const {
    std::string text = DashStyleText(m_nStyle);
    if (m_nStyle == 0) text += "(" + std::to_string(m_nSize) + ")";
    return text;
}

QPen CWriteObject::ObjectPen(const WriteTransform& t) const {
    double width = std::max(0, m_nSize) * t.sx / kNaturalScale;
    QPen pen(ToQColor(m_crColor, Opacity()), std::min(width, kMaxPenWidth));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    // The dash patterns of the platform's dash styles, in pen widths.
    switch (m_nStyle) {
        case 1:
            pen.setDashPattern({3, 1});
            break;
        case 2:
            pen.setDashPattern({1, 1});
            break;
        case 3:
            pen.setDashPattern({3, 1, 1, 1});
            break;
        case 4:
            pen.setDashPattern({3, 1, 1, 1, 1, 1});
            break;
        default:
            break;
    }
    return pen;
}

std::string CWriteObject::ColorFields() const {
    return std::to_string(RedOf(m_crColor)) + "," + std::to_string(GreenOf(m_crColor)) + "," +
           std::to_string(BlueOf(m_crColor));
}

void CWriteObject::WritePenFields(ByteWriter& out) const {
    out.UInt32(m_crColor);
    out.Int32(m_nSize);
    out.Int32(m_nStyle);
    out.Int32(m_nTransparency);
}

bool CWriteObject::ReadPenFields(ByteReader& in) {
    return in.UInt32(&m_crColor) && in.Int32(&m_nSize) && in.Int32(&m_nStyle) &&
           in.Int32(&m_nTransparency);
}

std::string CWriteObject::PenCsvFields() const {
    return ColorFields() + "," + std::to_string(m_nSize) + "," + std::to_string(m_nStyle) + "," +
           std::to_string(m_nTransparency);
}

void CWriteObject::ReadPenCsvFields(const std::vector<std::string>& fields) {
    m_crColor = CsvColor(fields, 1);
    m_nSize = static_cast<int32_t>(CsvNumber(fields[4]));
    m_nStyle = static_cast<int32_t>(CsvNumber(fields[5]));
    m_nTransparency = static_cast<int32_t>(CsvNumber(fields[6]));
}

std::string CWriteObject::PenStatusText(const char* kind) const {
    char text[256];
    std::snprintf(text, sizeof text, "%s Color:%03d,%03d,%03d Size:%d Style:%s Transparency:%d",
                  kind, RedOf(m_crColor), GreenOf(m_crColor), BlueOf(m_crColor), m_nSize,
                  StyleText().c_str(), m_nTransparency);
    return text;
}

std::string CWriteObject::BoundsAndBody() const {
    ByteWriter out;
    WriteBounds(out, m_rcBounds);
    SaveBinary(out);
    return out.Take();
}

bool CWriteObject::FromBoundsAndBody(const void* data, std::size_t size) {
    ByteReader in(data, size);
    if (!ReadBounds(in, &m_rcBounds) || !LoadBinary(in, std::string_view())) return false;
    UpdateBounds();
    return true;
}

int CWriteObject::ShapeHandleAt(const WriteShape& s, int32_t x, int32_t y,
                                const WriteTransform& t) const {
    int corner = ShapeCornerAt(s, x, y, t);
    if (corner != kHandleNone) return corner;
    return HitTest(GeoBox{x, y, x, y}, t.sx, t.sy) ? kHandleBody : kHandleNone;
}

WriteCursor CWriteObject::ShapeHover(const WriteShape& s, int32_t x, int32_t y,
                                     const WriteTransform& t, const char* firstCornerText,
                                     const char* cornerText, const char* bodyText) const {
    int corner = ShapeCornerAt(s, x, y, t);
    if (corner != kHandleNone) {
        ShowWriteStatus(corner == kHandleCorner1 ? firstCornerText : cornerText);
        return CornerCursor(corner);
    }
    if (HitTest(GeoBox{x, y, x, y}, t.sx, t.sy)) {
        ShowWriteStatus(bodyText);
        return WriteCursor::SizeAll;
    }
    return WriteCursor::None;
}

bool CWriteObject::ShapeOnScreen(const WriteShape& s, const WriteTransform& t,
                                 const CDivBitmap& target, QRectF* rect) {
    *rect = ScreenRect(s, t);
    if (rect->width() <= 0 || rect->height() <= 0) return false;
    return rect->adjusted(-5, -5, 5, 5).intersects(QRectF(0, 0, target.width(), target.height()));
}

void CWriteObject::DrawShapeSelection(CDivBitmap& target, const QRectF& rect, bool creating) const {
    if (creating || m_bSelected) DrawDottedOutline(target, rect);
    if (m_bSelected) DrawHandleSquares(target, Corners(rect));
}

bool CWriteObject::PixelNear(const WriteTransform& t, int32_t px, int32_t py, int32_t mx,
                             int32_t my) {
    return std::abs(static_cast<int64_t>(t.X(px)) - t.X(mx)) < kHandleTolerance &&
           std::abs(static_cast<int64_t>(t.Y(py)) - t.Y(my)) < kHandleTolerance;
}

int CWriteObject::ShapeCornerAt(const WriteShape& s, int32_t x, int32_t y,
                                const WriteTransform& t) {
    if (PixelNear(t, s.x1, s.y1, x, y)) return kHandleCorner1;
    if (PixelNear(t, s.x2, s.y1, x, y)) return kHandleCorner2;
    if (PixelNear(t, s.x1, s.y2, x, y)) return kHandleCorner3;
    if (PixelNear(t, s.x2, s.y2, x, y)) return kHandleCorner4;
    return kHandleNone;
}

void CWriteObject::MoveShape(WriteShape* s, int handle, int32_t dx, int32_t dy) {
    const bool moveX1 =
        handle == kHandleBody || handle == kHandleCorner1 || handle == kHandleCorner3;
    const bool moveX2 =
        handle == kHandleBody || handle == kHandleCorner2 || handle == kHandleCorner4;
    const bool moveY1 =
        handle == kHandleBody || handle == kHandleCorner1 || handle == kHandleCorner2;
    const bool moveY2 =
        handle == kHandleBody || handle == kHandleCorner3 || handle == kHandleCorner4;
    if (moveX1) s->x1 = AddGeo(s->x1, dx);
    if (moveX2) s->x2 = AddGeo(s->x2, dx);
    if (moveY1) s->y1 = AddGeo(s->y1, dy);
    if (moveY2) s->y2 = AddGeo(s->y2, dy);
}

void CWriteObject::NormalizeShape(WriteShape* s) {
    if (s->x1 > s->x2) std::swap(s->x1, s->x2);
    if (s->y1 > s->y2) std::swap(s->y1, s->y2);
}

QRectF CWriteObject::ScreenRect(const WriteShape& s, const WriteTransform& t) {
    int ax = t.X(s.x1), bx = t.X(s.x2), ay = t.Y(s.y1), by = t.Y(s.y2);
    return QRectF(std::min(ax, bx), std::min(ay, by), std::abs(static_cast<double>(bx) - ax),
                  std::abs(static_cast<double>(by) - ay));
}

bool CWriteObject::ShapeBoxHit(const WriteShape& s, const GeoBox& query, double sx, double sy,
                               double tolerance) {
    return writegeom::BoxesMeet(writegeom::Scaled(BoxOfShape(s), sx, sy),
                                writegeom::Scaled(query, sx, sy), tolerance);
}

// A shape is stored as its corners x1, y1, x2, y2: the order of a box's fields.
void CWriteObject::WriteShapeBinary(ByteWriter& out, const WriteShape& s) {
    WriteBounds(out, BoxOfShape(s));
}

bool CWriteObject::ReadShapeBinary(ByteReader& in, WriteShape* s) {
    GeoBox b;
    if (!ReadBounds(in, &b)) return false;
    *s = WriteShape{b.left, b.bottom, b.right, b.top};
    return true;
}

void CWriteObject::WriteBounds(ByteWriter& out, const GeoBox& b) {
    out.Int32(b.left);
    out.Int32(b.bottom);
    out.Int32(b.right);
    out.Int32(b.top);
}

bool CWriteObject::ReadBounds(ByteReader& in, GeoBox* b) {
    return in.Int32(&b->left) && in.Int32(&b->bottom) && in.Int32(&b->right) && in.Int32(&b->top);
}

std::string CWriteObject::ShapeCsv(const WriteShape& s) {
    return FormatCoordinateText(s.x1) + "," + FormatCoordinateText(s.y1) + "," +
           FormatCoordinateText(s.x2) + "," + FormatCoordinateText(s.y2);
}

WriteShape CWriteObject::ShapeOfFields(const std::vector<std::string>& fields, std::size_t first) {
    return WriteShape{CsvLongitude(fields[first]), CsvLatitude(fields[first + 1]),
                      CsvLongitude(fields[first + 2]), CsvLatitude(fields[first + 3])};
}

WriteCursor CWriteObject::CornerCursor(int corner) {
    return corner == kHandleCorner2 || corner == kHandleCorner3 ? WriteCursor::SizeNwSe
                                                                : WriteCursor::SizeNeSw;
}

void CWriteObject::DrawHandleSquares(CDivBitmap& target, const std::vector<QPointF>& points) {
    if (points.empty()) return;
    QRectF area;
    std::vector<QRectF> squares;
    squares.reserve(points.size());
    for (const QPointF& p : points) {
        squares.emplace_back(p.x() - 4, p.y() - 4, 9, 9);
        area = area.isNull() ? squares.back() : area.united(squares.back());
    }
    const QColor fill(0, 255, 0, 0x78);
    const QPen outline(QColor(0, 0, 0), 1.0);
    target.Draw(area, 1, [&](QPainter& p) {
        for (const QRectF& r : squares) {
            p.fillRect(r, fill);
            p.setPen(outline);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r);
        }
    });
}

void CWriteObject::DrawDottedOutline(CDivBitmap& target, const QRectF& rect) {
    QPen pen(QColor(0, 0, 0), 1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern({1, 1});
    target.DrawRectangle(pen, rect);
}

std::vector<QPointF> CWriteObject::Corners(const QRectF& rect) {
    return {rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight()};
}

std::unique_ptr<CWriteObject> CreateWriteObject(int32_t type) {
    switch (type) {
        case kWriteLine:
            return std::make_unique<CWriteObjectLine>();
        case kWriteRectangle:
            return std::make_unique<CWriteObjectRectangle>();
        case kWriteEllipse:
            return std::make_unique<CWriteObjectEllipse>();
        case kWriteString:
            return std::make_unique<CWriteObjectString>();
        case kWritePicture:
            return std::make_unique<CWriteObjectPicture>();
        default:
            return nullptr;
    }
}

long CsvNumber(const std::string& field) {
    return std::atol(field.c_str());
}

COLORREF CsvColor(const std::vector<std::string>& fields, std::size_t first) {
    return MakeColorref(static_cast<int>(CsvNumber(fields[first])),
                        static_cast<int>(CsvNumber(fields[first + 1])),
                        static_cast<int>(CsvNumber(fields[first + 2])));
}

int32_t CsvLongitude(const std::string& field) {
    return ParseCoordinateText(field, true);
}

int32_t CsvLatitude(const std::string& field) {
    return ParseCoordinateText(field, false);
}

long CsvVersionNumber(std::string_view version) {
    std::size_t dot = version.find('.');
    std::string major(version.substr(0, dot));
    std::string minor(dot == std::string_view::npos ? "" : version.substr(dot + 1));
    return std::atol(major.c_str()) * 10000 + std::atol(minor.c_str());
}

namespace writegeom {

Box MakeBox(double x1, double y1, double x2, double y2) {
    return Box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

bool BoxesMeet(const Box& a, const Box& b, double t) {
    return a.left <= b.right + t && a.right >= b.left - t && a.top <= b.bottom + t &&
           a.bottom >= b.top - t;
}

Box Scaled(const GeoBox& box, double sx, double sy) {
    return MakeBox(box.left * sx, box.bottom * sy, box.right * sx, box.top * sy);
}

}  // namespace writegeom

}  // namespace hfp
