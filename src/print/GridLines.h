#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "geo/Projection.h"
#include "print/OutputSetting.h"

namespace hfp {

class CDivBitmap;

// Where an output area lies and how large it is drawn: its centre and size in geo units, the
// pixels per geo unit at zoom 17 (horizontally at the centre longitude, vertically at the
// centre latitude) and the output pixels per zoom-17 pixel. The area's left edge is
// centre − width / 2 and its bottom edge centre − height / 2 (integer halves); output y grows
// downward from the top edge.
struct PageGeometry {
    int32_t centreLongitude = 0;
    int32_t centreLatitude = 0;
    int32_t widthGeo = 0;
    int32_t heightGeo = 0;
    double pxPerGeoX = 0;
    double pxPerGeoY = 0;
    double ratio = 1;

    int32_t Left() const { return centreLongitude - widthGeo / 2; }
    int32_t Bottom() const { return centreLatitude - heightGeo / 2; }
    int32_t Right() const { return Left() + widthGeo; }
    int32_t Top() const { return Bottom() + heightGeo; }
    // The output size in pixels.
    int Width() const;
    int Height() const;

    // A composed output of width × height pixels around a centre whose ground width is
    // widthGeo geo units (the composer's area width, or its width at a level and scale).
    static PageGeometry OfOutput(int32_t centreLongitude, int32_t centreLatitude, int width,
                                 int height, int32_t widthGeo);
    // The map view's client area.
    static PageGeometry OfView(const ViewTransform& view);
};

// The label of a longitude or latitude line: degrees, minutes and seconds on one line
// (arrangedDirection 1) or stacked on three.
QString DmsLabelText(int64_t v, int arrangedDirection);
// The label of the k-th distance line with numberOfDigits digits ("004").
QString DistanceLabelText(int k, int numberOfDigits);

// How the grid lines are drawn: on paper and in files (fontFactor 1, the scale notation, the
// declination from where the layout says) or on the screen (smaller labels, no scale
// notation, never the network while the view repaints).
struct GridLineOptions {
    double fontFactor = 1.0;
    bool outputFlag = true;
    bool noServer = false;
};

// Draws the grid-line families of `layout` into `target` in their fixed order: longitude,
// latitude, magnetic north lines with the declination text, vertical and horizontal distance
// lines (each family its sublines first, then its main lines and labels), then the scale
// notation when options.outputFlag. Lines are batched per pen and drawn block by block, so
// targets far larger than one image are decorated in one pass.
//
// Returns false when the declination could not be had (`error` says why): the magnetic north
// lines then point to true north and the caller says "Magnetic declination getting error.".
bool RenderGridLines(CDivBitmap& target, const PageGeometry& page, const OutputSetting& layout,
                     const GridLineOptions& options, std::string* error = nullptr);

}  // namespace hfp
