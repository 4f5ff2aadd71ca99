#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hfp::devserver {

// The command line of hfp-devserver.
struct Options {
    int port = 0;                  // 0: any free port
    std::string tilesDir;          // serve DIR/{z}/{x}/{y}.png instead of drawing tiles
    std::string updateDir;         // the files of the update server, under /update/
    int delayMs = 0;               // every tile request waits this long before it is answered
    bool noContentLength = false;  // tile bodies go out chunked, without Content-Length
    double htmlRate = 0.0;         // share of tile paths answered with an HTML page
    double dropRate = 0.0;         // share of tile paths whose connection drops mid-body
    bool declinationWithoutMarker = false;  // the geomagnetic page carries no declination
    int errorStatus = 0;         // not 0: every tile request gets this status, an HTML page
    bool exitWithStdin = false;  // end when standard input closes (the starter has gone)
    // The spot service: items added to an accepted SendStart's answer, the mask key it hands
    // out (hex), KeepSession's Message, the spot file's Last-Modified text and spot count.
    std::vector<std::pair<std::string, std::string>> sessionTextItems;
    std::vector<std::pair<std::string, int>> sessionIntegerItems;
    std::string sessionMaskKeyHex;
    std::string sessionKeepMessage;
    std::string spotDate = "Mon, 07 Dec 2026 00:00:00 GMT";
    int spotCount = 40;
    bool refuseLogin = false;  // every SendStart is refused as a wrong account
    int bridgePort = 10031;    // the login's "ListenBrowserPortNumber", which the page calls
};

enum class ParseOutcome { Run, Help, Error };

// Reads the arguments after the program name. On Error, `error` says what was wrong.
ParseOutcome ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

std::string UsageText();

}  // namespace hfp::devserver
