#include "write/WriteObjectString.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "compose/DivBitmap.h"
#include "write/CsvFields.h"
#include "write/LegacyText.h"

namespace hfp {

namespace {

constexpr double kNaturalScale = 0.2;
// The text bitmap of a huge box is drawn at a lower resolution instead of this size.
constexpr double kMaxTextPixels = 16.0 * 1024 * 1024;
constexpr double kMaxTextSide = 16384;

// The text as Qt lays it out: every kind of line break a line separator.
QString DisplayText(const std::string& text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

std::string Rgb(COLORREF c) {
    char text[32];
    std::snprintf(text, sizeof text, "%03d,%03d,%03d", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
}

}  // namespace

bool CWriteObjectString::SaveBinary(ByteWriter& out) const {
    out.UInt32(m_crColor);
    out.Int32(m_nTransparency);
    WriteShapeBinary(out, m_rcShape);
    WriteLogFont(out, m_lf);
    out.Int32(static_cast<int32_t>(m_strText.size()));
    out.Text(m_strText);
    out.Byte(m_bBackground ? 1 : 0);
    out.UInt32(m_crBackground);
    return true;
}

bool CWriteObjectString::LoadBinary(ByteReader& in, std::string_view version) {
    int32_t length = 0;
    if (!in.UInt32(&m_crColor) || !in.Int32(&m_nTransparency) || !ReadShapeBinary(in, &m_rcShape) ||
        !ReadLogFont(in, &m_lf) || !in.Int32(&length) || !in.Text(length, &m_strText))
        return false;
    m_strText = TextOfFile(m_strText);
    if (version == "001") {
        m_bBackground = false;
        m_crBackground = 0xFFFFFF;
        return true;
    }
    return in.Flag(&m_bBackground) && in.UInt32(&m_crBackground);
}

QSizeF CWriteObjectString::MeasureText() const {
    QFontMetricsF metrics(FontOfLogFont(m_lf));
    return metrics
        .boundingRect(QRectF(0, 0, 10000, 10000), Qt::AlignLeft | Qt::AlignTop,
                      DisplayText(m_strText))
        .size();
}

void CWriteObjectString::FitAtCreation() {
    const QSizeF size = MeasureText();
    const double ratio = m_dLastScaleX != 0 ? m_dLastScaleY / m_dLastScaleX : 1.0;
    m_rcShape.x2 = TruncToInt(m_rcShape.x1 + std::trunc(size.width() / kNaturalScale + 10));
    m_rcShape.y2 = TruncToInt(m_rcShape.y1 - (10 + size.height() / (kNaturalScale * ratio)));
}

void CWriteObjectString::FitCorner(int corner) {
    const QSizeF size = MeasureText();
    const double ratio = m_dLastScaleX != 0 ? m_dLastScaleY / m_dLastScaleX : 1.0;
    const double w = size.width() / kNaturalScale + 5;
    const double h = 5 + size.height() / (kNaturalScale * ratio);
    const bool west = corner == kHandleCorner1 || corner == kHandleCorner3;
    const bool south = corner == kHandleCorner1 || corner == kHandleCorner2;
    // The corner opposite the dragged one stays where it is.
    if (west)
        m_rcShape.x1 = TruncToInt(m_rcShape.x2 - w);
    else
        m_rcShape.x2 = TruncToInt(m_rcShape.x1 + w);
    if (south)
        m_rcShape.y1 = TruncToInt(m_rcShape.y2 - h);
    else
        m_rcShape.y2 = TruncToInt(m_rcShape.y1 + h);
}

int CWriteObjectString::BeginCreate(int, int32_t x, int32_t y) {
    m_rcShape = WriteShape{x, y, x, y};
    UpdateBounds();
    m_bCreating = true;
    ShowWriteStatus("End of left drag=End point(Shift=Fit) Right cllick=Cancel");
    return 1;
}

int CWriteObjectString::TrackCreate(int flags, int32_t x, int32_t y) {
    if (flags & kMouseShift) {
        FitAtCreation();
    } else {
        m_rcShape.x2 = x;
        m_rcShape.y2 = y;
    }
    return 1;
}

int CWriteObjectString::EndCreate(int flags, int32_t x, int32_t y) {
    m_bCreating = false;
    if (x == m_rcShape.x1 && y == m_rcShape.y1) return -1;
    TrackCreate(flags, x, y);
    UpdateBounds();
    return 0;
}

void CWriteObjectString::NoteViewScale(double sx, double sy) {
    m_dLastScaleX = sx;
    m_dLastScaleY = sy;
}

int CWriteObjectString::HitHandle(int, int32_t x, int32_t y, const WriteTransform& t) {
    NoteViewScale(t.sx, t.sy);
    return ShapeHandleAt(m_rcShape, x, y, t);
}

void CWriteObjectString::DragHandle(int handle, int flags, int32_t dx, int32_t dy) {
    if ((flags & kMouseShift) && handle >= kHandleCorner1 && handle <= kHandleCorner4)
        FitCorner(handle);
    else
        MoveShape(&m_rcShape, handle, dx, dy);
}

void CWriteObjectString::MoveHandle(int handle, int flags, int32_t dx, int32_t dy) {
    DragHandle(handle, flags, dx, dy);
    UpdateBounds();
}

WriteCursor CWriteObjectString::GetHoverCursor(int, int32_t x, int32_t y, const WriteTransform& t) {
    int corner = ShapeCornerAt(m_rcShape, x, y, t);
    if (corner != kHandleNone) {
        ShowWriteStatus("Left drag=Move point(Shift=Fit)");
        return CornerCursor(corner);
    }
    if (HitTest(GeoBox{x, y, x, y}, t.sx, t.sy)) {
        ShowWriteStatus("Left drag=Move object");
        return WriteCursor::SizeAll;
    }
    return WriteCursor::None;
}

QImage CWriteObjectString::RenderText(int width, int height) const {
    if (width <= 0 || height <= 0) return QImage();
    double factor = 1.0;
    const double pixels = static_cast<double>(width) * height;
    if (pixels > kMaxTextPixels) factor = std::sqrt(kMaxTextPixels / pixels);
    factor = std::min({factor, kMaxTextSide / width, kMaxTextSide / height});
    QImage image(std::max(1, static_cast<int>(std::ceil(width * factor))),
                 std::max(1, static_cast<int>(std::ceil(height * factor))),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(m_bBackground ? ToQColor(m_crBackground) : QColor(Qt::transparent));

    QString text = DisplayText(m_strText);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, FontOfLogFont(m_lf));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    // Only whole lines are shown: a line that would cross the bottom ends the text.
    int shown = 0;
    qreal y = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        if (y + line.height() > height) break;
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++shown;
    }
    layout.endLayout();

    QPainter painter(&image);
    painter.scale(factor, factor);
    painter.setPen(ToQColor(m_crColor));
    for (int i = 0; i < shown; ++i)
        layout.lineAt(i).draw(&painter, QPointF(0, 0));
    return image;
}

void CWriteObjectString::Draw(CDivBitmap& target, const WriteTransform& t) const {
    QRectF screen;
    if (!ShapeOnScreen(m_rcShape, t, target, &screen)) return;
    const int width =
        TruncToInt(std::abs(static_cast<double>(m_rcShape.x2) - m_rcShape.x1) * kNaturalScale);
    const int height = TruncToInt(std::abs(static_cast<double>(m_rcShape.y2) - m_rcShape.y1) *
                                  kNaturalScale * t.sy / t.sx);
    QImage image = RenderText(width, height);
    if (!image.isNull()) target.DrawImage(screen, image, Opacity() / 100.0);
    DrawShapeSelection(target, screen, m_bCreating);
}

void CWriteObjectString::UpdateBounds() {
    NormalizeShape(&m_rcShape);
    m_rcBounds = BoxOfShape(m_rcShape);
}

bool CWriteObjectString::HitTest(const GeoBox& query, double sx, double sy) const {
    return ShapeBoxHit(m_rcShape, query, sx, sy, 0);
}

std::unique_ptr<CWriteObject> CWriteObjectString::Clone() const {
    return CloneAs(*this);
}

std::string CWriteObjectString::GetStatusText() const {
    std::string text = "String Color:" + Rgb(m_crColor) +
                       " Transparency:" + std::to_string(m_nTransparency) +
                       " Character:" + m_strText + " Font:" + TextOfFile(FaceNameOf(m_lf));
    if (m_bBackground) text += " Background color:" + Rgb(m_crBackground);
    return text;
}

std::string CWriteObjectString::ToBuffer() const {
    ByteWriter out;
    WriteBounds(out, m_rcBounds);
    out.UInt32(m_crColor);
    out.Int32(m_nTransparency);
    WriteShapeBinary(out, m_rcShape);
    out.Int32(static_cast<int32_t>(m_strText.size() + 1));
    out.Text(m_strText);
    out.Byte(0);
    WriteLogFont(out, m_lf);
    out.Byte(m_bBackground ? 1 : 0);
    out.UInt32(m_crBackground);
    return out.Take();
}

bool CWriteObjectString::FromBuffer(const void* data, std::size_t size) {
    ByteReader in(data, size);
    int32_t length = 0;
    std::string text;
    if (!ReadBounds(in, &m_rcBounds) || !in.UInt32(&m_crColor) || !in.Int32(&m_nTransparency) ||
        !ReadShapeBinary(in, &m_rcShape) || !in.Int32(&length) || !in.Text(length, &text) ||
        !ReadLogFont(in, &m_lf) || !in.Flag(&m_bBackground) || !in.UInt32(&m_crBackground))
        return false;
    // The text ends at its terminator, which a damaged block may lack.
    m_strText = text.substr(0, text.find('\0'));
    UpdateBounds();
    return true;
}

void CWriteObjectString::Offset(int32_t dx, int32_t dy) {
    MoveShape(&m_rcShape, kHandleBody, dx, dy);
    UpdateBounds();
}

std::string CWriteObjectString::ExportCsv() const {
    const LOGFONTA& f = m_lf;
    std::string line = "String," + ColorFields() + "," + std::to_string(m_nTransparency) + "," +
                       ShapeCsv(m_rcShape) + ",\"" + EscapeCsvText(m_strText) + "\"";
    for (int32_t v : {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight})
        line += "," + std::to_string(v);
    for (uint8_t v : {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                      f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily})
        line += "," + std::to_string(v);
    line += ",\"" + EscapeCsvText(FaceNameOf(f)) + "\"," + std::to_string(m_bBackground ? 1 : 0) +
            "," + std::to_string(static_cast<int32_t>(m_crBackground));
    return line;
}

bool CWriteObjectString::ImportCsv(const std::vector<std::string>& fields,
                                   std::string_view version) {
    const bool withBackground = CsvVersionNumber(version) >= 10011;
    if (fields.size() != (withBackground ? 26u : 24u)) return false;
    m_crColor = CsvColor(fields, 1);
    m_nTransparency = static_cast<int32_t>(CsvNumber(fields[4]));
    m_rcShape = ShapeOfFields(fields, 5);
    m_strText = TextOfFile(fields[9]);
    LOGFONTA f;
    int32_t* longs[5] = {&f.lfHeight, &f.lfWidth, &f.lfEscapement, &f.lfOrientation, &f.lfWeight};
    for (int i = 0; i < 5; ++i)
        *longs[i] = static_cast<int32_t>(CsvNumber(fields[10 + static_cast<std::size_t>(i)]));
    uint8_t* bytes[8] = {&f.lfItalic,  &f.lfUnderline,     &f.lfStrikeOut,
                         &f.lfCharSet, &f.lfOutPrecision,  &f.lfClipPrecision,
                         &f.lfQuality, &f.lfPitchAndFamily};
    for (int i = 0; i < 8; ++i)
        *bytes[i] = static_cast<uint8_t>(CsvNumber(fields[15 + static_cast<std::size_t>(i)]));
    SetFaceName(&f, fields[23]);
    m_lf = f;
    if (withBackground) {
        m_bBackground = CsvNumber(fields[24]) != 0;
        m_crBackground = static_cast<COLORREF>(CsvNumber(fields[25]));
    } else {
        m_bBackground = false;
        m_crBackground = 0xFFFFFF;
    }
    UpdateBounds();
    return true;
}

}  // namespace hfp
