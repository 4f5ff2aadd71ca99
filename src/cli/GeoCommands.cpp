#include <cstdio>

#include "cli/Cli.h"
#include "geo/MapSourceConfig.h"
#include "geo/Projection.h"

namespace hfp::cli {

namespace {

int Pixel(Args& args) {
    auto words = args.Positionals();
    int level;
    double lon, lat;
    if (args.wrong() || words.size() != 3 || !ParseLevel(args, words[0], &level) ||
        !ParseDouble(words[1], &lon) || !ParseDouble(words[2], &lat))
        return kExitUsage;
    std::printf("%.6f %.6f\n", LonToPixelX(level, lon), LatToPixelY(level, lat));
    return kExitOk;
}

int Tile(Args& args) {
    auto words = args.Positionals();
    int level;
    long long lon, lat;
    if (args.wrong() || words.size() != 3 || !ParseLevel(args, words[0], &level) ||
        !ParseInt(words[1], &lon) || !ParseInt(words[2], &lat) || lon < INT32_MIN ||
        lon > INT32_MAX || lat < INT32_MIN || lat > INT32_MAX)
        return kExitUsage;
    GeoPoint point{static_cast<int32_t>(lat), static_cast<int32_t>(lon)};
    TileAddress a = TileOfGeo(level, point);
    std::printf("tile %d %d pixel %d %d path %s\n", a.tx, a.ty, a.px, a.py,
                TileRequestPath(MakeMapSourceConfig(level), a.tx, a.ty).c_str());
    return kExitOk;
}

}  // namespace

void AddGeoCommands(std::vector<Command>& commands) {
    commands.push_back({{"geo", "pixel"},
                        "LEVEL LON_DEG LAT_DEG",
                        "Print the world pixel position (x y) of a place at a zoom level (7-18).",
                        Pixel,
                        kDrawsNothing});
    commands.push_back({{"geo", "tile"},
                        "LEVEL LON_GEO LAT_GEO",
                        "Print the tile, the pixel in it and the tile's request path for a "
                        "place in geo units (1/360000 degree).",
                        Tile,
                        kDrawsNothing});
}

}  // namespace hfp::cli
