#include "write/WriteObjectPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "compose/DivBitmap.h"
#include "write/StockBitmap.h"

namespace hfp {

bool CWriteObjectPicture::SaveBinary(ByteWriter& out) const {
    out.Int32(m_nTransparency);
    WriteShapeBinary(out, m_rcShape);
    out.Int32(static_cast<int32_t>(m_strFile.size()));
    out.Text(m_strFile);
    out.Byte(m_bColorKey ? 1 : 0);
    out.UInt32(m_crColorKey);
    return true;
}

bool CWriteObjectPicture::LoadBinary(ByteReader& in, std::string_view) {
    int32_t length = 0;
    if (!in.Int32(&m_nTransparency) || !ReadShapeBinary(in, &m_rcShape) || !in.Int32(&length) ||
        !in.Text(length, &m_strFile) || !in.Flag(&m_bColorKey) || !in.UInt32(&m_crColorKey))
        return false;
    m_rcStamp = m_rcShape;
    return true;
}

bool CWriteObjectPicture::ImageKnown() const {
    return m_nImageWidth > 0 && m_nImageHeight > 0 && m_dLastScaleX != 0 && m_dLastScaleY != 0;
}

void CWriteObjectPicture::KeepAspectAtCreation() {
    WriteShape& s = m_rcShape;
    const double w = static_cast<double>(s.x2) - s.x1, h = static_cast<double>(s.y2) - s.y1;
    const double mx = w * m_dLastScaleX / m_nImageWidth;
    const double my = h * m_dLastScaleY / m_nImageHeight;
    if (std::abs(my) >= std::abs(mx)) {
        const double width = m_nImageWidth * std::abs(my) / m_dLastScaleX;
        s.x2 = TruncToInt(s.x1 + (w < 0 ? -width : width));
    } else {
        const double height = m_nImageHeight * std::abs(mx) / m_dLastScaleY;
        s.y2 = TruncToInt(s.y1 + (h < 0 ? -height : height));
    }
}

void CWriteObjectPicture::Stamp(int32_t x, int32_t y) {
    const int64_t sw = static_cast<int64_t>(m_rcStamp.x2) - m_rcStamp.x1;
    const int64_t sh = static_cast<int64_t>(m_rcStamp.y2) - m_rcStamp.y1;
    auto clamp = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    m_rcShape.x1 = clamp(x - sw / 2);
    m_rcShape.x2 = clamp(m_rcShape.x1 + sw);
    m_rcShape.y1 = clamp(y + sh / 2);
    m_rcShape.y2 = clamp(m_rcShape.y1 - sh);
    UpdateBounds();
}

void CWriteObjectPicture::SetSecondCorner(int flags, int32_t x, int32_t y) {
    m_rcShape.x2 = x;
    m_rcShape.y2 = y;
    if (flags & kMouseShift) LearnImageSize();
    if ((flags & kMouseShift) && ImageKnown())
        KeepAspectAtCreation();
    else if ((flags & kMouseCtrl) && HasStamp())
        Stamp(x, y);
}

int CWriteObjectPicture::BeginCreate(int, int32_t x, int32_t y) {
    m_rcShape = WriteShape{x, y, x, y};
    UpdateBounds();
    m_bCreating = true;
    ShowWriteStatus(HasStamp() ? "End of left drag=End point(Shift=Picture aspect ratio "
                                 "Ctrl=Stamp) Right click=Cancel"
                               : "End of left drag=End point(Shift=Picture aspect ratio) Right "
                                 "click=Cancel");
    return 1;
}

int CWriteObjectPicture::TrackCreate(int flags, int32_t x, int32_t y) {
    SetSecondCorner(flags, x, y);
    return 1;
}

int CWriteObjectPicture::EndCreate(int flags, int32_t x, int32_t y) {
    m_bCreating = false;
    if (x == m_rcShape.x1 && y == m_rcShape.y1) return -1;
    SetSecondCorner(flags, x, y);
    UpdateBounds();
    return 0;
}

int CWriteObjectPicture::HitHandle(int, int32_t x, int32_t y, const WriteTransform& t) {
    NoteViewScale(t.sx, t.sy);
    LearnImageSize();
    m_rcWork = m_rcShape;
    m_dragged.reset();
    return ShapeHandleAt(m_rcShape, x, y, t);
}

void CWriteObjectPicture::DragHandle(int handle, int flags, int32_t dx, int32_t dy) {
    if (handle < kHandleCorner1 || handle > kHandleCorner4) {
        MoveShape(&m_rcShape, handle, dx, dy);
        return;
    }
    // Every selected picture is dragged by the corner that one of them was grabbed by, so the
    // work box starts from the picture's own box whenever something other than this drag
    // last changed it.
    if (m_dragged != m_rcShape) m_rcWork = m_rcShape;
    MoveShape(&m_rcWork, handle, dx, dy);
    m_rcShape = m_rcWork;
    if ((flags & kMouseShift) && ImageKnown()) KeepAspectWhileDragging(handle);
    m_dragged = m_rcShape;
}

void CWriteObjectPicture::KeepAspectWhileDragging(int handle) {
    // Keep the aspect ratio: the axis that magnifies more (with sign) sets the other one.
    const WriteShape& w = m_rcWork;
    const double mx = (static_cast<double>(w.x2) - w.x1) * m_dLastScaleX / m_nImageWidth;
    const double my = (static_cast<double>(w.y2) - w.y1) * m_dLastScaleY / m_nImageHeight;
    const bool west = handle == kHandleCorner1 || handle == kHandleCorner3;
    const bool south = handle == kHandleCorner1 || handle == kHandleCorner2;
    if (my >= mx) {
        const double width = m_nImageWidth * my / m_dLastScaleX;
        if (west)
            m_rcShape.x1 = TruncToInt(m_rcShape.x2 - width);
        else
            m_rcShape.x2 = TruncToInt(m_rcShape.x1 + width);
    } else {
        const double height = m_nImageHeight * mx / m_dLastScaleY;
        if (south)
            m_rcShape.y1 = TruncToInt(m_rcShape.y2 - height);
        else
            m_rcShape.y2 = TruncToInt(m_rcShape.y1 + height);
    }
}

void CWriteObjectPicture::MoveHandle(int handle, int flags, int32_t dx, int32_t dy) {
    DragHandle(handle, flags, dx, dy);
    m_dragged.reset();
    UpdateBounds();
}

WriteCursor CWriteObjectPicture::GetHoverCursor(int, int32_t x, int32_t y,
                                                const WriteTransform& t) {
    const char* corner = "Left drag=Move point(Shift=Picture aspect ratio)";
    return ShapeHover(m_rcShape, x, y, t, corner, corner, "Left drag=Move write object");
}

void CWriteObjectPicture::Draw(CDivBitmap& target, const WriteTransform& t) const {
    QRectF screen;
    if (!ShapeOnScreen(m_rcShape, t, target, &screen)) return;
    const QImage image = Image();
    if (image.isNull()) return;
    target.DrawImage(screen.adjusted(0, 0, 1, 1), image, Opacity() / 100.0);
    DrawShapeSelection(target, screen, m_bCreating);
}

QImage CWriteObjectPicture::Image() const {
    CStockBitmap& cache = CStockBitmap::Instance();
    return m_bColorKey ? cache.GetWithColorKey(m_strFile, m_crColorKey) : cache.Get(m_strFile);
}

void CWriteObjectPicture::NoteViewScale(double sx, double sy) {
    m_dLastScaleX = sx;
    m_dLastScaleY = sy;
}

void CWriteObjectPicture::LearnImageSize() {
    if (m_nImageWidth > 0) return;
    const QImage image = Image();
    if (image.isNull()) return;
    m_nImageWidth = image.width();
    m_nImageHeight = image.height();
}

void CWriteObjectPicture::UpdateBounds() {
    NormalizeShape(&m_rcShape);
    m_rcBounds = BoxOfShape(m_rcShape);
}

bool CWriteObjectPicture::HitTest(const GeoBox& query, double sx, double sy) const {
    return ShapeBoxHit(m_rcShape, query, sx, sy, 0);
}

std::unique_ptr<CWriteObject> CWriteObjectPicture::Clone() const {
    auto copy = CloneAs(*this);
    if (copy) {
        auto& picture = static_cast<CWriteObjectPicture&>(*copy);
        picture.m_rcStamp = m_rcShape;
        picture.m_dragged.reset();
    }
    return copy;
}

std::string CWriteObjectPicture::GetStatusText() const {
    std::string text = "Picture File name:" + m_strFile;
    if (m_bColorKey) {
        char key[48];
        std::snprintf(key, sizeof key, " Transparency:%03d,%03d,%03d", RedOf(m_crColorKey),
                      GreenOf(m_crColorKey), BlueOf(m_crColorKey));
        text += key;
    }
    return text;
}

std::string CWriteObjectPicture::ToBuffer() const {
    ByteWriter out;
    WriteBounds(out, m_rcBounds);
    out.UInt32(m_crColor);
    out.Int32(m_nTransparency);
    WriteShapeBinary(out, m_rcShape);
    out.Int32(static_cast<int32_t>(m_strFile.size() + 1));
    out.Text(m_strFile);
    out.Byte(0);
    out.Byte(m_bColorKey ? 1 : 0);
    out.UInt32(m_crColorKey);
    out.Zeros(kBufferPadding);
    return out.Take();
}

bool CWriteObjectPicture::FromBuffer(const void* data, std::size_t size) {
    ByteReader in(data, size);
    int32_t length = 0;
    std::string name;
    if (!ReadBounds(in, &m_rcBounds) || !in.UInt32(&m_crColor) || !in.Int32(&m_nTransparency) ||
        !ReadShapeBinary(in, &m_rcShape) || !in.Int32(&length) || !in.Text(length, &name) ||
        !in.Flag(&m_bColorKey) || !in.UInt32(&m_crColorKey))
        return false;
    m_strFile = name.substr(0, name.find('\0'));
    UpdateBounds();
    m_rcStamp = m_rcShape;
    return true;
}

void CWriteObjectPicture::Offset(int32_t dx, int32_t dy) {
    MoveShape(&m_rcShape, kHandleBody, dx, dy);
    UpdateBounds();
}

std::string CWriteObjectPicture::ExportCsv() const {
    return "Picture," + std::to_string(m_nTransparency) + "," + ShapeCsv(m_rcShape) + ",\"" +
           m_strFile + "\"," + std::to_string(m_bColorKey ? 1 : 0) + "," +
           std::to_string(static_cast<int32_t>(m_crColorKey));
}

bool CWriteObjectPicture::ImportCsv(const std::vector<std::string>& fields, std::string_view) {
    if (fields.size() != 9) return false;
    m_nTransparency = static_cast<int32_t>(CsvNumber(fields[1]));
    m_rcShape = ShapeOfFields(fields, 2);
    m_strFile = fields[6];
    m_bColorKey = CsvNumber(fields[7]) != 0;
    m_crColorKey = static_cast<COLORREF>(CsvNumber(fields[8]));
    UpdateBounds();
    return true;
}

}  // namespace hfp
