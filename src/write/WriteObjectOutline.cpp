#include "write/WriteObjectOutline.h"

#include <cstdio>

namespace hfp {

void CWriteObjectOutline::WriteBody(ByteWriter& out) const {
    out.UInt32(m_crColor);
    out.Int32(m_nSize);
    out.Int32(m_nStyle);
    out.Int32(m_nTransparency);
    WriteShapeBinary(out, m_rcShape);
}

bool CWriteObjectOutline::ReadBody(ByteReader& in) {
    return in.UInt32(&m_crColor) && in.Int32(&m_nSize) && in.Int32(&m_nStyle) &&
           in.Int32(&m_nTransparency) && ReadShapeBinary(in, &m_rcShape);
}

bool CWriteObjectOutline::SaveBinary(ByteWriter& out) const {
    WriteBody(out);
    return true;
}

bool CWriteObjectOutline::LoadBinary(ByteReader& in, std::string_view) {
    return ReadBody(in);
}

int CWriteObjectOutline::BeginCreate(int, int32_t x, int32_t y) {
    m_rcShape = WriteShape{x, y, x, y};
    UpdateBounds();
    ShowWriteStatus("End of left drag=End point Right click=Cancel");
    return 1;
}

int CWriteObjectOutline::TrackCreate(int, int32_t x, int32_t y) {
    m_rcShape.x2 = x;
    m_rcShape.y2 = y;
    return 1;
}

int CWriteObjectOutline::EndCreate(int, int32_t x, int32_t y) {
    if (x == m_rcShape.x1 && y == m_rcShape.y1) return -1;
    m_rcShape.x2 = x;
    m_rcShape.y2 = y;
    UpdateBounds();
    return 0;
}

int CWriteObjectOutline::HitHandle(int, int32_t x, int32_t y, const WriteTransform& t) {
    int corner = ShapeCornerAt(m_rcShape, x, y, t);
    if (corner != kHandleNone) return corner;
    return HitTest(GeoBox{x, y, x, y}, t.sx, t.sy) ? kHandleBody : kHandleNone;
}

void CWriteObjectOutline::DragHandle(int handle, int, int32_t dx, int32_t dy) {
    MoveShape(&m_rcShape, handle, dx, dy);
    if (NormalizeWhileDragging()) UpdateBounds();
}

void CWriteObjectOutline::MoveHandle(int handle, int flags, int32_t dx, int32_t dy) {
    DragHandle(handle, flags, dx, dy);
    UpdateBounds();
}

WriteCursor CWriteObjectOutline::GetHoverCursor(int, int32_t x, int32_t y,
                                                const WriteTransform& t) {
    int corner = ShapeCornerAt(m_rcShape, x, y, t);
    if (corner != kHandleNone) {
        ShowWriteStatus(corner == kHandleCorner1 ? FirstCornerText() : "Left drag=Move point");
        return CornerCursor(corner);
    }
    if (HitTest(GeoBox{x, y, x, y}, t.sx, t.sy)) {
        ShowWriteStatus("Left drag=Move write object");
        return WriteCursor::SizeAll;
    }
    return WriteCursor::None;
}

void CWriteObjectOutline::UpdateBounds() {
    NormalizeShape(&m_rcShape);
    m_rcBounds = BoxOfShape(m_rcShape);
}

std::string CWriteObjectOutline::GetStatusText() const {
    char text[256];
    std::snprintf(text, sizeof text, "%s Color:%03d,%03d,%03d Size:%d Style:%s Transparency:%d",
                  KindName(), RedOf(m_crColor), GreenOf(m_crColor), BlueOf(m_crColor), m_nSize,
                  StyleText().c_str(), m_nTransparency);
    return text;
}

std::string CWriteObjectOutline::ToBuffer() const {
    ByteWriter out;
    WriteBounds(out, m_rcBounds);
    WriteBody(out);
    return out.Take();
}

bool CWriteObjectOutline::FromBuffer(const void* data, std::size_t size) {
    ByteReader in(data, size);
    if (!ReadBounds(in, &m_rcBounds) || !ReadBody(in)) return false;
    UpdateBounds();
    return true;
}

void CWriteObjectOutline::Offset(int32_t dx, int32_t dy) {
    MoveShape(&m_rcShape, kHandleBody, dx, dy);
    UpdateBounds();
}

std::string CWriteObjectOutline::ExportCsv() const {
    return std::string(KindName()) + "," + ColorFields() + "," + std::to_string(m_nSize) + "," +
           std::to_string(m_nStyle) + "," + std::to_string(m_nTransparency) + "," +
           ShapeCsv(m_rcShape);
}

bool CWriteObjectOutline::ImportCsv(const std::vector<std::string>& fields, std::string_view) {
    if (fields.size() != 11) return false;
    m_crColor =
        MakeColorref(static_cast<int>(CsvNumber(fields[1])), static_cast<int>(CsvNumber(fields[2])),
                     static_cast<int>(CsvNumber(fields[3])));
    m_nSize = static_cast<int32_t>(CsvNumber(fields[4]));
    m_nStyle = static_cast<int32_t>(CsvNumber(fields[5]));
    m_nTransparency = static_cast<int32_t>(CsvNumber(fields[6]));
    m_rcShape = ShapeOfFields(fields, 7);
    UpdateBounds();
    return true;
}

}  // namespace hfp
