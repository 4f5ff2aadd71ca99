#pragma once

#include <cstdint>
#include <string>

class QPainter;

namespace hfp {

// The scale notation: a white box with a bar of alternating black and grey segments, each
// one centimetre of paper at 1 : reduction, labelled with the ratio and the bar's length.

struct ScaleNotationLayout {
    double segment = 0;  // pixels per segment
    int segments = 1;
    int width = 0;  // of the box, pixels
    int height = 0;
    int64_t totalMetres = 0;  // ground length of the whole bar
};

// The layout for a box of about `width` × `height` pixels at 1 : `reduction` with
// `metresPerPixel` metres of ground per pixel. As many segments as fit in nine tenths of
// the width (at least one), the box then fitted to them.
ScaleNotationLayout LayoutScaleNotation(int width, int height, int32_t reduction,
                                        double metresPerPixel);

// "750m" below a kilometre, else kilometres without trailing zeros ("1km", "1.25km").
std::string ScaleNotationLengthText(int64_t metres);

// Draws the notation with its top-left corner at the painter's origin. `width` holds the
// wished width on entry and the box's width on return.
void DrawScaleNotation(QPainter& painter, int* width, int height, int32_t reduction,
                       double metresPerPixel);

// Where a box of boxWidth × boxHeight goes on an area of areaWidth × areaHeight for the
// layout's position: 1 top left, 2 top right, 3 bottom left, 4 bottom right. False for any
// other position (no notation).
bool ScaleNotationPosition(int position, int areaWidth, int areaHeight, int boxWidth, int boxHeight,
                           int* x, int* y);

}  // namespace hfp
