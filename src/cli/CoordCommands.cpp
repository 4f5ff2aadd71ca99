#include <cstdio>

#include "cli/Cli.h"
#include "geo/CoordinateText.h"

namespace hfp::cli {

namespace {

int Format(Args& args) {
    auto words = args.Positionals();
    long long value;
    if (args.wrong() || words.size() != 1 || !ParseInt(words[0], &value) || value < INT32_MIN ||
        value > INT32_MAX)
        return kExitUsage;
    std::printf("%s\n", FormatCoordinateText(static_cast<int32_t>(value)).c_str());
    return kExitOk;
}

int Parse(Args& args) {
    std::string lat, lon;
    bool hasLat = args.Option("--lat", &lat);
    bool hasLon = args.Option("--lon", &lon);
    if (!args.Positionals().empty() || args.wrong() || hasLat == hasLon) return kExitUsage;
    std::printf("%d\n", ParseCoordinateText(hasLon ? lon : lat, hasLon));
    return kExitOk;
}

}  // namespace

void AddCoordCommands(std::vector<Command>& commands) {
    commands.push_back({{"coord", "format"},
                        "VALUE",
                        "Print a geo-unit value as packed digits (DDMMSSss or DDDMMSSss).",
                        Format,
                        kDrawsNothing});
    commands.push_back({{"coord", "parse"},
                        "--lat TEXT | --lon TEXT",
                        "Print the geo-unit value of a coordinate text, or -1 when it is "
                        "rejected.",
                        Parse,
                        kDrawsNothing});
}

}  // namespace hfp::cli
