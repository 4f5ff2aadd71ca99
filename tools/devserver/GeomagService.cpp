#include "devserver/GeomagService.h"

#include <httplib.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "devserver/Html.h"
#include "devserver/Options.h"
#include "geo/GeoPoint.h"
#include "print/Declination.h"

namespace hfp::devserver {

namespace {

// The value of `name` in a form body "a=1&b=2"; -1 when absent or not a small number.
int FormValue(std::string_view body, std::string_view name) {
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find('&', at);
        if (end == std::string_view::npos) end = body.size();
        std::string_view pair = body.substr(at, end - at);
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
            std::string_view digits = pair.substr(name.size() + 1);
            int value = -1;
            auto [stop, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            return ec == std::errc() && stop == digits.data() + digits.size() ? value : -1;
        }
        at = end + 1;
    }
    return -1;
}

int32_t GeoValue(int degrees, int minutes, int seconds) {
    return degrees * kGeoUnitsPerDegree + minutes * kGeoUnitsPerMinute +
           seconds * kGeoUnitsPerSecond;
}

}  // namespace

GeomagService::GeomagService(const Options& options)
    : m_withoutMarker(options.declinationWithoutMarker) {}

void GeomagService::Register(httplib::Server& server) {
    server.Post(kDeclinationPath,
                [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res); });
}

void GeomagService::Serve(const httplib::Request& req, httplib::Response& res) const {
    int field[6];
    const char* names[6] = {"ido1", "ido2", "ido3", "kei1", "kei2", "kei3"};
    for (int i = 0; i < 6; ++i) {
        field[i] = FormValue(req.body, names[i]);
        if (field[i] < 0) {
            res.status = 400;
            res.set_content(HtmlPage(400, "Bad Request", "No place was given."), "text/html");
            return;
        }
    }
    int32_t latitude = GeoValue(field[0], field[1], field[2]);
    int32_t longitude = GeoValue(field[3], field[4], field[5]);
    // The formula's minutes from 7°, as whole degrees and minutes below 60, to two decimals.
    int hundredths =
        (DeclinationFormula(longitude, latitude, kDeclinationFormula2010) - 700000) / 10;
    int total = 7 * 6000 + hundredths;
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
        "<title>geomag</title><style>\n";
    while (page.size() < 1500)
        page += "td.middle { text-align: center; vertical-align: middle; padding: 2px; }\n";
    page += "</style></head><body><table>\n";
    if (!m_withoutMarker) {
        char cell[160];
        // 偏　角 | D°MM.mm′西偏)
        std::snprintf(cell, sizeof cell,
                      "<tr><th>\xCA\xD0\xA1\xA1\xB3\xD1</th><td class=\"middle\">%d\xA1\xEB"
                      "%02d.%02d\xA1\xEC\xC0\xBE\xCA\xD0)</td></tr>\n",
                      total / 6000, total % 6000 / 100, total % 100);
        page += cell;
    }
    page += "</table></body></html>\n";
    res.set_content(page, "text/html; charset=EUC-JP");
}

}  // namespace hfp::devserver
