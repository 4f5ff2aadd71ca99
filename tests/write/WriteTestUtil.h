#pragma once

#include <memory>
#include <string>
#include <vector>

#include "geo/Projection.h"
#include "write/WriteObject.h"
#include "write/WriteObjectEllipse.h"
#include "write/WriteObjectLine.h"
#include "write/WriteObjectPicture.h"
#include "write/WriteObjectRectangle.h"
#include "write/WriteObjectString.h"

namespace hfp::test {

// The status bar while a test runs: every text the objects show, in order.
class RecordingStatus : public WriteStatusSink {
  public:
    RecordingStatus() { SetWriteStatusSink(this); }
    ~RecordingStatus() override { SetWriteStatusSink(nullptr); }
    void SetStatusText(const std::string& text) override { texts.push_back(text); }
    std::string Last() const { return texts.empty() ? std::string() : texts.back(); }

    std::vector<std::string> texts;
};

// The map view at level 16 around the default centre, 800 × 600 pixels: about 0.129 pixels per
// geo unit across and 0.159 up.
inline WriteTransform ViewAtLevel16() {
    ViewTransform view;
    view.center = kDefaultCenter;
    view.level = 16;
    view.scale = 1.0;
    view.width = 800;
    view.height = 600;
    return WriteTransform::OfView(view);
}

// The geo point under a pixel of the transform.
inline WritePoint GeoAt(const WriteTransform& t, double px, double py) {
    return WritePoint{t.GeoX(px), t.GeoY(py)};
}

inline std::unique_ptr<CWriteObjectLine> LineThrough(const WriteTransform& t,
                                                     const std::vector<QPointF>& pixels) {
    auto line = std::make_unique<CWriteObjectLine>();
    for (const QPointF& p : pixels)
        line->m_aPoints.push_back(GeoAt(t, p.x(), p.y()));
    line->UpdateBounds();
    return line;
}

// A shape whose corners lie at the pixels (left, bottom) and (right, top) of the transform.
inline WriteShape ShapeAt(const WriteTransform& t, double left, double top, double right,
                          double bottom) {
    WritePoint a = GeoAt(t, left, bottom), b = GeoAt(t, right, top);
    return WriteShape{a.x, a.y, b.x, b.y};
}

}  // namespace hfp::test
