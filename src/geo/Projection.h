#pragma once

#include <cstdint>
#include <string>

#include "geo/GeoPoint.h"

namespace hfp {

// Spherical Mercator at zoom level L: the world is 256 · 2^L pixels wide, x grows eastward
// from 180° W, y grows southward from the Mercator latitude limit (about 85.0511° N).

// 2^exponent by repeated squaring; a negative exponent gives the reciprocal.
double PowerOfTwo(int exponent);
// Half the world width in pixels at `level`: 2^(level + 7).
inline double HalfWorldPixels(int level) {
    return PowerOfTwo(level + 7);
}

double LonToPixelX(int level, double lonDeg);
double LatToPixelY(int level, double latDeg);
double PixelXToLon(int level, double x);
double PixelYToLat(int level, double y);

// Screen pixels per geo unit (before tile scaling), linearised around a point.
double PixelsPerGeoUnitX(int level, int32_t lonGeo);
double PixelsPerGeoUnitY(int level, int32_t latGeo);

// The tile that holds a world pixel and the pixel's place in it.
struct TileAddress {
    int32_t tx = 0;
    int32_t ty = 0;
    int32_t px = 0;
    int32_t py = 0;
    friend bool operator==(const TileAddress&, const TileAddress&) = default;
};
TileAddress TileOfPixel(double x, double y);
TileAddress TileOfGeo(int level, GeoPoint point);

// Screen <-> geo conversion of the map view: a linearisation around the view centre at
// `level` with tile scaling `scale`, for a client area of width × height.
struct ViewTransform {
    GeoPoint center;
    int level = kMinLevel;
    double scale = 1.0;
    int width = 0;
    int height = 0;

    double kx() const { return PixelsPerGeoUnitX(level, center.lon) * scale; }
    double ky() const { return PixelsPerGeoUnitY(level, center.lat) * scale; }
    GeoPoint ClientToGeo(int px, int py) const;
    void GeoToClient(GeoPoint point, int* px, int* py) const;
};

// Whole degrees, minutes and seconds of a geo value, each truncated toward zero.
struct Dms {
    int deg = 0;
    int min = 0;
    int sec = 0;
};
Dms ToDms(int32_t geo);

// The status-bar text: level, cursor and centre in degrees, minutes and seconds, and the
// colour of the map pixel under the cursor.
std::string FormatStatusText(int level, GeoPoint cursor, GeoPoint center, int red, int green,
                             int blue);

}  // namespace hfp
