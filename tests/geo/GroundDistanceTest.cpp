#include "geo/GroundDistance.h"

#include <gtest/gtest.h>

#include "geo/GeoPoint.h"

namespace hfp {
namespace {

TEST(GroundDistance, ArcSecondOfLongitudeShrinksWithTheCosineOfLatitude) {
    // One arc-second of the equator of a sphere of radius 6378137 m.
    EXPECT_NEAR(MetresPerArcSecondOfLongitude(0), 30.9221, 1e-3);
    EXPECT_NEAR(MetresPerArcSecondOfLongitude(60 * kGeoUnitsPerDegree), 30.9221 / 2, 1e-3);
    EXPECT_NEAR(MetresPerArcSecondOfLongitude(kDefaultCenter.lat), 25.2172, 1e-3);
    // South is the same as north.
    EXPECT_DOUBLE_EQ(MetresPerArcSecondOfLongitude(-kDefaultCenter.lat),
                     MetresPerArcSecondOfLongitude(kDefaultCenter.lat));
}

TEST(GroundDistance, PolesHaveAValue) {
    const double pole = MetresPerArcSecondOfLongitude(90 * kGeoUnitsPerDegree);
    EXPECT_FALSE(std::isnan(pole));
    EXPECT_LT(pole, 0.01);
}

TEST(GroundDistance, ArcSecondOfLatitudeIsFixed) {
    EXPECT_DOUBLE_EQ(kMetresPerArcSecondOfLatitude, 30.8);
}

}  // namespace
}  // namespace hfp
