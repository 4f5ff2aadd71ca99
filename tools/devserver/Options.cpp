#include "devserver/Options.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace hfp::devserver {

namespace {

bool ParseInt(std::string_view text, int min, int max, int* value) {
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) return false;
    *value = v;
    return true;
}

bool ParseRate(std::string_view text, double* value) {
    std::string s(text);
    if (s.empty() || s.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v) || v < 0.0 || v > 1.0) return false;
    *value = v;
    return true;
}

}  // namespace

std::string UsageText() {
    return "usage: hfp-devserver [--port N] [--tiles-dir DIR] [--update-dir DIR] [--delay-ms N]\n"
           "                     [--no-content-length] [--html-rate R] [--drop-rate R]\n"
           "                     [--error-status N] [--exit-with-stdin]\n"
           "                     [--declination-without-marker]\n"
           "                     [--session-text NAME=TEXT] [--session-integer NAME=N]\n"
           "                     [--session-mask-key HEX] [--session-keep-message TEXT]\n"
           "                     [--spot-date TEXT] [--spot-count N]\n"
           "                     [--refuse-login] [--bridge-port N]\n"
           "\n"
           "A local stand-in for the outside services of HollowfernPlotter. It listens on\n"
           "127.0.0.1 only and prints the port it listens on, alone on the first line.\n"
           "\n"
           "Services:\n"
           "  GET /xyz/english/{z}/{x}/{y}.png   map tiles of levels 7-11\n"
           "  GET /xyz/std/{z}/{x}/{y}.png       map tiles of levels 12-18\n"
           "      Synthetic topographic tiles in the colours of the GSI standard map. A tile\n"
           "      wholly outside 122-152 E, 22.5-50 N, a level that does not belong to the\n"
           "      prefix or any other path: 404 with an HTML page.\n"
           "  POST /sokuchi/geomag/menu_04/bilinear.cgi\n"
           "                                     the magnetic declination at the place of the\n"
           "                                     form (ido1..3, kei1..3) on an EUC-JP page\n"
           "  GET /update/PATH                   the file PATH of the update folder, as it is;\n"
           "                                     404 with an HTML page without one\n"
           "  POST /hpl/hplcom2E.php             the spot service's session protocol; the\n"
           "                                     account hiker / fern logs in\n"
           "  HEAD or GET /shisetsu/hplshisetsu.dat\n"
           "                                     a generated spot file with Last-Modified\n"
           "  GET /yama/image/gmap/gmap[_hearsay|_owner]_N.png\n"
           "                                     spot icons\n"
           "  GET /yama/shisetsu.html?shisetsuId=ID   a spot's page\n"
           "  GET /hpl/browser.html?SID=...      the embedded browser's page: the area or the\n"
           "                                     spot it is given, with links and a script\n"
           "                                     that call the program's browser bridge\n"
           "  GET /__stats                       requests received per path, as JSON\n"
           "  POST or GET /__reset               forgets those counts\n"
           "\n"
           "Options:\n"
           "  --port N             port to listen on (0, the default, picks a free one)\n"
           "  --tiles-dir DIR      serve the files DIR/{z}/{x}/{y}.png byte for byte instead\n"
           "                       of drawing tiles, wherever they lie; a missing file is a\n"
           "                       404 HTML page\n"
           "  --update-dir DIR     the update server's files\n"
           "Faults, for tests (R is a share from 0 to 1; which tiles are hit is decided by\n"
           "the request path, so a path always gets the same answer):\n"
           "  --delay-ms N         every tile request waits N ms before it is answered\n"
           "  --no-content-length  tile bodies are sent chunked, without Content-Length\n"
           "  --exit-with-stdin    end when standard input closes: a server started by a\n"
           "                       program that dies, even by a crash, goes with it\n"
           "  --html-rate R        that share of tiles is answered 200 with an HTML page\n"
           "                       (text/html, beginning <!DOCTYPE html>)\n"
           "  --drop-rate R        for that share of tiles the full Content-Length is\n"
           "                       announced, part of the body sent and the connection closed\n"
           "  --declination-without-marker\n"
           "                       the geomagnetic page carries no declination\n"
           "  --error-status N     every tile request is answered with HTTP status N (400-599)\n"
           "                       and an HTML page, as an overloaded server (503) does\n"
           "  --help               this text\n"
           "The spot service (repeat --session-text and --session-integer for more items):\n"
           "  --session-text NAME=TEXT    a text item in an accepted login's answer, after\n"
           "                              the others (Message=VersionUp, SubExecute=...)\n"
           "  --session-integer NAME=N    an integer item likewise\n"
           "  --session-mask-key HEX      the mask key an accepted login hands out\n"
           "  --session-keep-message TEXT KeepSession's answer carries this Message\n"
           "  --spot-date TEXT            the spot file's Last-Modified text\n"
           "  --spot-count N              spots in the spot file (0-100000, default 40)\n"
           "  --refuse-login              every login is refused as a wrong account\n"
           "  --bridge-port N             the browser bridge's port that an accepted login\n"
           "                              names and the browser page calls (0-65535,\n"
           "                              default 10031; 0: the program picks one)\n";
}

ParseOutcome ParseOptions(int argc, const char* const* argv, Options* options, std::string* error) {
    Options o;
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool hasInlineValue = false;
        if (auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInlineValue = true;
        }
        auto takesValue = [&](std::string_view name) {
            if (hasInlineValue) return true;
            if (i + 1 >= argc) {
                *error = std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto bad = [&](std::string_view what) {
            *error = "bad value for " + std::string(arg) + ": '" + std::string(value) + "' (" +
                     std::string(what) + ")";
            return ParseOutcome::Error;
        };

        if (arg == "--help" || arg == "-h") {
            if (hasInlineValue) return bad("takes no value");
            return ParseOutcome::Help;
        } else if (arg == "--no-content-length") {
            if (hasInlineValue) return bad("takes no value");
            o.noContentLength = true;
        } else if (arg == "--declination-without-marker") {
            if (hasInlineValue) return bad("takes no value");
            o.declinationWithoutMarker = true;
        } else if (arg == "--refuse-login") {
            if (hasInlineValue) return bad("takes no value");
            o.refuseLogin = true;
        } else if (arg == "--exit-with-stdin") {
            if (hasInlineValue) return bad("takes no value");
            o.exitWithStdin = true;
        } else if (arg == "--port") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseInt(value, 0, 65535, &o.port)) return bad("a port from 0 to 65535");
        } else if (arg == "--delay-ms") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseInt(value, 0, 600000, &o.delayMs))
                return bad("milliseconds from 0 to 600000");
        } else if (arg == "--html-rate") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseRate(value, &o.htmlRate)) return bad("a share from 0 to 1");
        } else if (arg == "--drop-rate") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseRate(value, &o.dropRate)) return bad("a share from 0 to 1");
        } else if (arg == "--update-dir") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            std::error_code ec;
            if (value.empty() || !std::filesystem::is_directory(value, ec))
                return bad("not a folder");
            o.updateDir = std::string(value);
        } else if (arg == "--error-status") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseInt(value, 400, 599, &o.errorStatus)) return bad("a status from 400 to 599");
        } else if (arg == "--tiles-dir") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            std::error_code ec;
            if (value.empty() || !std::filesystem::is_directory(value, ec))
                return bad("not a folder");
            o.tilesDir = std::string(value);
        } else if (arg == "--session-text" || arg == "--session-integer") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            auto eq = value.find('=');
            if (eq == 0 || eq == std::string_view::npos || eq > 255) return bad("NAME=VALUE");
            std::string name(value.substr(0, eq));
            if (arg == "--session-text") {
                o.sessionTextItems.emplace_back(name, std::string(value.substr(eq + 1)));
            } else {
                int number = 0;
                if (!ParseInt(value.substr(eq + 1), INT32_MIN, INT32_MAX, &number))
                    return bad("NAME=integer");
                o.sessionIntegerItems.emplace_back(name, number);
            }
        } else if (arg == "--session-mask-key") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (value.size() % 2 ||
                value.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
                return bad("hexadecimal bytes");
            o.sessionMaskKeyHex = std::string(value);
        } else if (arg == "--session-keep-message") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            o.sessionKeepMessage = std::string(value);
        } else if (arg == "--spot-date") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            o.spotDate = std::string(value);
        } else if (arg == "--bridge-port") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseInt(value, 0, 65535, &o.bridgePort)) return bad("a port from 0 to 65535");
        } else if (arg == "--spot-count") {
            if (!takesValue(arg)) return ParseOutcome::Error;
            if (!ParseInt(value, 0, 100000, &o.spotCount)) return bad("0 to 100000");
        } else {
            *error = "unknown option '" + std::string(argv[i]) + "'";
            return ParseOutcome::Error;
        }
    }
    *options = o;
    return ParseOutcome::Run;
}

}  // namespace hfp::devserver
