#pragma once

#include <QImage>
#include <optional>
#include <string>

#include "write/WriteObject.h"

namespace hfp {

// A picture file drawn stretched into a box, with opacity and an optional transparent colour.
// The pixels come from the picture cache CStockBitmap.
class CWriteObjectPicture : public CWriteObject {
  public:
    CWriteObjectPicture() : CWriteObject(kWritePicture) {}

    bool SaveBinary(ByteWriter& out) const override;
    bool LoadBinary(ByteReader& in, std::string_view version) override;

    // One drag makes the box; Shift keeps the picture's aspect ratio, Ctrl stamps the size of
    // m_rcStamp centred on the mouse.
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
    bool ImportCsv(const std::vector<std::string>& fields, std::string_view version) override;
    void NoteViewScale(double sx, double sy) override;

    bool m_bCreating = false;
    int32_t m_nImageWidth = -1;  // pixel size of the picture; -1 until an edit needs it
    int32_t m_nImageHeight = -1;
    WriteShape m_rcWork;         // the box a corner drag moves, before the aspect ratio is kept
    double m_dLastScaleX = 0.2;  // the editing view's scale, see NoteViewScale
    double m_dLastScaleY = 0.2;
    WriteShape m_rcShape;
    std::string m_strFile;
    bool m_bColorKey = false;
    COLORREF m_crColorKey = 0;
    WriteShape m_rcStamp{-1, 0, 0, 0};  // size model for stamping; x1 == -1: none

    // The memory form's size is the layout plus 26 unused zero bytes, 76 + L in all.
    static constexpr std::size_t kBufferPadding = 26;

  private:
    QImage Image() const;
    // The picture's pixel size from the picture cache, once.
    void LearnImageSize();
    bool ImageKnown() const;
    void KeepAspectWhileDragging(int handle);
    bool HasStamp() const { return m_rcStamp.x1 != -1; }
    void KeepAspectAtCreation();
    void Stamp(int32_t x, int32_t y);
    // Creation's second corner, then the aspect-ratio or stamp rule.
    void SetSecondCorner(int flags, int32_t x, int32_t y);

    // The box the last step of a corner drag left; none between drags.
    std::optional<WriteShape> m_dragged;
};

}  // namespace hfp
