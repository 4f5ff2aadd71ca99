#include <gtest/gtest.h>

#include <cmath>

#include "geo/CoordinateText.h"
#include "geo/Projection.h"

namespace hfp {
namespace {

// The usual web-map formula, written independently of the program's constants.
double TextbookY(int level, double lat) {
    const double rad = lat * M_PI / 180.0;
    return (1.0 - std::log(std::tan(rad) + 1.0 / std::cos(rad)) / M_PI) / 2.0 * 256.0 *
           std::ldexp(1.0, level);
}

TEST(Projection, AgreesWithTheTextbookMercatorAndInvertsItself) {
    for (int level : {7, 12, 18}) {
        const double world = 256.0 * std::ldexp(1.0, level);
        for (double lat : {22.5, 35.3628, 49.99}) {
            EXPECT_NEAR(LatToPixelY(level, lat), TextbookY(level, lat), 1e-6 * world / 32768);
            EXPECT_NEAR(PixelYToLat(level, LatToPixelY(level, lat)), lat, 1e-9);
        }
        for (double lon : {-180.0, 122.0, 138.7309}) {
            EXPECT_NEAR(LonToPixelX(level, lon), (lon + 180.0) / 360.0 * world, 1e-6);
            EXPECT_NEAR(PixelXToLon(level, LonToPixelX(level, lon)), lon, 1e-9);
        }
    }
    // North-south, the stretch is 1 / cos(latitude).
    for (double lat : {0.0, 35.3628, 45.0}) {
        const double stretch =
            PixelsPerGeoUnitY(14, static_cast<int32_t>(lat * 360000)) / PixelsPerGeoUnitX(14, 0);
        EXPECT_NEAR(stretch, 1.0 / std::cos(lat * M_PI / 180.0), 1e-4) << lat;
    }
}

TEST(Projection, TilesPlacesAndTextTruncateTowardZero) {
    EXPECT_EQ(TileOfPixel(256.0 * 100 + 17.9, 256.0 * 42 + 255.99),
              (TileAddress{100, 42, 17, 255}));
    EXPECT_EQ(TileOfPixel(-1.5, -300.0), (TileAddress{0, -1, -1, -44}));
    const TileAddress c = TileOfGeo(16, kDefaultCenter);
    EXPECT_EQ(c.ty, static_cast<int>(TextbookY(16, 12730626 / 360000.0) / 256));
    const Dms n = ToDms(-366100);  // -1°01'01"
    EXPECT_EQ(n.deg * 10000 + n.min * 100 + n.sec, -10101);
    EXPECT_EQ(FormatStatusText(16, {12730626, 49943139}, {12730626, 49943139}, 255, 7, 0),
              "Level:16 Cursor:E138°43'51\" N035°21'46\" Center:E138°43'51\" N035°21'46\" "
              "R:255 G:007 B:000");

    ViewTransform v{kDefaultCenter, 15, 1.5, 801, 600};
    EXPECT_EQ(v.ClientToGeo(400, 300), kDefaultCenter);
    const GeoPoint g = v.ClientToGeo(700, 500);
    EXPECT_GT(g.lon, kDefaultCenter.lon);  // right and below: east and south
    EXPECT_LT(g.lat, kDefaultCenter.lat);
    int px, py;
    v.GeoToClient(g, &px, &py);
    EXPECT_TRUE(std::abs(px - 700) <= 1 && std::abs(py - 500) <= 1) << px << "," << py;
}

TEST(CoordinateText, EveryFormReadsToItsGeoUnitsAndNothingElseReads) {
    EXPECT_EQ(FormatCoordinateText(12730626), "35214626");
    for (int32_t v : {7200000, 12730626, 16199999})
        EXPECT_EQ(ParseCoordinateText(FormatCoordinateText(v), false), v);
    struct Case {
        const char* text;
        bool longitude;
        int32_t value;
    };
    for (const Case& c : std::vector<Case>{
             {"138435124", true, 49943124},
             {"  3521 \t", false, 35 * 360000 + 21 * 6000},
             {"35.5", false, 12780000},
             // 0.7309° is 43'51.24", but the fraction of a minute is truncated after the
             // binary rounding of 0.854 * 60: stored coordinates rely on this reading.
             {"138.7309", true, 138 * 360000 + 43 * 6000 + 5123},
             {"138°43'51\"24", true, 49943124},
             {"121.99", true, -1},
             {"46", false, -1},
             {"138°43'", true, -1},
             {"99999999999999999999.5", false, -1},
         })
        EXPECT_EQ(ParseCoordinateText(c.text, c.longitude), c.value) << c.text;
}

}  // namespace
}  // namespace hfp
