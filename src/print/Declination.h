#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hfp {

// The magnetic declination, by which magnetic north lines lean west of true north.
//
// A `DeclinationValue` is packed as whole degrees × 100000 + minutes × 1000 (740585 is
// 7°40.585′), positive westward. The approximation formulas give 700000 plus their minutes
// from 7°, which may be below 0 or above 60 (Sapporo: 827970, that is 7°127.970′ = 9°7.970′);
// the server's minutes are below 60. The angle and the label are taken from the true number
// of minutes, so that a line never leans 8.28° for 9.13°.
using DeclinationValue = int32_t;

// Where a layout's magnetic north lines take the declination from.
enum DeclinationCalc {
    kDeclinationServer2010 = 0,
    kDeclinationFormula2010 = 1,
    kDeclinationFormula2000 = 2,
};

struct Declination {
    DeclinationValue value = 0;
    bool fromServer = false;

    // The angle in degrees by which the lines turn from true north.
    double Degrees() const;
    // "Magnetic declination 7.40585°" (a formula value, five decimals) or "Magnetic
    // declination 7.40°" (a server value, two decimals), with minutes below 60.
    std::string Label() const;
};

// The 2010 (calc 1) or 2000 (calc 2) approximation formula at a place, in geo units.
DeclinationValue DeclinationFormula(int32_t longitude, int32_t latitude, int calc);

// The declination of a layout's `calc` at a place. calc 0 asks the geomagnetic service, unless
// `noServer` (drawing for the screen: no network while the view repaints), which takes the
// 2010 formula. Nothing when the service gives no value (`error` says why); the caller says
// "Magnetic declination getting error." and draws the lines toward true north.
std::optional<Declination> GetMagneticDeclination(int32_t longitude, int32_t latitude, int calc,
                                                  bool noServer, const std::string& userAgent = {},
                                                  std::string* error = nullptr);

// The service path: one POST to the geomagnetic service, unless the last successful answer
// was for this very place (kept for the whole run). Thread-safe.
bool QueryDeclination(DeclinationValue* value, int32_t longitude, int32_t latitude,
                      const std::string& userAgent = {}, std::string* error = nullptr);

// The degrees and minutes of the service's EUC-JP reply page; nothing without its markers.
std::optional<DeclinationValue> ParseDeclinationReply(std::string_view page);

// The request body for a place: "ido1=35&ido2=21&ido3=46&kei1=138&kei2=43&kei3=51".
std::string DeclinationRequestBody(int32_t longitude, int32_t latitude);

constexpr const char* kDeclinationPath = "/sokuchi/geomag/menu_04/bilinear.cgi";

}  // namespace hfp
