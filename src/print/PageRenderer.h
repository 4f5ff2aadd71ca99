#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "print/GridLines.h"

namespace hfp {

class CDivBitmap;
class CWrite;

// The logo drawn in the bottom-right corner of every printed or filed sheet: printlogo.png
// beside the program, else in the installation's data folder. Empty when neither exists.
std::filesystem::path FindPrintLogo();

// What lies on top of a composed map when it is printed or written to a file.
struct PageContent {
    std::filesystem::path logo;     // empty or unreadable: no logo
    const CWrite* write = nullptr;  // the overlay; its visible sets are drawn
    // Draws the spot markers inside the area (called only when the layout asks for markers).
    std::function<void(CDivBitmap&, const PageGeometry&)> spotMarkers;
};

// Decorates a composed map for output, in this order: the logo enlarged fivefold with its
// bottom-right corner at the sheet's, the visible write sets that meet the area, the grid
// lines of `layout` (fontFactor 1, scale notation, declination from where the layout says),
// then the spot markers when the layout's outputMarker is set.
//
// Returns false when the declination could not be had (`error` says why); everything else
// is drawn all the same, the magnetic north lines toward true north.
bool RenderPage(CDivBitmap& target, const PageGeometry& page, const OutputSetting& layout,
                const PageContent& content, std::string* error = nullptr);

}  // namespace hfp
