#pragma once

#include <cstdint>
#include <string>

#include "geo/GeoPoint.h"

namespace hfp {

constexpr int kPrintHistoryCount = 100;

// One remembered print position; entry 0 is the newest. An entry is in use when its name,
// trimmed of blanks, is not empty, and the entries in use come first.
struct PrintHistoryEntry {
    std::string name;
    bool keep = false;  // never pushed out by newer prints
    int32_t longitude = kDefaultCenter.lon;
    int32_t latitude = kDefaultCenter.lat;
};

}  // namespace hfp
