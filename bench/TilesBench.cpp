// Tile decoding and the levels' index files.
//
//   LoadPngFromMemory      decoding a typical 256 × 256 map tile (a tile as hfp-devserver draws
//                          it, kept in bench/data); items/s is tiles per second
//   LoadIndexAllLevels     starting all twelve levels with full-size mst.dat files: time, and
//                          the resident memory this adds (counter resident_MiB)
//   ReadIndexFilesWhole    for comparison: what reading the twelve files whole would cost
//   SaveIndexLevel18       SaveIndex of level 18 (140591980 bytes, synced to disk)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tiles/PngDecoder.h"
#include "tiles/TileStatusGrid.h"

namespace {

using namespace hfp;
namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

void LoadPngFromMemoryBench(benchmark::State& state) {
    const std::string png = ReadWhole(fs::path(HFP_BENCH_DATA) / "tile-std-16-57401-26000.png");
    if (png.empty()) {
        state.SkipWithError("the tile in bench/data cannot be read");
        return;
    }
    for (auto _ : state) {
        DecodedTile tile;
        if (!LoadPngFromMemory(png.data(), png.size(), &tile)) {
            state.SkipWithError("the tile does not decode");
            return;
        }
        benchmark::DoNotOptimize(tile.pixels.get());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(png.size()));
    state.counters["png_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(LoadPngFromMemoryBench)->Name("LoadPngFromMemory");

// A data folder with a full-size mst.dat for every level, some tiles of each level marked so
// that the files are not all zero. Made once, removed at exit.
class IndexFolder {
  public:
    static const fs::path& Path() {
        static IndexFolder folder;
        return folder.m_path;
    }

  private:
    IndexFolder() {
        std::string pattern = (fs::temp_directory_path() / "hfp-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        m_path = pattern;
        for (int level = kMinLevel; level <= kMaxLevel; ++level) {
            TileStatusGrid grid(MakeMapSourceConfig(level), m_path);
            grid.LoadIndex();
            const TileGridGeometry& g = grid.geometry();
            for (int32_t i = 0; i < 1000; ++i)
                grid.SetTileStatus(g.x0 + (i * 7919) % (g.x1 - g.x0 + 1),
                                   g.yN + (i * 104729) % g.rows,
                                   i % 5 ? TileOnDisk : TileUnavailable);
            fs::create_directories(grid.LevelFolder());
            grid.SaveIndex();
        }
    }
    ~IndexFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    fs::path m_path;
};

void LoadIndexAllLevels(benchmark::State& state) {
    const fs::path& data = IndexFolder::Path();
    double resident = 0;
    for (auto _ : state) {
        const int64_t before = ResidentBytes();
        std::vector<std::unique_ptr<TileStatusGrid>> grids;
        for (int level = kMinLevel; level <= kMaxLevel; ++level) {
            grids.push_back(std::make_unique<TileStatusGrid>(MakeMapSourceConfig(level), data));
            grids.back()->LoadIndex();
            // The first lookup of a level, as the map view's first paint does.
            const TileGridGeometry& g = grids.back()->geometry();
            benchmark::DoNotOptimize(
                grids.back()->GetTileStatus((g.x0 + g.x1) / 2, (g.yN + g.yS) / 2));
        }
        resident = static_cast<double>(ResidentBytes() - before);
        state.PauseTiming();
        grids.clear();
        state.ResumeTiming();
    }
    state.counters["resident_MiB"] = resident / (1 << 20);
}
BENCHMARK(LoadIndexAllLevels)->Unit(benchmark::kMillisecond);

void ReadIndexFilesWhole(benchmark::State& state) {
    const fs::path& data = IndexFolder::Path();
    double resident = 0;
    for (auto _ : state) {
        const int64_t before = ResidentBytes();
        std::vector<std::string> files;
        for (int level = kMinLevel; level <= kMaxLevel; ++level)
            files.push_back(ReadWhole(data / "map" / ("xyz" + std::to_string(level)) / "mst.dat"));
        resident = static_cast<double>(ResidentBytes() - before);
        benchmark::DoNotOptimize(files.data());
    }
    state.counters["resident_MiB"] = resident / (1 << 20);
}
BENCHMARK(ReadIndexFilesWhole)->Unit(benchmark::kMillisecond);

void SaveIndexLevel18(benchmark::State& state) {
    TileStatusGrid grid(MakeMapSourceConfig(18), IndexFolder::Path());
    grid.LoadIndex();
    const TileGridGeometry& g = grid.geometry();
    int32_t i = 0;
    for (auto _ : state) {
        // A run's worth of changes: a few hundred tiles put into memory.
        for (int k = 0; k < 300; ++k, ++i)
            grid.SetTileStatus(g.x0 + (i * 7919) % (g.x1 - g.x0 + 1), g.yN + (i * 31) % g.rows,
                               TileInMemory);
        if (!grid.SaveIndex()) {
            state.SkipWithError("SaveIndex failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * (g.bytes() + 100));
}
BENCHMARK(SaveIndexLevel18)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
