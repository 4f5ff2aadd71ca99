#include "app/FrameFixture.h"
#include "common/Screenshot.h"

namespace hfp::test {
namespace {

using ScreenGridLinesTest = FrameFixture;

// The view draws the screen layout's longitude lines where the map shows their longitude:
// 138°44′00″ lies east of the start centre (138°43′51.39″).
TEST_F(ScreenGridLinesTest, LongitudeLinesStandOnTheirLongitude) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 9;  // level 16
        s.m_displayCenterCross = false;
        s.m_selectScreen = 1;
        OutputSetting& layout = s.m_outputSettings[1];
        layout.longitude.enabled = true;
        layout.longitude.fontSize = 0;
        layout.latitude.enabled = true;
        layout.magneticNorth.enabled = true;
        layout.magneticNorth.calc = 0;  // the screen never asks the server
        layout.verticalDistance.enabled = true;
        layout.verticalDistance.sublines[0] = {true, 10, 6, 0, 1, 0, 100};
    });
    auto frame = Open();
    frame->resize(1000, 700);
    ASSERT_TRUE(WaitForMap(*frame));
    KeepScreenshot(*frame, "screen-grid-lines");
    const QImage screen = Screen(*frame);
    int x, y;
    frame->view()->Transform().GeoToClient({kDefaultCenter.lat, (138 * 3600 + 44 * 60) * 100}, &x,
                                           &y);
    ASSERT_GT(x, screen.width() / 2);
    ASSERT_LT(x, screen.width());
    // The line may round to the pixel beside the map's own position of the longitude.
    int blue = 0;
    for (int column = x - 1; column <= x + 1; ++column) {
        int rows = 0;
        for (int row = 0; row < screen.height(); ++row)
            rows += screen.pixel(column, row) == qRgb(0, 0, 255);
        blue = std::max(blue, rows);
    }
    EXPECT_GT(blue, screen.height() * 3 / 4) << x;
    EXPECT_EQ(server().Requests("/sokuchi/geomag/menu_04/bilinear.cgi"), 0);
}

}  // namespace
}  // namespace hfp::test
