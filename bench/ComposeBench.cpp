// Map composition figures: a full-HD view composed with every tile in the memory cache, at
// scale 1.0 (plain copies) and 1.5 (every tile stretched).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "compose/CreateMap.h"
#include "geo/Projection.h"

namespace {

using namespace hfp;

constexpr int kLevel = 16;

// A data folder whose level-16 cache holds the same real tile at every position around the
// default centre, marked on disk in the level's index.
struct TileCache {
    std::filesystem::path folder;
    TileCache() {
        folder = std::filesystem::temp_directory_path() /
                 ("hfp-compose-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        TileStatusGrid grid(MakeMapSourceConfig(kLevel), folder);
        grid.LoadIndex();
        std::ifstream in(std::string(HFP_BENCH_DATA) + "/tile-std-16-57401-26000.png",
                         std::ios::binary);
        std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        TileAddress c = TileOfGeo(kLevel, kDefaultCenter);
        for (int32_t tx = c.tx - 12; tx <= c.tx + 12; ++tx) {
            grid.CreateTileFolders(tx);
            for (int32_t ty = c.ty - 8; ty <= c.ty + 8; ++ty) {
                std::ofstream(grid.TileFilePath(tx, ty), std::ios::binary) << png;
                grid.SetTileStatus(tx, ty, TileOnDisk);
            }
        }
        grid.SaveIndex();
    }
    ~TileCache() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

void BM_ComposeViewFromMemory(benchmark::State& state) {
    static TileCache cache;
    CCreateMap composer(500, true, 0, nullptr, cache.folder);
    MapRequest request;
    request.levelIndex = LevelIndex(kLevel);
    request.width = 1920;
    request.height = 1080;
    request.scale = static_cast<double>(state.range(0)) / 10;
    request.centerLon = kDefaultCenter.lon;
    request.centerLat = kDefaultCenter.lat;
    // The first composition loads the tiles from disk into memory.
    composer.CreateMap(request);
    while (!composer.IsDone())
        std::this_thread::yield();
    for (auto _ : state) {
        composer.CreateMap(request);
        if (!composer.IsDone()) state.SkipWithError("a tile was not in memory");
    }
}
BENCHMARK(BM_ComposeViewFromMemory)
    ->Arg(10)
    ->Arg(15)
    ->ArgName("scale_x10")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
