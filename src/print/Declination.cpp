#include "print/Declination.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "geo/GeoPoint.h"
#include "platform/HttpClient.h"
#include "platform/Services.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

constexpr int32_t kPerDegree = 100000;  // packed units
constexpr int32_t kPerMinute = 1000;
constexpr int32_t kFormulaDegrees = 7;  // the formulas count their minutes from 7°
// A real reply page carries its markers well inside this; more is not a reply of the service.
constexpr std::size_t kMaxReplyBytes = 1 << 20;

// EUC-JP: "偏　角" (declination) and "西偏)" (westward).
constexpr std::string_view kDeclinationMarker = "\xCA\xD0\xA1\xA1\xB3\xD1";
constexpr std::string_view kWestMarker = "\xC0\xBE\xCA\xD0\x29";
// The minutes stand this many bytes before the west marker ("40.58′").
constexpr std::size_t kMinutesBeforeWest = 7;

// Degrees of a coordinate as the formulas take them: whole degrees plus the remainder.
double FormulaDegrees(int32_t geo) {
    int32_t whole = geo / kGeoUnitsPerDegree;
    return whole + static_cast<double>(geo - whole * kGeoUnitsPerDegree) / kGeoUnitsPerDegree;
}

// The decimal integer at `at`; nothing when no digit stands there.
std::optional<int32_t> IntegerAt(std::string_view text, std::size_t at) {
    int32_t value = 0;
    std::size_t i = at;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - at < 6)
        value = value * 10 + (text[i++] - '0');
    if (i == at) return std::nullopt;
    return value;
}

struct Cache {
    std::mutex lock;
    bool filled = false;
    int32_t longitude = 0;
    int32_t latitude = 0;
    DeclinationValue value = 0;
};

Cache& ServerCache() {
    static Cache cache;
    return cache;
}

// The declination in thousandths of a minute of arc.
int64_t Thousandths(const Declination& d) {
    if (d.fromServer)
        return static_cast<int64_t>(d.value / kPerDegree) * 60 * kPerMinute + d.value % kPerDegree;
    return static_cast<int64_t>(kFormulaDegrees) * 60 * kPerMinute + d.value -
           kFormulaDegrees * kPerDegree;
}

}  // namespace

double Declination::Degrees() const {
    return static_cast<double>(Thousandths(*this)) / (60.0 * kPerMinute);
}

std::string Declination::Label() const {
    int64_t thousandths = Thousandths(*this);
    int64_t magnitude = std::llabs(thousandths);
    int64_t packed = magnitude / (60 * kPerMinute) * kPerDegree + magnitude % (60 * kPerMinute);
    double shown = static_cast<double>(thousandths < 0 ? -packed : packed) / kPerDegree;
    char text[64];
    std::snprintf(text, sizeof text,
                  fromServer ? "Magnetic declination %.2f°" : "Magnetic declination %.5f°", shown);
    return text;
}

DeclinationValue DeclinationFormula(int32_t longitude, int32_t latitude, int calc) {
    double dp = FormulaDegrees(latitude) - 37;
    double dl = FormulaDegrees(longitude) - 138;
    double v = calc == kDeclinationFormula2000
                   ? 737142 + 21622 * dp - 7672 * dl + 422 * dp * dp - 320 * dp * dl - 675 * dl * dl
                   : 740585 + 19003 * dp - 6265 * dl + 9 * dp * dp - 24 * dp * dl - 591 * dl * dl;
    return TruncToInt(v);
}

std::optional<Declination> GetMagneticDeclination(int32_t longitude, int32_t latitude, int calc,
                                                  bool noServer, const std::string& userAgent,
                                                  std::string* error) {
    if (calc == kDeclinationServer2010 && !noServer) {
        Declination d{0, true};
        if (!QueryDeclination(&d.value, longitude, latitude, userAgent, error)) return std::nullopt;
        return d;
    }
    int formula =
        calc == kDeclinationFormula2000 ? kDeclinationFormula2000 : kDeclinationFormula2010;
    return Declination{DeclinationFormula(longitude, latitude, formula), false};
}

std::string DeclinationRequestBody(int32_t longitude, int32_t latitude) {
    auto split = [](int32_t v, int* d, int* m, int* s) {
        *d = v / kGeoUnitsPerDegree;
        int32_t rest = v - *d * kGeoUnitsPerDegree;
        *m = rest / kGeoUnitsPerMinute;
        *s = rest % kGeoUnitsPerMinute / kGeoUnitsPerSecond;
    };
    int latD, latM, latS, lonD, lonM, lonS;
    split(latitude, &latD, &latM, &latS);
    split(longitude, &lonD, &lonM, &lonS);
    char body[96];
    std::snprintf(body, sizeof body, "ido1=%02d&ido2=%02d&ido3=%02d&kei1=%03d&kei2=%02d&kei3=%02d",
                  latD, latM, latS, lonD, lonM, lonS);
    return body;
}

std::optional<DeclinationValue> ParseDeclinationReply(std::string_view page) {
    std::size_t at = page.find(kDeclinationMarker);
    if (at == std::string_view::npos) return std::nullopt;
    at = page.find("middle", at);
    if (at == std::string_view::npos) return std::nullopt;
    at = page.find('>', at);
    if (at == std::string_view::npos) return std::nullopt;
    std::optional<int32_t> degrees = IntegerAt(page, at + 1);
    std::size_t west = page.find(kWestMarker, at);
    if (!degrees || west == std::string_view::npos || west < at + kMinutesBeforeWest)
        return std::nullopt;
    std::optional<int32_t> minutes = IntegerAt(page, west - kMinutesBeforeWest);
    // A declination is at most 180 degrees and its minutes fewer than 60; a page saying
    // otherwise is not the service's.
    if (!minutes || *degrees > 180 || *minutes >= 60) return std::nullopt;
    return *degrees * kPerDegree + *minutes * kPerMinute;
}

bool QueryDeclination(DeclinationValue* value, int32_t longitude, int32_t latitude,
                      const std::string& userAgent, std::string* error) {
    Cache& cache = ServerCache();
    {
        std::lock_guard lock(cache.lock);
        if (cache.filled && cache.longitude == longitude && cache.latitude == latitude) {
            *value = cache.value;
            return true;
        }
    }
    HttpOptions options;
    options.userAgent = userAgent;
    options.maxBodyBytes = kMaxReplyBytes;
    HttpClient client(options);
    const std::string host = ServiceHost(Service::Geomagnetic);
    HttpResponse reply =
        client.Post(HttpUrl(host, kDeclinationPath), DeclinationRequestBody(longitude, latitude));
    std::optional<DeclinationValue> parsed;
    if (reply.ok()) parsed = ParseDeclinationReply(reply.body);
    if (!parsed) {
        std::string why = !reply.answered ? "no answer from " + host + ": " + reply.error
                          : !reply.ok()   ? host + " answered " + std::to_string(reply.status)
                                          : "the reply from " + host + " gives no declination";
        Trace("declination: %s", why.c_str());
        if (error) *error = why;
        return false;
    }
    std::lock_guard lock(cache.lock);
    cache.filled = true;
    cache.longitude = longitude;
    cache.latitude = latitude;
    cache.value = *parsed;
    *value = *parsed;
    return true;
}

}  // namespace hfp
