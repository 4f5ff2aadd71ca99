#pragma once

#include <QImage>
#include <QSizeF>
#include <string>

#include "write/LogFont.h"
#include "write/WriteObject.h"

namespace hfp {

// A text box: the text is laid out at the natural scale in the box's size and stretched onto
// the map with it, so it keeps its size relative to the map.
class CWriteObjectString : public CWriteObject {
  public:
    CWriteObjectString() : CWriteObject(kWriteString) {}

    bool SaveBinary(ByteWriter& out) const override;
    // Files of version "001" have no background; the string then gets none (white).
    bool LoadBinary(ByteReader& in, std::string_view version) override;

    // One drag makes the box; with Shift the box is fitted to the text.
    int BeginCreate(int flags, int32_t x, int32_t y) override;
    int EndCreate(int flags, int32_t x, int32_t y) override;
    int TrackCreate(int flags, int32_t x, int32_t y) override;

    int HitHandle(int flags, int32_t x, int32_t y, const WriteTransform& t) override;
    void MoveHandle(int handle, int flags, int32_t dx, int32_t dy) override;
    void DragHandle(int handle, int flags, int32_t dx, int32_t dy) override;
    WriteCursor GetHoverCursor(int flags, int32_t x, int32_t y, const WriteTransform& t) override;
    void Draw(CDivBitmap& target, const WriteTransform& t) const override;
    void UpdateBounds() override;
    bool HitTest(const GeoBox& query, double sx, double sy) const override;
    std::unique_ptr<CWriteObject> Clone() const override;
    std::string GetStatusText() const override;
    std::string ToBuffer() const override;
    bool FromBuffer(const void* data, std::size_t size) override;
    void Offset(int32_t dx, int32_t dy) override;
    std::string ExportCsv() const override;
    // 26 fields; 24 (without the background) in exchange files older than version 1.11.
    bool ImportCsv(const std::vector<std::string>& fields, std::string_view version) override;

    void NoteViewScale(double sx, double sy) override;

    // The size of the text in pixels with the object's font, unwrapped.
    QSizeF MeasureText() const;
    // The text laid out in a bitmap of w × h pixels: the string's picture at the natural scale.
    QImage RenderText(int width, int height) const;

    bool m_bCreating = false;
    double m_dLastScaleX = 0.2;  // the editing view's scale, see NoteViewScale
    double m_dLastScaleY = 0.2;
    WriteShape m_rcShape;
    LOGFONTA m_lf = DefaultLogFont();
    std::string m_strText;
    bool m_bBackground = false;
    COLORREF m_crBackground = 0xFFFFFF;

  private:
    // The box's second corner from the text's size, `margin` geo units around it.
    void FitAtCreation();
    void FitCorner(int corner);
};

}  // namespace hfp
