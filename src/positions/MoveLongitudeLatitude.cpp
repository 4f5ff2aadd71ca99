#include "positions/MoveLongitudeLatitude.h"

#include <cstdio>

#include "platform/Messages.h"
#include "print/PrintSetModel.h"

namespace hfp {

namespace {

// Whole seconds of the three fields, in geo units; nothing when the degrees are outside
// lowest to highest.
std::optional<int32_t> MoveValue(const std::array<std::string, 3>& fields, int lowest,
                                 int highest) {
    const int64_t degrees = ReadNumber(fields[0]);
    if (degrees < lowest || degrees > highest) return std::nullopt;
    const int64_t seconds = (degrees * 60 + ReadNumber(fields[1])) * 60 + ReadNumber(fields[2]);
    return TruncToInt(static_cast<double>(seconds * kGeoUnitsPerSecond));
}

}  // namespace

std::array<std::string, 4> CoordinateFields(int32_t geo, bool padded) {
    const int32_t parts[] = {
        geo / kGeoUnitsPerDegree, geo % kGeoUnitsPerDegree / kGeoUnitsPerMinute,
        geo % kGeoUnitsPerMinute / kGeoUnitsPerSecond, geo % kGeoUnitsPerSecond};
    std::array<std::string, 4> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, padded && i > 0 ? "%02d" : "%d", parts[i]);
        fields[i] = text;
    }
    return fields;
}

MoveFields MoveFieldsAt(GeoPoint center) {
    const auto lon = CoordinateFields(center.lon, false);
    const auto lat = CoordinateFields(center.lat, false);
    return {{lon[0], lon[1], lon[2]}, {lat[0], lat[1], lat[2]}};
}

std::optional<GeoPoint> MoveTarget(const MoveFields& fields, Messages& messages) {
    const std::optional<int32_t> lat = MoveValue(fields.latitude, 20, 45);
    if (!lat) {
        messages.Show("Latitude is out of range", MessageIcon::Warning);
        return std::nullopt;
    }
    const std::optional<int32_t> lon = MoveValue(fields.longitude, 122, 153);
    if (!lon) {
        messages.Show("Longitude is out of range", MessageIcon::Warning);
        return std::nullopt;
    }
    return GeoPoint{*lat, *lon};
}

}  // namespace hfp
