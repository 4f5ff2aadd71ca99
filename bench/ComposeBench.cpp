// Map composition figures: a full-HD view composed with every tile in the memory cache, at
// scale 1.0 (plain copies) and 1.5 (every tile stretched).
#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

#include "BenchTileCache.h"
#include "compose/CreateMap.h"

namespace {

using namespace hfp;

constexpr int kLevel = 16;

void BM_ComposeViewFromMemory(benchmark::State& state) {
    static bench::BenchTileCache cache(kLevel);
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
