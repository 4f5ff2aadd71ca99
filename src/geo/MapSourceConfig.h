#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "geo/GeoPoint.h"

namespace hfp {

struct TileReport;

// A level's memory tile cache holds 1 to kMemoryTileLimitMax tiles. Every reader of a stored
// or given limit checks it against this one range: settings read a value outside it as
// kMemoryTileLimitDefault, and the providers clamp to it.
constexpr int kMemoryTileLimitMax = 20000;
constexpr int kMemoryTileLimitDefault = 500;

// Where the tiles of one zoom level come from and where they are kept.
struct MapSourceConfig {
    int level = kMinLevel;
    std::string folderName;  // "xyz<level>", the level's folder in the tile cache
    std::string server;      // host of the tile server (may carry a port); empty: no downloads
    std::string pathPrefix;  // "/xyz/english/" (levels 7-11) or "/xyz/std/" (12-18)
    int32_t west = kServiceWest;
    int32_t east = kServiceEast;
    int32_t south = kServiceSouth;
    int32_t north = kServiceNorth;
    int memoryTileLimit = kMemoryTileLimitDefault;  // clamped to 1…kMemoryTileLimitMax
    bool highSpeedDownload = true;
    // Downloads are for later runs (a prefetch before a trip): a downloaded tile's PNG is
    // checked whole but not decoded, written at once and becomes TileOnDisk, not a tile in
    // memory.
    bool storeOnly = false;
    std::string userAgent;  // sent with every tile request; empty: libcurl sends none
    // Called on the provider thread that finished a tile it had queued: the tile, the
    // generation of the latest request for it and what became of it.
    std::function<void(const TileReport& report)> tileReady;
};

// The configuration of `level` with the configured tile server and the service area; the
// memory limit and the download mode are left for the caller to fill from the settings.
MapSourceConfig MakeMapSourceConfig(int level);

// "/xyz/std/16/58210/25803.png": the request path of a tile on the tile server.
std::string TileRequestPath(const MapSourceConfig& config, int32_t tx, int32_t ty);
// "<data folder>/map/xyz16/58210/25803.png": where the tile is kept on disk.
std::filesystem::path TileFilePath(const std::filesystem::path& dataFolder,
                                   const MapSourceConfig& config, int32_t tx, int32_t ty);

}  // namespace hfp
