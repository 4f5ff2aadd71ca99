// Map window figures: from making the main window to the first complete map with the tiles
// on disk, and one step of dragging the map (compose and paint a full-HD view with the tiles
// in memory). Runs on the offscreen platform.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <chrono>
#include <clocale>
#include <memory>

#include "BenchTileCache.h"
#include "app/MainFrame.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"
#include "view/HollowfernPlotterView.h"

namespace {

using namespace hfp;

constexpr int kLevel = 16;
constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;

// Counts the view's paints.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The tiles on disk, the settings of a window that starts at them, and no server: a tile
// missing from the cache would be an error, not a download.
const bench::BenchTileCache& Cache() {
    static const bench::BenchTileCache cache(kLevel);
    static const bool prepared = [] {
        SetDataFolderOverride(cache.folder);
        PointAllServicesAt("http://127.0.0.1:9");
        CSetData settings;
        settings.m_mapType = LevelIndex(kLevel);
        return settings.Save(cache.folder);
    }();
    (void)prepared;
    return cache;
}

// Makes the window's view the given size.
void SizeView(CMainFrame& frame) {
    const QSize view = frame.view()->size();
    frame.resize(frame.width() + kViewWidth - view.width(),
                 frame.height() + kViewHeight - view.height());
}

void BM_StartToFirstCompleteMap(benchmark::State& state) {
    Cache();
    RecordingMessages messages;
    for (auto _ : state) {
        auto begin = std::chrono::steady_clock::now();
        auto frame = std::make_unique<CMainFrame>(&messages);
        PaintCounter counter;
        frame->view()->installEventFilter(&counter);
        frame->show();
        SizeView(*frame);
        CHollowfernPlotterView* view = frame->view();
        CCreateMap* composer = view->composer();
        // The map composed at the window's size, every tile in, and a paint after the last.
        while (!view->mapComposed() || view->mapBitmap().width() != kViewWidth ||
               !composer->IsDone())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const int paints = counter.paints;
        while (counter.paints == paints)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        frame->view()->removeEventFilter(&counter);
        frame.reset();  // stopping the providers is not part of the start
    }
    if (!messages.records().empty()) state.SkipWithError(messages.records()[0].text.c_str());
}
BENCHMARK(BM_StartToFirstCompleteMap)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DragStep(benchmark::State& state) {
    Cache();
    RecordingMessages messages;
    CMainFrame frame(&messages);
    frame.show();
    SizeView(frame);
    CHollowfernPlotterView* view = frame.view();
    CCreateMap* composer = view->composer();
    while (!view->mapComposed() || view->mapBitmap().width() != kViewWidth || !composer->IsDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();

    const QPointF start(kViewWidth / 2, kViewHeight / 2);
    QMouseEvent press(QEvent::MouseButtonPress, start, view->mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by three pixels, so that the map stays on the cached tiles.
        const QPointF to = start + QPointF((step++ % 2) ? 0 : 3, 0);
        QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        if (!composer->IsDone()) state.SkipWithError("a tile was not in memory");
    }
    QMouseEvent release(QEvent::MouseButtonRelease, start, view->mapToGlobal(start), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &release);
    if (view->mapBitmap().width() != kViewWidth) state.SkipWithError("wrong size");
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
