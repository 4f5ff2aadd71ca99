// Page decoration figures: every grid-line family with sublines and labels drawn on an A3
// sheet at 300 dpi, and the screen layout's grid lines on a full-HD view.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "compose/DivBitmap.h"
#include "geo/GroundDistance.h"
#include "print/Declination.h"
#include "print/GridLines.h"

namespace {

using namespace hfp;

// Every family on, each with translucent additional lines (solid or dotted) and scale lines,
// labels at both ends.
OutputSetting FullLayout(int sublineStyle) {
    OutputSetting layout;
    layout.scale = 4;
    layout.magneticNorth.enabled = true;
    layout.magneticNorth.calc = kDeclinationFormula2010;
    for (GridLineSetting* f : {&layout.longitude, &layout.latitude, &layout.verticalDistance,
                               &layout.horizontalDistance}) {
        f->enabled = true;
        f->digitPositionSecond = true;
        f->sublines[0] = {true, 6, kSublineFullLength, sublineStyle, 1, MakeColorref(128, 128, 128),
                          50};
        f->sublines[1] = {true, 2, 20, 0, 2, 0, 100};
    }
    return layout;
}

void BM_DecorateA3At300Dpi(benchmark::State& state) {
    constexpr int kWidth = 3508, kHeight = 4961;  // 297 × 420 mm
    // 297 mm of paper at 1 : 25000 is 7425 m of ground.
    const int32_t widthGeo =
        TruncToInt(7425 / MetresPerArcSecondOfLongitude(kDefaultCenter.lat) * 100);
    const PageGeometry page =
        PageGeometry::OfOutput(kDefaultCenter.lon, kDefaultCenter.lat, kWidth, kHeight, widthGeo);
    CDivBitmap sheet;
    sheet.Create(kWidth, kHeight, CDivBitmap::kDefaultBlockSize);
    sheet.FillWhite();
    const OutputSetting layout = FullLayout(static_cast<int>(state.range(0)));
    for (auto _ : state)
        RenderGridLines(sheet, page, layout, GridLineOptions{});
}
BENCHMARK(BM_DecorateA3At300Dpi)
    ->Arg(0)
    ->Arg(2)
    ->ArgName("subline_style")
    ->Unit(benchmark::kMillisecond);

void BM_ScreenGridLines(benchmark::State& state) {
    ViewTransform view;
    view.center = kDefaultCenter;
    view.level = static_cast<int>(state.range(1));
    view.width = 1920;
    view.height = 1080;
    CDivBitmap screen;
    screen.Create(view.width, view.height, 0);
    screen.FillWhite();
    const OutputSetting layout = FullLayout(static_cast<int>(state.range(0)));
    const PageGeometry page = PageGeometry::OfView(view);
    for (auto _ : state)
        RenderGridLines(screen, page, layout, GridLineOptions{0.3, false, true});
}
BENCHMARK(BM_ScreenGridLines)
    ->ArgsProduct({{0, 2}, {14, 16}})
    ->ArgNames({"subline_style", "level"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Labels need the font system; offscreen, so the benchmark runs without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
