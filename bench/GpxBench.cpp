// GPX exchange of write sets.
//
//   ImportGpxTrack200k   ReadGpxFile of one track of 200,000 points as a GPS unit writes them
//                        (elevation and time on every point; 21 MB), the file in the page
//                        cache: reading, XML parsing and making the connected lines
//   ExportGpxTrack200k   ExportGpxFile of the lines read from it: writing the temporary file,
//                        fsync and the rename over the old file
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/Progress.h"
#include "write/WriteGpx.h"

namespace {

using namespace hfp;
namespace fs = std::filesystem;

constexpr int kPoints = 200000;

fs::path g_folder;  // a temporary folder of the run's own, made and removed by main

// A day's walk logged every second: a track of kPoints points winding north-west of Fuji.
fs::path TrackFile() {
    const fs::path file = g_folder / "track.gpx";
    if (fs::exists(file)) return file;
    FILE* f = std::fopen(file.c_str(), "w");
    std::fprintf(f,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx "
                 "xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"bench\">"
                 "<metadata><name>Long walk</name></metadata><trk><name>Day</name><trkseg>\n");
    for (int i = 0; i < kPoints; ++i)
        std::fprintf(f,
                     "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.1f</ele>"
                     "<time>2024-05-03T%02d:%02d:%02dZ</time></trkpt>\n",
                     35.3 + i * 2e-7 + 0.001 * std::sin(i / 500.0),
                     138.6 + i * 3e-7 + 0.001 * std::cos(i / 700.0), 1500 + 0.01 * (i % 9000),
                     i / 3600 % 24, i / 60 % 60, i % 60);
    std::fprintf(f, "</trkseg></trk></gpx>\n");
    std::fclose(f);
    return file;
}

void ImportGpxTrack200k(benchmark::State& state) {
    const fs::path file = TrackFile();
    for (auto _ : state) {
        ProgressControl progress;
        GpxImport read;
        const std::string error = ReadGpxFile(file, progress, &read);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
}
BENCHMARK(ImportGpxTrack200k)->Unit(benchmark::kMillisecond);

void ExportGpxTrack200k(benchmark::State& state) {
    ProgressControl progress;
    GpxImport read;
    if (const std::string error = ReadGpxFile(TrackFile(), progress, &read); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    const fs::path out = g_folder / "out.gpx";
    for (auto _ : state) {
        int leftOut = 0;
        const std::string error = ExportGpxFile("Long walk", read.objects, out, progress, &leftOut);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
}
BENCHMARK(ExportGpxTrack200k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::string folder = (fs::temp_directory_path() / "hfp-gpx-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 1;
    g_folder = folder;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(g_folder, ignored);
    return 0;
}
