#include "geo/Projection.h"

#include <cmath>
#include <cstdio>

namespace hfp {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kLatitudeLimitRad = 1.484422229748708;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kDegreesPerRadian = 57.29577951308232;

double Atanh(double v) {
    return 0.5 * std::log((1 + v) / (1 - v));
}

}  // namespace

double PowerOfTwo(int exponent) {
    bool negative = exponent < 0;
    unsigned n = negative ? 0u - static_cast<unsigned>(exponent) : static_cast<unsigned>(exponent);
    double result = 1.0;
    double base = 2.0;
    while (n) {
        if (n & 1u) result *= base;
        base *= base;
        n >>= 1;
    }
    return negative ? 1.0 / result : result;
}

double LonToPixelX(int level, double lonDeg) {
    return HalfWorldPixels(level) * (1 + lonDeg / 180);
}

double LatToPixelY(int level, double latDeg) {
    double p = HalfWorldPixels(level);
    return (p / kPi) *
           (Atanh(std::sin(kLatitudeLimitRad)) - Atanh(std::sin(latDeg * kRadiansPerDegree)));
}

double PixelXToLon(int level, double x) {
    return (x / HalfWorldPixels(level) - 1) * 180;
}

double PixelYToLat(int level, double y) {
    double p = HalfWorldPixels(level);
    return std::asin(std::tanh(Atanh(std::sin(kLatitudeLimitRad)) - (kPi / p) * y)) *
           kDegreesPerRadian;
}

double PixelsPerGeoUnitX(int level, int32_t lonGeo) {
    double x = LonToPixelX(level, lonGeo / 360000.0);
    return 1001 / ((PixelXToLon(level, x + 500) - PixelXToLon(level, x - 500)) * 360000);
}

double PixelsPerGeoUnitY(int level, int32_t latGeo) {
    double y = LatToPixelY(level, latGeo / 360000.0);
    return 1001 / ((PixelYToLat(level, y - 500) - PixelYToLat(level, y + 500)) * 360000);
}

TileAddress TileOfPixel(double x, double y) {
    TileAddress a;
    a.tx = TruncToInt(x / kTileSize);
    a.ty = TruncToInt(y / kTileSize);
    a.px = TruncToInt(x) % kTileSize;
    a.py = TruncToInt(y) % kTileSize;
    return a;
}

TileAddress TileOfGeo(int level, GeoPoint point) {
    return TileOfPixel(LonToPixelX(level, GeoToDegrees(point.lon)),
                       LatToPixelY(level, GeoToDegrees(point.lat)));
}

GeoPoint ViewTransform::ClientToGeo(int px, int py) const {
    GeoPoint g;
    // Sums in double, held to the 32-bit range: a tiny density must not overflow them.
    g.lon = TruncToInt(center.lon + static_cast<double>(TruncToInt((px - width / 2) * (1 / kx()))));
    g.lat =
        TruncToInt(center.lat - static_cast<double>(TruncToInt((py - height / 2) * (1 / ky()))));
    return g;
}

void ViewTransform::GeoToClient(GeoPoint point, int* px, int* py) const {
    *px = TruncToInt(width / 2 + static_cast<double>(TruncToInt(
                                     (static_cast<double>(point.lon) - center.lon) * kx())));
    *py = TruncToInt(height / 2 - static_cast<double>(TruncToInt(
                                      (static_cast<double>(point.lat) - center.lat) * ky())));
}

Dms ToDms(int32_t geo) {
    int t = geo / 100;
    Dms d;
    d.deg = t / 3600;
    int r = t - d.deg * 3600;
    d.min = r / 60;
    d.sec = r % 60;
    return d;
}

std::string FormatStatusText(int level, GeoPoint cursor, GeoPoint center, int red, int green,
                             int blue) {
    Dms cx = ToDms(cursor.lon), cy = ToDms(cursor.lat);
    Dms mx = ToDms(center.lon), my = ToDms(center.lat);
    char text[256];
    std::snprintf(text, sizeof text,
                  "Level:%d Cursor:E%03d°%02d'%02d\" N%03d°%02d'%02d\" Center:E%03d°%02d'%02d\" "
                  "N%03d°%02d'%02d\" R:%03d G:%03d B:%03d",
                  level, cx.deg, cx.min, cx.sec, cy.deg, cy.min, cy.sec, mx.deg, mx.min, mx.sec,
                  my.deg, my.min, my.sec, red, green, blue);
    return text;
}

}  // namespace hfp
