#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace hfp {

// One geo unit is 1/360000 degree, a hundredth of an arc-second.
constexpr int32_t kGeoUnitsPerDegree = 360000;
constexpr int32_t kGeoUnitsPerMinute = 6000;
constexpr int32_t kGeoUnitsPerSecond = 100;

struct GeoPoint {
    int32_t lat = 0;  // north positive
    int32_t lon = 0;  // east positive
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// The map centre before the user has moved anywhere (35.3628° N, 138.7309° E).
constexpr GeoPoint kDefaultCenter{12730626, 49943139};

// The service area, the same at every level.
constexpr int32_t kServiceWest = 43920000;   // 122° E
constexpr int32_t kServiceEast = 54720000;   // 152° E
constexpr int32_t kServiceSouth = 8100000;   // 22.5° N
constexpr int32_t kServiceNorth = 18000000;  // 50° N

// Zoom levels and their index into per-level data.
constexpr int kMinLevel = 7;
constexpr int kMaxLevel = 18;
constexpr int kLevelCount = kMaxLevel - kMinLevel + 1;
constexpr int LevelIndex(int level) {
    return level - kMinLevel;
}
constexpr int LevelOfIndex(int index) {
    return index + kMinLevel;
}
constexpr bool IsValidLevel(int level) {
    return level >= kMinLevel && level <= kMaxLevel;
}

constexpr int kTileSize = 256;

// Every conversion from floating point to integer in the system truncates toward zero. Values
// outside the 32-bit range (and NaN) are clamped instead of being undefined.
inline int32_t TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

inline double GeoToDegrees(int32_t geo) {
    return geo / 360000.0;
}

}  // namespace hfp
