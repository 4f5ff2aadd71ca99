// Tile provider figures: the cost of starting the twelve levels with full-size index files,
// and the CPU the running providers use while there is no work.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "geo/MapSourceConfig.h"
#include "tiles/MapProvider.h"

namespace {

using namespace hfp;

// A data folder with an mst.dat of full size for every level (about 190 MB in all), every
// tile of it on disk, made once per run.
struct RemovedAtExit {
    std::filesystem::path path;
    ~RemovedAtExit() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& FullIndexFolder() {
    static const RemovedAtExit folder{[] {
        std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("hfp-bench-" + std::to_string(::getpid()));
        for (int level = kMinLevel; level <= kMaxLevel; ++level) {
            TileStatusGrid grid(MakeMapSourceConfig(level), dir);
            std::filesystem::create_directories(grid.LevelFolder());
            std::ofstream out(grid.IndexFilePath(), std::ios::binary);
            std::string header(kIndexHeaderSize, '\0');
            header.replace(0, kIndexMagicSize, kIndexMagic);
            out << header;
            std::string row(static_cast<std::size_t>(grid.geometry().bytesPerRow), '\xAA');
            for (int r = 0; r < grid.geometry().rows; ++r)
                out << row;
        }
        return dir;
    }()};
    return folder.path;
}

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::array<std::unique_ptr<CMapProvider>, kLevelCount> StartAll(bool highSpeed) {
    std::array<std::unique_ptr<CMapProvider>, kLevelCount> providers;
    for (int i = 0; i < kLevelCount; ++i) {
        MapSourceConfig config = MakeMapSourceConfig(LevelOfIndex(i));
        config.server = "127.0.0.1:9";  // never asked: nothing is requested
        config.highSpeedDownload = highSpeed;
        providers[static_cast<std::size_t>(i)] = std::make_unique<CMapProvider>();
        providers[static_cast<std::size_t>(i)]->Start(config, FullIndexFolder());
    }
    return providers;
}

// Start of all twelve levels with their index files present. The stop (which saves the
// indexes) is not timed.
void BM_StartTwelveProviders(benchmark::State& state) {
    FullIndexFolder();
    long before = ResidentKilobytes();
    long grown = 0;
    for (auto _ : state) {
        auto providers = StartAll(true);
        grown = ResidentKilobytes() - before;
        state.PauseTiming();
        for (auto& p : providers)
            p.reset();
        state.ResumeTiming();
    }
    state.counters["resident_growth_kB"] = static_cast<double>(grown);
}
BENCHMARK(BM_StartTwelveProviders)->Unit(benchmark::kMillisecond)->Iterations(3);

// Twelve running providers with nothing to do for 10 s (their threads start with their first
// queued request, so none runs here).
void BM_IdleTwelveProviders(benchmark::State& state) {
    for (auto _ : state) {
        auto providers = StartAll(true);
        double cpu = CpuSeconds();
        auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        double used = CpuSeconds() - cpu;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["idle_cpu_ms"] = used * 1000;
        state.PauseTiming();
        for (auto& p : providers)
            p.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_IdleTwelveProviders)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
