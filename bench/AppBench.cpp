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
#include <functional>
#include <memory>

#include "BenchTileCache.h"
#include "app/MainFrame.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"
#include "view/HollowfernPlotterView.h"
#include "write/WriteObjectRectangle.h"

namespace {

using namespace hfp;

constexpr int kLevel = 16;
constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;

// Counts the view's paints, and those that begin in the state `complete` tells.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    int completePaints = 0;
    std::function<bool()> complete;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        ++paints;
        if (complete && complete()) ++completePaints;
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
void SizeView(CMainFrame& frame, int width = kViewWidth, int height = kViewHeight) {
    const QSize view = frame.view()->size();
    frame.resize(frame.width() + width - view.width(), frame.height() + height - view.height());
}

// Shows the window with its view at the given size and waits until its map is complete.
void ShowWithMap(CMainFrame& frame, int width = kViewWidth, int height = kViewHeight) {
    frame.show();
    SizeView(frame, width, height);
    CHollowfernPlotterView* view = frame.view();
    while (!view->mapComposed() || view->mapBitmap().width() != width ||
           !view->composer()->IsDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_StartToFirstCompleteMap(benchmark::State& state) {
    Cache();
    RecordingMessages messages;
    for (auto _ : state) {
        auto begin = std::chrono::steady_clock::now();
        auto frame = std::make_unique<CMainFrame>(&messages);
        PaintCounter counter;
        CHollowfernPlotterView* view = frame->view();
        // A paint that begins with the map composed at the window's size and every tile
        // drawn. (The composition is done only after the last tile's notify has returned, so
        // the paint that notify asks for may begin before; a paint after "done" may never
        // come.)
        counter.complete = [view] {
            return view->mapComposed() && view->mapBitmap().width() == kViewWidth &&
                   view->composer()->pending() == 0;
        };
        view->installEventFilter(&counter);
        frame->show();
        SizeView(*frame);
        while (counter.completePaints == 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        frame->view()->removeEventFilter(&counter);
        frame.reset();  // stopping the providers is not part of the start
    }
    if (!messages.records().empty()) state.SkipWithError(messages.records()[0].text.c_str());
}
BENCHMARK(BM_StartToFirstCompleteMap)->UseManualTime()->Unit(benchmark::kMillisecond);

// One step of dragging the map over a view of width × height (the two arguments).
void BM_DragStep(benchmark::State& state) {
    Cache();
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    RecordingMessages messages;
    CMainFrame frame(&messages);
    ShowWithMap(frame, width, height);
    CHollowfernPlotterView* view = frame.view();
    CCreateMap* composer = view->composer();
    QCoreApplication::processEvents();

    const QPointF start(width / 2, height / 2);
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
    if (view->mapBitmap().width() != width) state.SkipWithError("wrong size");
}
BENCHMARK(BM_DragStep)
    ->ArgNames({"width", "height"})
    ->Args({kViewWidth, kViewHeight})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);

// One mouse move while dragging a selected rectangle over the view, whose set holds 10,000
// rectangles on a grid with 10 × 10 of them in view: the object's drag step and its paint.
void BM_ObjectDragStep(benchmark::State& state) {
    Cache();
    RecordingMessages messages;
    CMainFrame frame(&messages);
    ShowWithMap(frame);
    CHollowfernPlotterView* view = frame.view();
    const ViewTransform t = view->Transform();
    const auto stepX = static_cast<int32_t>(kViewWidth / t.kx() / 10);
    const auto stepY = static_cast<int32_t>(kViewHeight / t.ky() / 10);
    for (int i = 0; i < 10000; ++i) {
        auto r = std::make_unique<CWriteObjectRectangle>();
        const int32_t x = t.center.lon + (i % 100 - 50) * stepX;
        const int32_t y = t.center.lat + (i / 100 - 50) * stepY;
        r->m_rcShape = WriteShape{x, y, x + stepX / 3, y + stepY / 3};
        r->m_nSize = 3;
        r->UpdateBounds();
        view->write().Set(0).aObjects.push_back(std::move(r));
    }
    view->write().UpdateSetBox(0);
    view->write().PushUndo(0);
    view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
    // A press on the corner of the rectangle at the centre selects it and starts its drag.
    const QPointF start(kViewWidth / 2, kViewHeight / 2);
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton b, Qt::MouseButtons held) {
        QMouseEvent event(type, at, view->mapToGlobal(at), b, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    if (view->selection().size() != 1) state.SkipWithError("no object under the centre");
    PaintCounter counter;
    view->installEventFilter(&counter);
    int step = 0;
    for (auto _ : state) {
        const QPointF to = start + QPointF((step++ % 2) ? 0 : 3, 0);
        const int paints = counter.paints;
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        while (counter.paints == paints)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    view->removeEventFilter(&counter);
    send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_ObjectDragStep)->Unit(benchmark::kMillisecond);

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
