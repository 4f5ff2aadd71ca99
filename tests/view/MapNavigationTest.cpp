#include "view/MapNavigation.h"

#include <gtest/gtest.h>

#include "compose/MapRequest.h"
#include "settings/SetData.h"
#include "view/ScalingText.h"

namespace hfp {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

MapNavigation At(int levelIndex, GeoPoint center = kDefaultCenter, double scaling = 1.0) {
    CSetData settings;
    settings.m_mapType = levelIndex;
    settings.m_center = center;
    settings.m_zoom.fill(scaling);
    MapNavigation nav;
    nav.Load(settings);
    return nav;
}

TEST(MapNavigation, ZoomStopsAtTheEnds) {
    MapNavigation top = At(kLevelCount - 1);
    EXPECT_FALSE(top.ZoomIn().moved);
    EXPECT_EQ(top.levelIndex(), 11);
    MapNavigation bottom = At(0);
    EXPECT_FALSE(bottom.ZoomOut().moved);
    EXPECT_EQ(bottom.levelIndex(), 0);
    EXPECT_TRUE(bottom.ZoomIn().moved);
    EXPECT_EQ(bottom.level(), 8);
}

TEST(MapNavigation, ZoomOutClearsSelections) {
    MapNavigation nav = At(10);  // composed at level 17
    MapNavigation::Step step = nav.ZoomOut();
    EXPECT_TRUE(step.moved);
    EXPECT_FALSE(step.clearPatternSelection);  // index 9
    EXPECT_FALSE(step.clearObjectSelection);   // the last map was at level 17
    step = nav.ZoomOut();                      // still composed at 17: no map in between
    EXPECT_TRUE(step.clearPatternSelection);   // index 8
    MapRequest composed;
    composed.levelOut = 14;
    composed.boundsOut = {kServiceWest, kServiceEast, kServiceSouth, kServiceNorth};
    nav.SetComposed(composed);
    EXPECT_TRUE(nav.ZoomOut().clearObjectSelection);
}

TEST(MapNavigation, LevelCommands) {
    MapNavigation nav = At(9);
    MapNavigation::Step step = nav.SelectLevel(3);
    EXPECT_TRUE(step.moved);
    EXPECT_FALSE(step.clearPatternSelection || step.clearObjectSelection);
    EXPECT_EQ(nav.levelIndex(), 3);
    step = nav.SelectLevel(1);
    EXPECT_TRUE(step.clearPatternSelection && step.clearObjectSelection);
    EXPECT_EQ(nav.level(), 8);
    EXPECT_FALSE(nav.SelectLevel(5).moved);
    EXPECT_FALSE(nav.SelectLevel(-1).moved);
    EXPECT_EQ(nav.levelIndex(), 1);
}

TEST(MapNavigation, WheelAwayZoomsInOnThePointUnderTheMouse) {
    MapNavigation nav = At(8);
    const ViewTransform before = nav.Transform(kWidth, kHeight);
    const GeoPoint target = before.ClientToGeo(kWidth / 2 + 200, kHeight / 2 - 100);
    MapNavigation::Step step = nav.Wheel(120, kWidth / 2 + 200, kHeight / 2 - 100, kWidth, kHeight);
    EXPECT_TRUE(step.moved);
    EXPECT_EQ(nav.levelIndex(), 9);
    EXPECT_NEAR(nav.center().lon, target.lon, 1);
    EXPECT_NEAR(nav.center().lat, target.lat, 1);

    EXPECT_TRUE(nav.Wheel(-120, 0, 0, kWidth, kHeight).moved);
    EXPECT_EQ(nav.levelIndex(), 8);
}

TEST(MapNavigation, WheelOptions) {
    CSetData settings;
    settings.m_mapType = 8;
    settings.m_mouseWheelReverse = true;
    MapNavigation reverse;
    reverse.Load(settings);
    reverse.Wheel(120, 0, 0, kWidth, kHeight);
    EXPECT_EQ(reverse.levelIndex(), 7);
    // Zooming in with the wheel toward the user, on the point under the mouse.
    reverse.Wheel(-120, kWidth / 2 + 100, kHeight / 2, kWidth, kHeight);
    EXPECT_EQ(reverse.levelIndex(), 8);
    EXPECT_GT(reverse.center().lon, kDefaultCenter.lon);

    settings.m_mouseWheelReverse = false;
    settings.m_mouseWheelNoMove = true;
    MapNavigation noMove;
    noMove.Load(settings);
    noMove.Wheel(120, 10, 10, kWidth, kHeight);
    EXPECT_EQ(noMove.levelIndex(), 9);
    EXPECT_EQ(noMove.center(), kDefaultCenter);

    settings.m_mouseWheelInvalidity = true;
    MapNavigation off;
    off.Load(settings);
    EXPECT_TRUE(off.wheelOff());
}

TEST(MapNavigation, WheelAddsUpPartsOfANotch) {
    MapNavigation nav = At(5);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(nav.Wheel(-40 + (i == 2 ? 1 : 0), 0, 0, kWidth, kHeight).moved);
    EXPECT_TRUE(nav.Wheel(-1, 0, 0, kWidth, kHeight).moved);
    EXPECT_EQ(nav.levelIndex(), 4);
    // Two notches at once are two steps.
    nav.Wheel(-240, 0, 0, kWidth, kHeight);
    EXPECT_EQ(nav.levelIndex(), 2);
}

TEST(MapNavigation, WheelZoomOutClearsThePatternBelowIndexTwo) {
    MapNavigation nav = At(3);
    EXPECT_FALSE(nav.Wheel(-120, 0, 0, kWidth, kHeight).clearPatternSelection);
    MapNavigation::Step step = nav.Wheel(-120, 0, 0, kWidth, kHeight);
    EXPECT_TRUE(step.clearPatternSelection);
    EXPECT_FALSE(step.clearObjectSelection);
}

TEST(MapNavigation, DragMovesTheCentreAgainstTheMouse) {
    MapNavigation nav = At(9);
    const double kx = nav.Transform(kWidth, kHeight).kx();
    nav.BeginDrag(400, 300);
    EXPECT_TRUE(nav.DragTo(300, 350, kWidth, kHeight));
    EXPECT_NEAR(nav.center().lon, kDefaultCenter.lon + 100 / kx, 1);
    EXPECT_GT(nav.center().lat, kDefaultCenter.lat);  // dragged down: the centre goes north
    nav.EndDrag();
    EXPECT_FALSE(nav.DragTo(0, 0, kWidth, kHeight));
}

TEST(MapNavigation, DragStopsAtTheServiceArea) {
    MapNavigation nav = At(0);
    nav.BeginDrag(400, 300);
    for (int x = 390; x >= -4000; x -= 10)
        nav.DragTo(x, 300 + (390 - x), kWidth, kHeight);
    EXPECT_EQ(nav.center().lon, kServiceEast);
    EXPECT_EQ(nav.center().lat, kServiceNorth);
    nav.DragTo(30000, -30000, kWidth, kHeight);
    EXPECT_EQ(nav.center().lon, kServiceWest);
    EXPECT_EQ(nav.center().lat, kServiceSouth);
}

TEST(MapNavigation, SlowDragsMoveAtTheDeepestLevel) {
    // At level 18 with tiles shown three times as large, a pixel is less than a geo unit.
    MapNavigation nav = At(11, kDefaultCenter, 3.0);
    const double kx = nav.Transform(kWidth, kHeight).kx();
    ASSERT_GT(kx, 1.0);
    nav.BeginDrag(400, 300);
    for (int i = 1; i <= 30; ++i)
        nav.DragTo(400 - i, 300, kWidth, kHeight);
    EXPECT_NEAR(nav.center().lon - kDefaultCenter.lon, 30 / kx, 1);
}

TEST(MapNavigation, LoadKeepsTheStateInRange) {
    CSetData settings;
    settings.m_mapType = 40;
    settings.m_center = {kServiceNorth + 5000, kServiceWest - 1};
    MapNavigation nav;
    nav.Load(settings);
    EXPECT_EQ(nav.levelIndex(), 11);
    EXPECT_EQ(nav.center(), (GeoPoint{kServiceNorth, kServiceWest}));
}

// With a tiny density one pixel is billions of geo units: steps and conversions stop at the
// ends of the 32-bit range instead of overflowing (the sanitizers catch any overflow).
TEST(MapNavigation, TinyDensitiesDoNotOverflow) {
    MapNavigation nav = At(0, kDefaultCenter, 1e-9);
    const ViewTransform view = nav.Transform(kWidth, kHeight);
    EXPECT_EQ(view.ClientToGeo(kWidth, kHeight).lon, 2147483647);
    EXPECT_EQ(view.ClientToGeo(0, 0).lat, 2147483647);
    int x = 0, y = 0;
    ViewTransform dense = view;
    dense.scale = 1e12;
    dense.GeoToClient({kServiceSouth, kServiceWest}, &x, &y);
    EXPECT_EQ(x, kWidth / 2 - 2147483647 - 1);
    EXPECT_EQ(y, 2147483647);
    nav.Wheel(120, kWidth, kHeight, kWidth, kHeight);
    nav.BeginDrag(0, 0);
    nav.DragTo(kWidth, kHeight, kWidth, kHeight);
    EXPECT_EQ(nav.center(), (GeoPoint{kServiceNorth, kServiceWest}));
}

TEST(MapNavigation, StoresItsPlaceAndFactors) {
    MapNavigation nav = At(4);
    nav.SetScaling(1.5);
    nav.ZoomIn();
    nav.SetCenter({12000000, 50000000});
    CSetData settings;
    nav.Store(&settings);
    EXPECT_EQ(settings.m_mapType, 5);
    EXPECT_EQ(settings.m_center, (GeoPoint{12000000, 50000000}));
    EXPECT_DOUBLE_EQ(settings.m_zoom[4], 1.5);
    EXPECT_DOUBLE_EQ(settings.m_zoom[5], 1.0);
}

TEST(ScalingText, OneDecimalAndTheLeadingNumber) {
    EXPECT_EQ(FormatScalingText(1.0), "1.0");
    EXPECT_EQ(FormatScalingText(0.2), "0.2");
    EXPECT_EQ(FormatScalingText(1.25), "1.2");
    double factor = 7;
    EXPECT_TRUE(ParseScalingText("1.5", &factor));
    EXPECT_DOUBLE_EQ(factor, 1.5);
    EXPECT_TRUE(ParseScalingText(" 2.0x", &factor));
    EXPECT_DOUBLE_EQ(factor, 2.0);
    EXPECT_FALSE(ParseScalingText("", &factor));
    EXPECT_FALSE(ParseScalingText("abc", &factor));
    EXPECT_DOUBLE_EQ(factor, 2.0);
}

}  // namespace
}  // namespace hfp
