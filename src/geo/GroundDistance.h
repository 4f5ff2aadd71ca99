#pragma once

#include <cstdint>

namespace hfp {

// Metres on the ground per arc-second of latitude, the same everywhere.
constexpr double kMetresPerArcSecondOfLatitude = 30.8;

// Metres on the ground per arc-second of longitude at latitude `latGeo` (geo units): the
// great-circle distance between two points one arc-second apart on a sphere of radius
// 6378137 m.
double MetresPerArcSecondOfLongitude(int32_t latGeo);

}  // namespace hfp
