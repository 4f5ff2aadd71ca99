#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "common/Screenshot.h"
#include "geo/GroundDistance.h"

namespace hfp::test {
namespace {

using PrintBoundsTest = FrameFixture;

// The print-out bounds cover on the ground what the sheets cover on paper, "Move print out
// bounds to center" (Ctrl+T) brings them to the view, kept whole inside the service area near
// its edge, and a press on a frame drags the frame; the settings keep where they went.
TEST_F(PrintBoundsTest, BoundsMatchThePaperMoveInsideTheAreaAndDragByTheirOutline) {
    const GeoPoint nearWestEdge{kDefaultCenter.lat, kServiceWest + 5000};
    WriteSettings([&](CSetData& s) {
        s.m_mapType = 5;  // level 12
        s.m_center = nearWestEdge;
        s.m_displayCenterCross = false;
        OutputSetting& layout = s.m_outputSettings[0];
        layout.numberHorizontal = 2;
        layout.numberVertical = 2;
        layout.repetition = 10;
        s.m_fileoutCenter = {kDefaultCenter.lat, kServiceWest + 48000};  // east of the print
        s.m_fileoutLongitude = s.m_fileoutLatitude = 10000;
    });
    auto frame = Open();
    frame->resize(900, 700);
    ASSERT_TRUE(WaitForMap(*frame));
    const BoundsFrame& bounds = frame->view()->frames()[kPrintFrameSlot];
    ASSERT_EQ(bounds.kind, BoundsFrame::kPrintBounds);
    const PrinterMetrics& paper = frame->view()->printerMetrics();
    // 1 : 25000: a millimetre of paper is 25 m of ground.
    const double groundWidth =
        bounds.width / 100.0 * MetresPerArcSecondOfLongitude(bounds.center.lat);
    EXPECT_NEAR(groundWidth, (2 * paper.widthMm - 10) * 25, 30);
    const double groundHeight = bounds.height / 100.0 * kMetresPerArcSecondOfLatitude;
    EXPECT_NEAR(groundHeight, (2 * paper.heightMm - 10) * 25, 31);

    frame->action(ID_MAP_MOVE_PRINT_BOUNDS)->trigger();
    ASSERT_TRUE(WaitForMap(*frame));
    const GeoPoint center = frame->settings().m_printCenter;
    EXPECT_EQ(center.lat, nearWestEdge.lat);
    EXPECT_EQ(center.lon - bounds.width / 2, kServiceWest);
    KeepScreenshot(*frame, "map-print-bounds");

    // A press on a frame's outline drags the frame, not the map: the print-out bounds move
    // and keep their size; a corner handle of the file-out bounds resizes them with the
    // opposite corner fixed. Release keeps the result in the settings.
    CHollowfernPlotterView* view = frame->view();
    const GeoPoint mapCenter = view->Transform().center;
    // (slot, gripped by the bottom-right corner handle, else the middle of the left side)
    for (const auto& c : std::vector<std::pair<int, bool>>{
             {kPrintFrameSlot, false}, {kFileoutFrameSlot, true}, {kPrintFrameSlot, true}}) {
        const auto [slot, corner] = c;
        const BoundsFrame before = view->frames()[static_cast<std::size_t>(slot)];
        const QPoint press = corner ? QPoint(before.right, before.bottom)
                                    : QPoint(before.left + 3, (before.top + before.bottom) / 2);
        ASSERT_TRUE(view->rect().contains(press)) << slot;
        QTest::mousePress(view, Qt::LeftButton, {}, press);
        QTest::mouseMove(view, press + QPoint(40, 30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, press + QPoint(40, 30));
        const BoundsFrame& after = view->frames()[static_cast<std::size_t>(slot)];
        const double kx = view->Transform().kx(), ky = view->Transform().ky();
        if (slot == kFileoutFrameSlot) {
            EXPECT_NEAR(after.width - before.width, 40 / kx, 2);
            EXPECT_NEAR(after.height - before.height, 30 / ky, 2);
            // The top-left corner stays.
            EXPECT_NEAR(after.center.lon - after.width / 2, before.center.lon - before.width / 2,
                        2);
            EXPECT_NEAR(after.center.lat + after.height / 2, before.center.lat + before.height / 2,
                        2);
            EXPECT_EQ(frame->settings().m_fileoutLongitude, after.width);
            EXPECT_EQ(frame->settings().m_fileoutCenter, after.center);
        } else {
            EXPECT_NEAR(after.center.lon - before.center.lon, 40 / kx, 2) << corner;
            EXPECT_NEAR(before.center.lat - after.center.lat, 30 / ky, 2) << corner;
            EXPECT_EQ(frame->settings().m_printCenter, after.center);
        }
        EXPECT_EQ(view->Transform().center, mapCenter) << slot;
    }
    // In select mode the frame still comes before the rubber band.
    view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
    ASSERT_EQ(view->writeMode(), CHollowfernPlotterView::kSelectMode);
    const BoundsFrame before = view->frames()[kPrintFrameSlot];
    const QPoint press(before.left + 3, (before.top + before.bottom) / 2);
    QTest::mousePress(view, Qt::LeftButton, {}, press);
    QTest::mouseMove(view, press + QPoint(40, 0));
    QTest::mouseRelease(view, Qt::LeftButton, {}, press + QPoint(40, 0));
    EXPECT_GT(view->frames()[kPrintFrameSlot].center.lon, before.center.lon);
}

}  // namespace
}  // namespace hfp::test
