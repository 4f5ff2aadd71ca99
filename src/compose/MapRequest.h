#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "compose/DivBitmap.h"
#include "platform/Color.h"
#include "print/OutputSetting.h"

namespace hfp {

// What a caller asks the map composer for. The composer copies it and writes the out-fields
// back into the caller's request.
struct MapRequest {
    bool highSpeed = true;   // the download mode of the providers
    int32_t levelIndex = 9;  // 0..11, level − 7
    int32_t mapType = 0;     // the output layout's map type; a change rebuilds the providers
    // Output pixels per tile pixel. Negative: derived so that areaWidthGeo fills the width.
    double scale = 1.0;
    CDivBitmap* target = nullptr;  // receives a copy of the composition when given
    // The block size of the composed map when no target dictates one (0: one block).
    int32_t blockSize = CDivBitmap::kDefaultBlockSize;
    int32_t width = 0;
    int32_t height = 0;
    int32_t centerLon = 0;
    int32_t centerLat = 0;
    bool forceReload = false;  // download every tile again
    // Called on a provider thread after a late tile has been drawn or a tile has failed (no
    // lock held).
    std::function<void()> notify;
    bool colorChange = false;
    std::array<COLORREF, kColorChangeCount> fromColors{};
    std::array<COLORREF, kColorChangeCount> toColors{};
    // Greater than 0: the composer also keeps a copy of the composition this wide (Preview()),
    // and then does not copy into `target`.
    int32_t previewWidth = 0;
    int32_t areaWidthGeo = 0;  // ground width of the area, geo units (negative scale)

    // Out: client position of the centre tile's top-left corner, the level's service area
    // (west, east, south, north) and the zoom level.
    int32_t originXOut = 0;
    int32_t originYOut = 0;
    std::array<int32_t, 4> boundsOut{};
    int32_t levelOut = 0;
};

}  // namespace hfp
