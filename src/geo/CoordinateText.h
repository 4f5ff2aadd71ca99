#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hfp {

// Packed digits DDMMSSss (latitude) or DDDMMSSss (longitude) of a geo value.
std::string FormatCoordinateText(int32_t geo);

// Decimal degrees with six decimals ("%lf"), whatever the locale: "35.500000".
std::string FormatDegrees(int32_t geo);

// Reads a coordinate typed or stored as text, in one of three forms:
//   decimal degrees            "35.5"
//   packed digits              "35214626" (latitude), "138435124" (longitude)
//   degrees/minutes/seconds    "138°43'51\"24", also with 度 分 秒, ′ ″ or the byte 0xDF
// and checks the whole degrees against the range of the service area (longitude 122-153,
// latitude 20-45). Returns geo units, or -1 for a rejected text.
int32_t ParseCoordinateText(std::string_view text, bool longitudeMode);

}  // namespace hfp
