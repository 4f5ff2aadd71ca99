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

// Zoom commands stop at the ends; zooming out to index 8 or less drops the pattern, and the
// objects' selection goes when the last map was above level 15; the level commands clear both
// for the two widest levels only.
TEST(MapNavigation, ZoomEndsAndTheSelectionsThatGo) {
    MapNavigation top = At(kLevelCount - 1);
    EXPECT_FALSE(top.ZoomIn().moved);
    MapNavigation bottom = At(0);
    EXPECT_FALSE(bottom.ZoomOut().moved);
    EXPECT_EQ(bottom.levelIndex(), 0);

    MapNavigation nav = At(10);  // composed at level 17
    MapNavigation::Step step = nav.ZoomOut();
    EXPECT_TRUE(step.moved && !step.clearPatternSelection && !step.clearObjectSelection);
    EXPECT_TRUE(nav.ZoomOut().clearPatternSelection);  // index 8
    MapRequest composed;
    composed.levelOut = 14;
    composed.boundsOut = {kServiceWest, kServiceEast, kServiceSouth, kServiceNorth};
    nav.SetComposed(composed);
    EXPECT_TRUE(nav.ZoomOut().clearObjectSelection);

    step = nav.SelectLevel(3);
    EXPECT_TRUE(step.moved && !step.clearPatternSelection && !step.clearObjectSelection);
    step = nav.SelectLevel(1);
    EXPECT_TRUE(step.clearPatternSelection && step.clearObjectSelection);
    EXPECT_FALSE(nav.SelectLevel(5).moved);
    EXPECT_FALSE(nav.SelectLevel(-1).moved);
    EXPECT_EQ(nav.level(), 8);
}

TEST(MapNavigation, WheelZoomsOnThePointUnderTheMouseWithItsOptions) {
    MapNavigation nav = At(8);
    const GeoPoint target =
        nav.Transform(kWidth, kHeight).ClientToGeo(kWidth / 2 + 200, kHeight / 2 - 100);
    EXPECT_TRUE(nav.Wheel(120, kWidth / 2 + 200, kHeight / 2 - 100, kWidth, kHeight).moved);
    EXPECT_EQ(nav.levelIndex(), 9);
    EXPECT_NEAR(nav.center().lon, target.lon, 1);
    EXPECT_NEAR(nav.center().lat, target.lat, 1);
    // Parts of a notch add up; two notches are two steps; below index 2 the pattern goes.
    EXPECT_FALSE(nav.Wheel(-119, 0, 0, kWidth, kHeight).moved);
    EXPECT_TRUE(nav.Wheel(-1, 0, 0, kWidth, kHeight).moved);
    EXPECT_FALSE(nav.Wheel(-240 * 3, 0, 0, kWidth, kHeight).clearPatternSelection);
    EXPECT_TRUE(nav.Wheel(-120, 0, 0, kWidth, kHeight).clearPatternSelection);
    EXPECT_EQ(nav.levelIndex(), 1);

    CSetData settings;
    settings.m_mapType = 8;
    settings.m_mouseWheelReverse = true;
    settings.m_mouseWheelNoMove = true;
    MapNavigation options;
    options.Load(settings);
    options.Wheel(120, 0, 0, kWidth, kHeight);
    EXPECT_EQ(options.levelIndex(), 7);
    options.Wheel(-120, 10, 10, kWidth, kHeight);
    EXPECT_EQ(options.levelIndex(), 8);
    EXPECT_EQ(options.center(), kDefaultCenter);
}

TEST(MapNavigation, DragMovesTheCentreAgainstTheMouseAndStopsAtTheServiceArea) {
    MapNavigation nav = At(9);
    const double kx = nav.Transform(kWidth, kHeight).kx();
    nav.BeginDrag(400, 300);
    EXPECT_TRUE(nav.DragTo(300, 350, kWidth, kHeight));
    EXPECT_NEAR(nav.center().lon, kDefaultCenter.lon + 100 / kx, 1);
    EXPECT_GT(nav.center().lat, kDefaultCenter.lat);  // dragged down: the centre goes north
    nav.EndDrag();
    EXPECT_FALSE(nav.DragTo(0, 0, kWidth, kHeight));

    MapNavigation wide = At(0);
    wide.BeginDrag(400, 300);
    for (int x = 390; x >= -4000; x -= 10)
        wide.DragTo(x, 300 + (390 - x), kWidth, kHeight);
    EXPECT_EQ(wide.center(), (GeoPoint{kServiceNorth, kServiceEast}));
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

// A centre from the settings outside the service area comes back inside it.
TEST(MapNavigation, LoadKeepsTheCentreInTheServiceArea) {
    EXPECT_EQ(At(4, {kServiceNorth + 5000, kServiceWest - 1}).center(),
              (GeoPoint{kServiceNorth, kServiceWest}));
}

TEST(ScalingText, OneDecimalAndTheLeadingNumber) {
    EXPECT_EQ(FormatScalingText(1.25), "1.2");
    double factor = 7;
    EXPECT_TRUE(ParseScalingText(" 2.0x", &factor));
    EXPECT_DOUBLE_EQ(factor, 2.0);
    EXPECT_FALSE(ParseScalingText("abc", &factor));
    EXPECT_DOUBLE_EQ(factor, 2.0);
}

}  // namespace
}  // namespace hfp
