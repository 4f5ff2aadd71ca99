#pragma once

#include "write/WriteObjectOutline.h"

namespace hfp {

// The outline of the ellipse inscribed in the shape box; hit near its outline.
class CWriteObjectEllipse : public CWriteObjectOutline {
  public:
    CWriteObjectEllipse() : CWriteObjectOutline(kWriteEllipse) {}

    void Draw(CDivBitmap& target, const WriteTransform& t) const override;
    bool HitTest(const GeoBox& query, double sx, double sy) const override;
    std::unique_ptr<CWriteObject> Clone() const override;

  protected:
    const char* KindName() const override { return "Ellipse"; }
    // The grabbed corner keeps its identity while it is dragged across the opposite one.
    bool NormalizeWhileDragging() const override { return false; }
};

}  // namespace hfp
