// Write sets and write.dat.
//
//   SaveWriteFile100k     CWrite::SaveFile of 100,000 objects (every class, lines of 10 points):
//                         encoding, writing, syncing and renaming over the old file
//   EncodeWriteFile100k   the encoding alone (CWrite::SaveBytes)
//   LoadWriteFile100k     CWrite::LoadFile of the same file
//   DrawSet10kWith100InView
//                         CWrite::DrawSets of one set of 10,000 objects of which 100 lie in the
//                         800 × 600 view at level 16: lines, rectangles, ellipses and strings;
//                         the other 9,900 are skipped by their boxes
//   ExportSet10kWith100Pictures, ImportSet10kWith100Pictures
//                         a set of 10,000 objects whose 2,000 pictures use 100 files of 32 KB,
//                         written to an exchange file with its picture folder, and read back
//                         into a set with the pictures copied into an empty data folder
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QGuiApplication>
#include <filesystem>
#include <memory>

#include "compose/DivBitmap.h"
#include "geo/Projection.h"
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "write/Write.h"
#include "write/WriteExchange.h"
#include "write/WriteObjectEllipse.h"
#include "write/WriteObjectLine.h"
#include "write/WriteObjectPicture.h"
#include "write/WriteObjectRectangle.h"
#include "write/WriteObjectString.h"
#include "write/WriteSaver.h"

namespace {

using namespace hfp;
namespace fs = std::filesystem;

fs::path BenchFolder() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("hfp-write-bench-" + std::to_string(::getpid()));
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

// Object i of a set spread over a large area; `near` puts it around (lon, lat) instead.
std::unique_ptr<CWriteObject> MakeObject(int i, int32_t lon, int32_t lat) {
    switch (i % 5) {
        case 0: {
            auto line = std::make_unique<CWriteObjectLine>();
            for (int k = 0; k < 10; ++k)
                line->m_aPoints.push_back(WritePoint{lon + k * 150, lat + (k % 2) * 120});
            line->m_nSize = 3;
            line->m_crColor = MakeColorref(200, 30, 30);
            line->UpdateBounds();
            return line;
        }
        case 1: {
            auto rect = std::make_unique<CWriteObjectRectangle>();
            rect->m_rcShape = WriteShape{lon, lat, lon + 900, lat + 600};
            rect->m_nStyle = 1;
            rect->UpdateBounds();
            return rect;
        }
        case 2: {
            auto ellipse = std::make_unique<CWriteObjectEllipse>();
            ellipse->m_rcShape = WriteShape{lon, lat, lon + 800, lat + 800};
            ellipse->m_nTransparency = 60;
            ellipse->UpdateBounds();
            return ellipse;
        }
        case 3: {
            auto text = std::make_unique<CWriteObjectString>();
            text->m_rcShape = WriteShape{lon, lat, lon + 1200, lat + 300};
            text->m_strText = "Hut " + std::to_string(i);
            text->UpdateBounds();
            return text;
        }
        default: {
            auto picture = std::make_unique<CWriteObjectPicture>();
            picture->m_rcShape = WriteShape{lon, lat, lon + 500, lat + 500};
            picture->m_strFile = "/pictures/missing-" + std::to_string(i % 50) + ".png";
            picture->UpdateBounds();
            return picture;
        }
    }
}

// A write file of `count` objects in 10 sets, spread over the service area.
void FillWrite(CWrite& write, int count) {
    for (int s = 0; s < 10; ++s)
        write.AddSet("Set " + std::to_string(s));
    for (int i = 0; i < count; ++i) {
        const auto lon = static_cast<int32_t>(
            kServiceWest + (i * int64_t{7919}) % (kServiceEast - kServiceWest - 2000));
        const auto lat = static_cast<int32_t>(
            kServiceSouth + (i * int64_t{104729}) % (kServiceNorth - kServiceSouth - 2000));
        write.Set(i % 10).aObjects.push_back(MakeObject(i, lon, lat));
    }
    for (int s = 0; s < 10; ++s)
        write.UpdateSetBox(s);
}

void SaveWriteFile100k(benchmark::State& state) {
    CWrite write;
    FillWrite(write, 100000);
    const fs::path file = BenchFolder() / "write.dat";
    for (auto _ : state) {
        if (!write.SaveFile(file)) {
            state.SkipWithError("the write file cannot be saved");
            return;
        }
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(SaveWriteFile100k)->Unit(benchmark::kMillisecond);

void EncodeWriteFile100k(benchmark::State& state) {
    CWrite write;
    FillWrite(write, 100000);
    for (auto _ : state)
        benchmark::DoNotOptimize(write.SaveBytes());
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(EncodeWriteFile100k)->Unit(benchmark::kMillisecond);

// What a committed change costs the user interface thread for the autosave of 100,000
// objects: taking the newest undo snapshot of every set and handing them over, while the
// saving thread encodes and writes the earlier ones on its own.
void AutosaveHandOver100k(benchmark::State& state) {
    CWrite write;
    FillWrite(write, 100000);
    for (int s = 0; s < write.SetCount(); ++s)
        write.PushUndo(s);
    WriteSaver saver(BenchFolder() / "write-auto.dat", std::chrono::milliseconds(0), nullptr);
    for (auto _ : state) {
        WriteSaveJob job;
        if (!write.SaveJob(&job)) state.SkipWithError("no memory for the snapshots");
        saver.Schedule(std::move(job));
    }
    saver.Stop();
}
BENCHMARK(AutosaveHandOver100k)->Unit(benchmark::kMicrosecond);

void LoadWriteFile100k(benchmark::State& state) {
    const fs::path file = BenchFolder() / "write-load.dat";
    {
        CWrite write;
        FillWrite(write, 100000);
        if (!write.SaveFile(file)) {
            state.SkipWithError("the write file cannot be saved");
            return;
        }
    }
    for (auto _ : state) {
        CWrite write;
        if (!write.LoadFile(file)) {
            state.SkipWithError("the write file does not load");
            return;
        }
        benchmark::DoNotOptimize(write.SetCount());
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(LoadWriteFile100k)->Unit(benchmark::kMillisecond);

void DrawSet10kWith100InView(benchmark::State& state) {
    ViewTransform view;
    view.center = kDefaultCenter;
    view.level = 16;
    view.width = 800;
    view.height = 600;
    const WriteTransform t = WriteTransform::OfView(view);
    const GeoBox viewBox{t.GeoX(0), t.GeoY(600), t.GeoX(800), t.GeoY(0)};

    CWrite write;
    write.AddSet("Default");
    int inView = 0;
    for (int i = 0; i < 10000; ++i) {
        int32_t lon, lat;
        if (i % 100 == 0) {
            // Spread over the view, which is about 6200 × 3800 geo units.
            lon = viewBox.left + (i / 100 % 10) * 550;
            lat = viewBox.bottom + (i / 1000) * 350;
        } else {
            lon = static_cast<int32_t>(kServiceWest + (i * int64_t{7919}) % 4000000);
            lat = static_cast<int32_t>(kServiceSouth + (i * int64_t{104729}) % 3000000);
        }
        // Strings and lines, rectangles and ellipses in view; no pictures (their files would
        // be missing).
        auto object = MakeObject(i % 4 == 0 ? (i / 100) % 4 : i, lon, lat);
        if (object->m_rcBounds.Meets(viewBox, 100)) ++inView;
        write.Set(0).aObjects.push_back(std::move(object));
    }
    write.UpdateSetBox(0);
    CDivBitmap target;
    target.Create(800, 600, 0);
    for (auto _ : state)
        write.DrawSets(target, t, viewBox);
    state.counters["in_view"] = inView;
}
BENCHMARK(DrawSet10kWith100InView)->Unit(benchmark::kMillisecond);

// One set of 10,000 objects; its pictures use 100 real files.
std::vector<std::unique_ptr<CWriteObject>> ExchangeSet() {
    const fs::path pictures = BenchFolder() / "source-pictures";
    fs::create_directories(pictures);
    for (int k = 0; k < 100; ++k) {
        std::string bytes(32 * 1024, static_cast<char>(k));
        FILE* f = std::fopen((pictures / ("photo" + std::to_string(k) + ".png")).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::vector<std::unique_ptr<CWriteObject>> objects;
    for (int i = 0; i < 10000; ++i) {
        auto object = MakeObject(i, kServiceWest + i * 37, kServiceSouth + i * 23);
        if (auto* picture = dynamic_cast<CWriteObjectPicture*>(object.get()))
            picture->m_strFile = (pictures / ("photo" + std::to_string(i % 100) + ".png")).string();
        objects.push_back(std::move(object));
    }
    return objects;
}

void ExportSet10kWith100Pictures(benchmark::State& state) {
    const auto objects = ExchangeSet();
    const fs::path folder = BenchFolder() / "exchange";
    RecordingMessages messages;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(folder);
        fs::create_directories(folder);
        state.ResumeTiming();
        ProgressControl progress;
        const std::string error =
            ExportWriteSet("Set", objects, folder / "set.csv", progress, messages);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(ExportSet10kWith100Pictures)->Unit(benchmark::kMillisecond);

void ImportSet10kWith100Pictures(benchmark::State& state) {
    const fs::path folder = BenchFolder() / "exchange-in";
    const fs::path data = BenchFolder() / "data";
    fs::create_directories(folder);
    RecordingMessages messages;
    ProgressControl progress;
    ExportWriteSet("Set", ExchangeSet(), folder / "set.csv", progress, messages);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(data);
        state.ResumeTiming();
        std::vector<std::unique_ptr<CWriteObject>> objects;
        const std::string error =
            ImportWriteSet(folder / "set.csv", data, progress, messages, &objects);
        if (!error.empty() || objects.size() != 10000) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(ImportSet10kWith100Pictures)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Strings need the font database of a GUI application.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(BenchFolder(), ignored);
    return 0;
}
