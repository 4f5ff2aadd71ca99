#include <cstdio>

#include "cli/Cli.h"
#include "print/Declination.h"

namespace hfp::cli {

namespace {

int PrintDeclination(Args& args) {
    std::string calcText = "1";
    args.Option("--calc", &calcText);
    auto words = args.Positionals();
    if (args.wrong() || words.size() != 2) return kExitUsage;
    int32_t longitude, latitude;
    long long calc;
    if (!ReadGeoValue(args, "LON", words[0], true, &longitude) ||
        !ReadGeoValue(args, "LAT", words[1], false, &latitude))
        return kExitUsage;
    if (!ParseInt(calcText, &calc) || calc < 0 || calc > 2) {
        args.SetWrong("--calc must be 0, 1 or 2, not \"" + calcText + "\"");
        return kExitUsage;
    }
    std::string error;
    auto declination =
        GetMagneticDeclination(longitude, latitude, static_cast<int>(calc), false, {}, &error);
    if (!declination) {
        std::fprintf(stderr, "hfp: Magnetic declination getting error. (%s)\n", error.c_str());
        return kExitFailure;
    }
    std::printf("%d\t%s\n", declination->value, declination->Label().c_str());
    return kExitOk;
}

}  // namespace

void AddDeclinationCommands(std::vector<Command>& commands) {
    commands.push_back({{"declination"},
                        "LON LAT [--calc 0|1|2]",
                        "Print the magnetic declination at a place (geo units or coordinate "
                        "text) as its packed value and the label of a sheet, tab-separated. "
                        "--calc: 0 the geomagnetic service, 1 the 2010 formula (default), 2 the "
                        "2000 formula.",
                        PrintDeclination,
                        kDrawsNothing});
}

}  // namespace hfp::cli
