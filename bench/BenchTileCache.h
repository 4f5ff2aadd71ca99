#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "geo/MapSourceConfig.h"
#include "geo/Projection.h"
#include "tiles/TileStatusGrid.h"

namespace hfp::bench {

// A data folder whose cache of `level` holds the same real tile at every position around
// the default centre (25 × 17 tiles, enough for a 3840 × 2160 view at scale 1), marked on disk in
// the level's index. Removed when the object goes.
struct BenchTileCache {
    std::filesystem::path folder;
    explicit BenchTileCache(int level) {
        folder = std::filesystem::temp_directory_path() /
                 ("hfp-bench-cache-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        TileStatusGrid grid(MakeMapSourceConfig(level), folder);
        grid.LoadIndex();
        std::ifstream in(std::string(HFP_BENCH_DATA) + "/tile-std-16-57401-26000.png",
                         std::ios::binary);
        std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        TileAddress c = TileOfGeo(level, kDefaultCenter);
        for (int32_t tx = c.tx - 12; tx <= c.tx + 12; ++tx) {
            grid.CreateTileFolders(tx);
            for (int32_t ty = c.ty - 8; ty <= c.ty + 8; ++ty) {
                std::ofstream(grid.TileFilePath(tx, ty), std::ios::binary) << png;
                grid.SetTileStatus(tx, ty, TileOnDisk);
            }
        }
        grid.SaveIndex();
    }
    ~BenchTileCache() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    BenchTileCache(const BenchTileCache&) = delete;
    BenchTileCache& operator=(const BenchTileCache&) = delete;
};

}  // namespace hfp::bench
