#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "geo/GeoPoint.h"

namespace hfp {

class Messages;

// A coordinate as the dialogs' fields show it: degrees, minutes, whole seconds and hundredths
// of a second, the minutes and up two digits wide when `padded`.
std::array<std::string, 4> CoordinateFields(int32_t geo, bool padded);

// The "Move to latitude/longitude" dialog's fields: degrees, minutes and whole seconds.
struct MoveFields {
    std::array<std::string, 3> longitude;
    std::array<std::string, 3> latitude;
};

// What the dialog shows when it opens at `center`.
MoveFields MoveFieldsAt(GeoPoint center);
// "Move": the place typed, or nothing when the degrees are out of range (said). Minutes and
// seconds are taken as they are, past 59 too.
std::optional<GeoPoint> MoveTarget(const MoveFields& fields, Messages& messages);

}  // namespace hfp
