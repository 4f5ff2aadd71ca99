#include "geo/Projection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geo/MapSourceConfig.h"

namespace hfp {
namespace {

TEST(Projection, PowerOfTwoBySquaring) {
    EXPECT_EQ(PowerOfTwo(0), 1.0);
    EXPECT_EQ(PowerOfTwo(14), 16384.0);
    EXPECT_EQ(PowerOfTwo(25), 33554432.0);
    EXPECT_EQ(PowerOfTwo(-3), 0.125);
    EXPECT_EQ(HalfWorldPixels(7), 16384.0);
    EXPECT_EQ(HalfWorldPixels(18), 33554432.0);
}

TEST(Projection, LongitudeEndsAndEquator) {
    EXPECT_DOUBLE_EQ(LonToPixelX(7, 180.0), 32768.0);
    EXPECT_DOUBLE_EQ(LonToPixelX(7, 0.0), 16384.0);
    EXPECT_DOUBLE_EQ(LonToPixelX(7, -180.0), 0.0);
    // The latitude limit constant is rounded, so the equator lands a fraction of a
    // micro-pixel off P.
    EXPECT_NEAR(LatToPixelY(7, 0.0), 16384.0, 1e-6);
    EXPECT_NEAR(LatToPixelY(12, 85.0511287798066), 0.0, 1e-4);
    // y grows southward.
    EXPECT_LT(LatToPixelY(10, 40.0), LatToPixelY(10, 30.0));
}

TEST(Projection, AgreesWithTheTextbookMercator) {
    // The usual web-map formula, written independently of the constants used by the program.
    for (int level = kMinLevel; level <= kMaxLevel; ++level) {
        double world = 256.0 * std::ldexp(1.0, level);
        for (double lat : {22.5, 35.3628, 43.0, 50.0}) {
            double rad = lat * M_PI / 180.0;
            double y = (1.0 - std::log(std::tan(rad) + 1.0 / std::cos(rad)) / M_PI) / 2.0 * world;
            EXPECT_NEAR(LatToPixelY(level, lat), y, 1e-6 * std::ldexp(1.0, level - 7))
                << level << " " << lat;
        }
        for (double lon : {122.0, 138.7309, 152.0}) {
            EXPECT_NEAR(LonToPixelX(level, lon), (lon + 180.0) / 360.0 * world, 1e-6);
        }
    }
}

TEST(Projection, InversesRoundTrip) {
    for (int level : {7, 12, 18}) {
        for (double lat : {22.5, 35.3628, 49.99}) {
            EXPECT_NEAR(PixelYToLat(level, LatToPixelY(level, lat)), lat, 1e-9);
        }
        for (double lon : {122.0, 138.7309, 152.0}) {
            EXPECT_NEAR(PixelXToLon(level, LonToPixelX(level, lon)), lon, 1e-9);
        }
    }
}

TEST(Projection, PixelsPerGeoUnit) {
    // At level 7 the world is 32768 pixels over 360° = 129600000 geo units; the numerator
    // 1001 over a span of 1000 pixels makes the result 1.001 times the plain ratio.
    double expectedX = 32768.0 / 129600000.0 * 1.001;
    EXPECT_NEAR(PixelsPerGeoUnitX(7, 49943139), expectedX, expectedX * 1e-9);
    EXPECT_DOUBLE_EQ(PixelsPerGeoUnitX(7, 0), PixelsPerGeoUnitX(7, 49943139));
    EXPECT_NEAR(PixelsPerGeoUnitX(16, 0) / PixelsPerGeoUnitX(7, 0), 512.0, 1e-9);
    // North-south, the Mercator stretch is 1 / cos(latitude).
    for (double lat : {0.0, 35.3628, 45.0}) {
        int32_t geo = static_cast<int32_t>(lat * 360000);
        double stretch = PixelsPerGeoUnitY(14, geo) / PixelsPerGeoUnitX(14, 0);
        EXPECT_NEAR(stretch, 1.0 / std::cos(lat * M_PI / 180.0), 1e-4) << lat;
    }
}

TEST(Projection, TileAddressing) {
    TileAddress a = TileOfPixel(256.0 * 100 + 17.9, 256.0 * 42 + 255.99);
    EXPECT_EQ(a, (TileAddress{100, 42, 17, 255}));
    EXPECT_EQ(TileOfPixel(0.0, 0.0), (TileAddress{0, 0, 0, 0}));
    // Negative values truncate toward zero and keep the sign of the dividend.
    EXPECT_EQ(TileOfPixel(-1.5, -300.0), (TileAddress{0, -1, -1, -44}));

    // The default centre at level 16, worked out by hand from the textbook projection.
    TileAddress c = TileOfGeo(16, kDefaultCenter);
    double world = 256.0 * 65536;
    double lon = 49943139 / 360000.0, lat = 12730626 / 360000.0;
    double px = (lon + 180.0) / 360.0 * world;
    double rad = lat * M_PI / 180.0;
    double py = (1.0 - std::log(std::tan(rad) + 1.0 / std::cos(rad)) / M_PI) / 2.0 * world;
    EXPECT_EQ(c.tx, static_cast<int>(px / 256));
    EXPECT_EQ(c.ty, static_cast<int>(py / 256));
    EXPECT_EQ(c.px, static_cast<int>(px) % 256);
    EXPECT_EQ(c.py, static_cast<int>(py) % 256);
}

TEST(Projection, TilePathsPerLevel) {
    MapSourceConfig low = MakeMapSourceConfig(11);
    EXPECT_EQ(low.folderName, "xyz11");
    EXPECT_EQ(low.pathPrefix, "/xyz/english/");
    MapSourceConfig high = MakeMapSourceConfig(16);
    EXPECT_EQ(high.folderName, "xyz16");
    EXPECT_EQ(high.pathPrefix, "/xyz/std/");
    EXPECT_EQ(TileRequestPath(high, 58210, 25803), "/xyz/std/16/58210/25803.png");
    EXPECT_EQ(TileRequestPath(MakeMapSourceConfig(7), 113, 50), "/xyz/english/7/113/50.png");
    EXPECT_EQ(TileFilePath("/data", high, 58210, 25803),
              std::filesystem::path("/data/map/xyz16/58210/25803.png"));
    EXPECT_EQ(high.west, 43920000);
    EXPECT_EQ(high.east, 54720000);
    EXPECT_EQ(high.south, 8100000);
    EXPECT_EQ(high.north, 18000000);
}

TEST(Projection, DegreesMinutesSeconds) {
    Dms d = ToDms(12730626);
    EXPECT_EQ(d.deg, 35);
    EXPECT_EQ(d.min, 21);
    EXPECT_EQ(d.sec, 46);
    // Division truncates toward zero: -1 geo unit is 0 seconds.
    Dms z = ToDms(-1);
    EXPECT_EQ(z.deg, 0);
    EXPECT_EQ(z.min, 0);
    EXPECT_EQ(z.sec, 0);
    Dms n = ToDms(-366100);  // -1°01'01"
    EXPECT_EQ(n.deg, -1);
    EXPECT_EQ(n.min, -1);
    EXPECT_EQ(n.sec, -1);

    EXPECT_EQ(FormatStatusText(16, {12730626, 49943139}, {12730626, 49943139}, 255, 7, 0),
              "Level:16 Cursor:E138°43'51\" N035°21'46\" Center:E138°43'51\" N035°21'46\" "
              "R:255 G:007 B:000");
}

TEST(Projection, ViewTransformRoundTrip) {
    ViewTransform v{kDefaultCenter, 15, 1.5, 801, 600};
    EXPECT_EQ(v.ClientToGeo(400, 300), kDefaultCenter);
    int px, py;
    v.GeoToClient(kDefaultCenter, &px, &py);
    EXPECT_EQ(px, 400);
    EXPECT_EQ(py, 300);
    // A point right and below the centre is east and south of it.
    GeoPoint g = v.ClientToGeo(700, 500);
    EXPECT_GT(g.lon, kDefaultCenter.lon);
    EXPECT_LT(g.lat, kDefaultCenter.lat);
    v.GeoToClient(g, &px, &py);
    EXPECT_NEAR(px, 700, 1);
    EXPECT_NEAR(py, 500, 1);
}

TEST(Projection, TruncationClampsOutOfRange) {
    EXPECT_EQ(TruncToInt(2.9), 2);
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_EQ(TruncToInt(1e300), INT32_MAX);
    EXPECT_EQ(TruncToInt(-1e300), INT32_MIN);
    EXPECT_EQ(TruncToInt(std::nan("")), 0);
}

}  // namespace
}  // namespace hfp
