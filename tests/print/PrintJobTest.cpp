#include "print/PrintJob.h"

#include <gtest/gtest.h>

namespace hfp {
namespace {

// A hiker told that tiles are missing is told on which sheets: a hole in an overlap strip is
// on both neighbours, a hole on the last row only on its sheets.
TEST(PrintShortfalls, NameTheSheetsWithHoles) {
    OutputSetting layout;
    layout.numberHorizontal = layout.numberVertical = 2;
    layout.repetition = 10;
    // Sheets of 1000 × 2000 pixels overlapping by 100: pages start at x 0, 900 and y 0, 1900.
    const SheetPlan plan = PlanSheets(layout, PrinterMetrics{100, 200, 1000, 2000});
    const struct {
        std::vector<QRect> holes;
        std::string text;
    } cases[] = {
        {{QRect(950, 10, 20, 20)}, "Sheets 1 and 2 have white parts"},
        {{QRect(1500, 3000, 50, 50)}, "Sheet 4 has white parts"},
        {{QRect(100, 100, 9, 9), QRect(1500, 100, 9, 9), QRect(100, 3000, 9, 9)},
         "Sheets 1, 2 and 3 have white parts"},
        {{}, "Missing 3 of 40 tiles: no answer"},
    };
    for (const auto& c : cases) {
        CompositionStats stats;
        stats.missingPlaces = c.holes;
        const std::string text = PrintShortfallText(
            plan, stats, {"missing 3 of 40 tiles: no answer from the tile server (time-out)"});
        EXPECT_EQ(text.rfind(c.text, 0), 0u) << text;
    }
    EXPECT_EQ(PrintShortfallText(plan, CompositionStats{}, {}), "");
}

}  // namespace
}  // namespace hfp
