#pragma once

#include "write/WriteObject.h"

namespace hfp {

// What the rectangle and the ellipse share: a shape box drawn as an outline with the object's
// pen, made by one drag, reshaped by its corners. The two classes differ in how they are hit,
// drawn and named.
class CWriteObjectOutline : public CWriteObject {
  public:
    bool SaveBinary(ByteWriter& out) const override;
    bool LoadBinary(ByteReader& in, std::string_view version) override;

    int BeginCreate(int flags, int32_t x, int32_t y) override;
    int EndCreate(int flags, int32_t x, int32_t y) override;
    int TrackCreate(int flags, int32_t x, int32_t y) override;

    int HitHandle(int flags, int32_t x, int32_t y, const WriteTransform& t) override;
    void MoveHandle(int handle, int flags, int32_t dx, int32_t dy) override;
    void DragHandle(int handle, int flags, int32_t dx, int32_t dy) override;
    WriteCursor GetHoverCursor(int flags, int32_t x, int32_t y, const WriteTransform& t) override;
    void UpdateBounds() override;
    std::string GetStatusText() const override;
    std::string ToBuffer() const override;
    bool FromBuffer(const void* data, std::size_t size) override;
    void Offset(int32_t dx, int32_t dy) override;
    std::string ExportCsv() const override;
    bool ImportCsv(const std::vector<std::string>& fields, std::string_view version) override;

    WriteShape m_rcShape;

  protected:
    explicit CWriteObjectOutline(int32_t type) : CWriteObject(type) {}

    // "Rectangle" or "Ellipse": the status text and the exchange file's record name.
    virtual const char* KindName() const = 0;
    // The hover text of corner 1 (the rectangle's carries a misspelling of its own).
    virtual const char* FirstCornerText() const { return "Left drag=Move point"; }
    // Whether the shape is kept normalised at every step of a drag.
    virtual bool NormalizeWhileDragging() const = 0;
};

}  // namespace hfp
