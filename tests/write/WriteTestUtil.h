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

    std::vector<std::string> texts;
};

// The map view at level 16 around the default centre, 800 × 600 pixels: about 0.129 pixels per
// geo unit across and 0.159 up.
inline WriteTransform ViewAtLevel16() {
    ViewTransform view;
    view.center = kDefaultCenter;
    view.level = 16;
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

// One object of every class near the default centre, `shift` geo units further east.
inline std::vector<std::unique_ptr<CWriteObject>> OneOfEach(int32_t shift = 0) {
    std::vector<std::unique_ptr<CWriteObject>> objects;
    auto line = std::make_unique<CWriteObjectLine>();
    line->m_aPoints = {
        {49943139 + shift, 12730626}, {49945000 + shift, 12731000}, {49946000 + shift, 12729000}};
    line->m_crColor = MakeColorref(200, 10, 10);
    line->m_nSize = 4;
    objects.push_back(std::move(line));
    auto rect = std::make_unique<CWriteObjectRectangle>();
    rect->m_rcShape = WriteShape{49940000 + shift, 12720000, 49941000 + shift, 12721000};
    rect->m_nStyle = 1;
    objects.push_back(std::move(rect));
    auto ellipse = std::make_unique<CWriteObjectEllipse>();
    ellipse->m_rcShape = WriteShape{49930000 + shift, 12710000, 49935000 + shift, 12712000};
    ellipse->m_nTransparency = 40;
    objects.push_back(std::move(ellipse));
    auto text = std::make_unique<CWriteObjectString>();
    text->m_rcShape = WriteShape{49950000 + shift, 12740000, 49952000 + shift, 12741000};
    text->m_strText = "山小屋, \"hut\"\r\nline two";
    text->m_bBackground = true;
    objects.push_back(std::move(text));
    auto picture = std::make_unique<CWriteObjectPicture>();
    picture->m_rcShape = WriteShape{49960000 + shift, 12750000, 49961000 + shift, 12751000};
    picture->m_strFile = "/home/ハイカー/写真/hut, 1.png";
    picture->m_bColorKey = true;
    picture->m_crColorKey = MakeColorref(255, 255, 255);
    objects.push_back(std::move(picture));
    for (auto& o : objects)
        o->UpdateBounds();
    return objects;
}

}  // namespace hfp::test
