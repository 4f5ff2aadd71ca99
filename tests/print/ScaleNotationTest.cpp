#include "print/ScaleNotation.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace hfp {
namespace {

// A segment is a centimetre of paper: at 1 : 25000 and a metre a pixel, 250 m and 250 px.
TEST(ScaleNotation, SegmentsAreACentimetreOfPaperAndTheirLengthReadsRight) {
    ScaleNotationLayout four = LayoutScaleNotation(1200, 180, 25000, 1.0);
    EXPECT_DOUBLE_EQ(four.segment, 250);
    EXPECT_EQ(four.totalMetres, 250 * four.segments);
    EXPECT_LE(four.segments * 250, 1200);
    // A segment wider than the box still shows, in a box made wide enough.
    ScaleNotationLayout one = LayoutScaleNotation(300, 45, 25000, 0.5);
    EXPECT_EQ(one.segments, 1);
    EXPECT_GT(one.width, 500);
    EXPECT_DOUBLE_EQ(LayoutScaleNotation(1000, 100, 12345, 1.0).segment, 123);  // whole metres
    for (auto [metres, text] : std::vector<std::pair<int, const char*>>{
             {999, "999m"}, {1000, "1km"}, {1250, "1.25km"}, {2500, "2.5km"}, {100000, "100km"}})
        EXPECT_EQ(ScaleNotationLengthText(metres), text);
}

TEST(ScaleNotation, DrawsTheBoxTheBarAndTheTexts) {
    const QRgb background = qRgb(255, 0, 255);
    QImage image(600, 45, QImage::Format_RGB32);
    image.fill(background);
    int width = 300;
    {
        QPainter painter(&image);
        DrawScaleNotation(painter, &width, 45, 25000, 2.5);  // segments of 100 pixels
    }
    ASSERT_EQ(width, 230);
    // A black frame around a white box; nothing drawn beyond it.
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(229, 44), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(230, 20), background);
    // Segments from x = trunc(0.05 · 230) = 11, rows 18 to 26: black, then grey.
    EXPECT_EQ(image.pixel(12, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(112, 20), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(212, 20), qRgb(255, 255, 255));
    // Texts: the ratio top left, the length under the bar.
    auto darkIn = [&](QRect area) {
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_GT(darkIn(QRect(12, 3, 60, 13)), 10);
    EXPECT_GT(darkIn(QRect(90, 28, 50, 13)), 10);
}

}  // namespace
}  // namespace hfp
