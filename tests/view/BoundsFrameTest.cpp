#include "view/BoundsFrame.h"

#include <gtest/gtest.h>

#include <QFont>

#include "compose/DivBitmap.h"

namespace hfp {
namespace {

// Handles on the corners and every hundred pixels along the sides; none on a frame too small
// to grab, and of a huge frame only the few in the window.
TEST(BoundsFrame, HandlesOnCornersEveryHundredPixelsAndOnlyInTheWindow) {
    const QRect window(0, 0, 800, 600);
    BoundsFrame f;
    f.left = 10;
    f.top = 20;
    f.right = 260;  // 250 wide: two steps across
    f.bottom = 70;  // 50 high: none down the sides
    EXPECT_EQ(
        BoundsFrameHandles(f, window),
        (std::vector<QPoint>{{10, 20}, {260, 20}, {10, 70}, {260, 70}, {135, 20}, {135, 70}}));
    f.right = 30;
    EXPECT_TRUE(BoundsFrameHandles(f, window).empty());
    f.left = f.top = -1000000000;
    f.right = f.bottom = 1000000000;
    EXPECT_TRUE(BoundsFrameHandles(f, window).empty());
    f.top = 100;
    const std::vector<QPoint> top = BoundsFrameHandles(f, window);
    ASSERT_FALSE(top.empty());
    EXPECT_LT(top.size(), 20u);
    for (const QPoint& p : top)
        EXPECT_EQ(p.y(), 100);
}

// The outline, an 11 × 11 corner handle from 5 pixels up and left of the corner, the label
// on the top-left corner, and for print bounds the lines between the sheets.
TEST(BoundsFrame, DrawsOutlineHandlesLabelAndSheets) {
    CDivBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(800, 600, 0));
    bitmap.FillWhite();
    const COLORREF white = MakeColorref(255, 255, 255), green = MakeColorref(0, 128, 0);
    const ViewTransform view{kDefaultCenter, 16, 1.0, 800, 600};  // a geo unit: 1/7 pixel
    BoundsFrame f;
    f.kind = BoundsFrame::kFileoutBounds;
    f.label = "File out bounds";
    f.center = kDefaultCenter;
    f.width = 3000;
    f.height = 2000;
    f.color = green;
    DrawBoundsFrame(bitmap, f, view, QFont());
    const int midY = (f.top + f.bottom) / 2 + 20;
    EXPECT_EQ(bitmap.GetPixel(f.left, midY), green);
    EXPECT_EQ(bitmap.GetPixel(f.left + 3, midY), white);
    EXPECT_EQ(bitmap.GetPixel(f.right + 5, f.bottom + 5), green);
    EXPECT_EQ(bitmap.GetPixel(f.right + 7, f.bottom + 7), white);
    int labelPixels = 0;
    for (int y = f.top - 30; y < f.top - 5; ++y)
        for (int x = f.left + 8; x < f.left + 100; ++x)
            labelPixels += bitmap.GetPixel(x, y) != white;
    EXPECT_GT(labelPixels, 20);

    bitmap.FillWhite();
    f.kind = BoundsFrame::kPrintBounds;
    f.columns = 2;
    f.rows = 3;
    DrawBoundsFrame(bitmap, f, view, QFont());
    const int x = f.left + (f.right - f.left + 1) / 2, y = f.top + (f.bottom - f.top + 1) / 3;
    EXPECT_EQ(bitmap.GetPixel(x, (f.top + f.bottom) / 2 + 30), green);
    EXPECT_EQ(bitmap.GetPixel(f.left + 30, y), green);
    EXPECT_EQ(bitmap.GetPixel(x + 2, y + 2), white);
}

}  // namespace
}  // namespace hfp
