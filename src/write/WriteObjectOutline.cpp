#include "write/WriteObjectOutline.h"

namespace hfp {

bool CWriteObjectOutline::SaveBinary(ByteWriter& out) const {
    WritePenFields(out);
    WriteShapeBinary(out, m_rcShape);
    return true;
}

bool CWriteObjectOutline::LoadBinary(ByteReader& in, std::string_view) {
    return ReadPenFields(in) && ReadShapeBinary(in, &m_rcShape);
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
    return ShapeHandleAt(m_rcShape, x, y, t);
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
    return ShapeHover(m_rcShape, x, y, t, FirstCornerText(), "Left drag=Move point",
                      "Left drag=Move write object");
}

void CWriteObjectOutline::UpdateBounds() {
    NormalizeShape(&m_rcShape);
    m_rcBounds = BoxOfShape(m_rcShape);
}

std::string CWriteObjectOutline::GetStatusText() const {
    return PenStatusText(KindName());
}

std::string CWriteObjectOutline::ToBuffer() const {
    return BoundsAndBody();
}

bool CWriteObjectOutline::FromBuffer(const void* data, std::size_t size) {
    return FromBoundsAndBody(data, size);
}

void CWriteObjectOutline::Offset(int32_t dx, int32_t dy) {
    MoveShape(&m_rcShape, kHandleBody, dx, dy);
    UpdateBounds();
}

std::string CWriteObjectOutline::ExportCsv() const {
    return std::string(KindName()) + "," + PenCsvFields() + "," + ShapeCsv(m_rcShape);
}

bool CWriteObjectOutline::ImportCsv(const std::vector<std::string>& fields, std::string_view) {
    if (fields.size() != 11) return false;
    ReadPenCsvFields(fields);
    m_rcShape = ShapeOfFields(fields, 7);
    UpdateBounds();
    return true;
}

}  // namespace hfp
