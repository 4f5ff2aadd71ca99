#include "geo/GroundDistance.h"

#include <algorithm>
#include <cmath>

#include "geo/GeoPoint.h"

namespace hfp {

double MetresPerArcSecondOfLongitude(int32_t latGeo) {
    constexpr double kRadius = 6378137.0;
    constexpr double kRadiusSquared = 40680631590769.0;
    constexpr double kArcSecond = 4.84813681109536e-6;  // radians
    constexpr double kRadiansPerDegree = 0.017453292519943295;
    const double phi = GeoToDegrees(latGeo) * kRadiansPerDegree;
    const double s = std::sin(phi), c = std::cos(phi);
    const double cosine =
        (kRadiusSquared * s * s + kRadiusSquared * c * c * std::cos(kArcSecond)) / kRadiusSquared;
    // Rounding can carry the cosine a hair past 1 near the poles, where acos has no value.
    return kRadius * std::acos(std::min(cosine, 1.0));
}

}  // namespace hfp
