#pragma once

#include "write/WriteObjectOutline.h"

namespace hfp {

// A rectangle outline. Only its edges belong to it: a click in its middle does not hit it.
class CWriteObjectRectangle : public CWriteObjectOutline {
  public:
    CWriteObjectRectangle() : CWriteObjectOutline(kWriteRectangle) {}

    void Draw(CDivBitmap& target, const WriteTransform& t) const override;
    bool HitTest(const GeoBox& query, double sx, double sy) const override;
    std::unique_ptr<CWriteObject> Clone() const override;

  protected:
    const char* KindName() const override { return "Rectangle"; }
    const char* FirstCornerText() const override { return "Lfet drag=Move point"; }
    bool NormalizeWhileDragging() const override { return true; }
};

}  // namespace hfp
