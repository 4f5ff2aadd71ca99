#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Color.h"

namespace hfp {

// The output settings: ten layouts that decide how a map sheet looks when it is printed,
// written to an image file or shown on the screen. The settings store (settings/SetData.h)
// keeps them; the defaults below are those of a fresh installation.

constexpr int kOutputSettingCount = 10;
constexpr int kColorChangeCount = 30;
constexpr int kSublineCount = 5;

// One colour replacement of a composed map: the map colour beforeColor is drawn as afterColor.
// The name only labels the entry for the user; an unused entry carries 0 and 0.
struct ColorChange {
    std::string name;
    COLORREF beforeColor = 0;
    COLORREF afterColor = 0;
};

// The length of a subline that runs across the whole sheet ("Full").
constexpr int32_t kSublineFullLength = -1;

// A subline divides each interval of its line family into `division` equal steps. A length of
// kSublineFullLength draws it across the whole sheet as an additional line; a positive length
// draws a scale-line tick of that many output pixels on each side of every main line of the
// crossing family.
struct SublineSetting {
    bool enabled = false;
    int32_t division = 10;
    int32_t length = kSublineFullLength;
    int32_t style = 0;  // dash style 0 solid .. 4 dash dot dot
    int32_t size = 1;   // pen width in output pixels
    COLORREF color = 0;
    int32_t alphablend = 100;  // opacity percent
};

// One family of grid lines. The five families of a layout share this shape; each family uses
// only some of the fields (see OutputSetting), the others keep these defaults.
struct GridLineSetting {
    bool enabled = false;
    int32_t size = 1;   // pen width in output pixels
    int32_t style = 0;  // dash style 0 solid .. 4 dash dot dot
    COLORREF color = 0;
    int32_t alphablend = 100;  // opacity percent
    // Arc-seconds for longitude and latitude lines; for the other families in intervalUnit.
    int32_t interval = 1;
    // 0 km, 1 m; 2 arc-seconds of longitude (magnetic north lines only).
    int32_t intervalUnit = 0;
    // Label height in output pixels, before the renderer's font factor.
    int32_t fontSize = 40;
    // Magnetic north lines: where the declination comes from, 0 the server (2010), 1 the
    // approximation formula (2010), 2 the approximation formula (2000).
    int32_t calc = 0;
    // Longitude and latitude labels: 0 degrees, minutes and seconds stacked, 1 on one line.
    int32_t arrangedDirection = 0;
    // Which ends of each line carry a label: the top (vertical lines) or left (horizontal
    // lines) end, and the bottom or right end. Both may be set; neither means no labels.
    bool digitPositionFirst = true;
    bool digitPositionSecond = false;
    // Distance lines: how many digits of the distance label are printed, 1 to 4.
    int32_t numberOfDigits = 2;
    std::array<SublineSetting, kSublineCount> sublines{};
};

// The defaults of a family that differ from the shared ones: its colour and interval.
constexpr GridLineSetting GridLineFamily(COLORREF color, int32_t interval) {
    GridLineSetting family;
    family.color = color;
    family.interval = interval;
    return family;
}

// One output layout.
struct OutputSetting {
    std::string name;
    int32_t reduction = 25000;  // the map is output at 1 : reduction
    int32_t numberVertical = 1;
    int32_t numberHorizontal = 1;
    int32_t repetition = 0;  // overlap of neighbouring sheets in millimetres
    int32_t mapType = 0;     // tile map family to compose
    bool outputMarker = false;
    int32_t mapLevel = 17;  // tile zoom level of the composed map
    std::array<ColorChange, kColorChangeCount> colorChanges{};
    // Where the scale notation goes: 0 none, 1 top left, 2 top right, 3 bottom left,
    // 4 bottom right.
    int32_t scale = 0;
    GridLineSetting magneticNorth = GridLineFamily(MakeColorref(255, 0, 0), 1);
    GridLineSetting longitude = GridLineFamily(MakeColorref(0, 0, 255), 60);
    GridLineSetting latitude = GridLineFamily(MakeColorref(0, 0, 255), 60);
    GridLineSetting verticalDistance = GridLineFamily(MakeColorref(0, 0, 0), 1);
    GridLineSetting horizontalDistance = GridLineFamily(MakeColorref(0, 0, 0), 1);
};

}  // namespace hfp
