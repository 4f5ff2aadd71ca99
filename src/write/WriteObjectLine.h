#pragma once

#include <vector>

#include "write/WriteObject.h"

namespace hfp {

// A connected line: the polyline through its points in order.
class CWriteObjectLine : public CWriteObject {
  public:
    CWriteObjectLine() : CWriteObject(kWriteLine) {}

    bool SaveBinary(ByteWriter& out) const override;
    bool LoadBinary(ByteReader& in, std::string_view version) override;

    // Each click adds a point (or adopts the traced candidates); a double click finishes; a
    // right click takes back the candidates or the last point.
    int BeginCreate(int flags, int32_t x, int32_t y) override;
    int EndCreate(int flags, int32_t x, int32_t y) override;
    int TrackCreate(int flags, int32_t x, int32_t y) override;
    int FinishCreate(int flags, int32_t x, int32_t y) override;
    int UndoCreateStep(int flags, int32_t x, int32_t y) override;

    // Plain: a point to drag (5) or the body. Shift: delete a point (6). Ctrl: extend from an
    // end (7), drag a point (5) or insert a point on the nearest segment and drag it (8).
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
    // A line too long for one line of the file is carried by several connected lines, each
    // starting at the point where the one before it ends.
    bool ExportCsvLines(std::vector<std::string>* lines, std::string* reason) const override;

    // Follows a road or path on the displayed map from the last point towards m_ptRubber and
    // leaves the points found in m_aTrace, to be adopted or rejected.
    void TracePath(const CDivBitmap& map, const WriteTransform& t);

    std::vector<WritePoint> m_aPoints;
    std::vector<WritePoint> m_aTrace;  // traced candidates, shown but not yet adopted
    WritePoint m_ptRubber;             // the mouse while creating; x == 0: none
    int32_t m_nDragPoint = -1;

  private:
    // The segment test in pixels: `query` is the query box already scaled.
    static bool SegmentHit(const WritePoint& a, const WritePoint& b, const writegeom::Box& query,
                           double sx, double sy, double tolerance);
    int NearestPoint(int32_t x, int32_t y, const WriteTransform& t, bool fromLast) const;
};

}  // namespace hfp
