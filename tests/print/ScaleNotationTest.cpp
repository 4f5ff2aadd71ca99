#include "print/ScaleNotation.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace hfp {
namespace {

TEST(ScaleNotation, SegmentsAreACentimetreOfPaper) {
    // 1 : 25000: a segment is 250 m; at one metre a pixel, 250 pixels.
    ScaleNotationLayout four = LayoutScaleNotation(1200, 180, 25000, 1.0);
    EXPECT_DOUBLE_EQ(four.segment, 250);
    EXPECT_EQ(four.segments, 4);  // trunc(0.9 · 1200 / 250)
    EXPECT_EQ(four.width, 1120);  // 4 · 250 + 120
    EXPECT_EQ(four.height, 180);
    EXPECT_EQ(four.totalMetres, 1000);
    EXPECT_EQ(ScaleNotationLengthText(four.totalMetres), "1km");

    ScaleNotationLayout three = LayoutScaleNotation(1000, 150, 25000, 1.0);
    EXPECT_EQ(three.segments, 3);
    EXPECT_EQ(three.width, 850);
    EXPECT_EQ(ScaleNotationLengthText(three.totalMetres), "750m");
}

TEST(ScaleNotation, AtLeastOneSegmentWidensTheBox) {
    // A segment of 500 pixels does not fit into nine tenths of 300: one segment, and the box
    // is made for it.
    ScaleNotationLayout one = LayoutScaleNotation(300, 45, 25000, 0.5);
    EXPECT_EQ(one.segments, 1);
    EXPECT_EQ(one.width, 555);  // trunc(500 + 0.1 · trunc(500 / 0.9))
    EXPECT_EQ(one.totalMetres, 250);
}

TEST(ScaleNotation, ReductionIsCutToWholeMetres) {
    ScaleNotationLayout layout = LayoutScaleNotation(1000, 100, 12345, 1.0);
    EXPECT_DOUBLE_EQ(layout.segment, 123);
    EXPECT_EQ(layout.totalMetres, 123 * layout.segments);
}

TEST(ScaleNotation, LengthText) {
    EXPECT_EQ(ScaleNotationLengthText(0), "0m");
    EXPECT_EQ(ScaleNotationLengthText(999), "999m");
    EXPECT_EQ(ScaleNotationLengthText(1000), "1km");
    EXPECT_EQ(ScaleNotationLengthText(1250), "1.25km");
    EXPECT_EQ(ScaleNotationLengthText(2500), "2.5km");
    EXPECT_EQ(ScaleNotationLengthText(10000), "10km");
    EXPECT_EQ(ScaleNotationLengthText(100000), "100km");
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
    EXPECT_EQ(image.pixel(2, 22), qRgb(255, 255, 255));
    // Segments from x = trunc(0.05 · 230) = 11, rows 18 to 26: black, then grey.
    EXPECT_EQ(image.pixel(12, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(110, 26), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(112, 20), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(210, 20), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(212, 20), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(112, 27), qRgb(255, 255, 255));
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

TEST(ScaleNotation, Positions) {
    int x = -1, y = -1;
    ASSERT_TRUE(ScaleNotationPosition(1, 800, 600, 230, 45, &x, &y));
    EXPECT_EQ(QPoint(x, y), QPoint(0, 0));
    ASSERT_TRUE(ScaleNotationPosition(2, 800, 600, 230, 45, &x, &y));
    EXPECT_EQ(QPoint(x, y), QPoint(567, 0));
    ASSERT_TRUE(ScaleNotationPosition(3, 800, 600, 230, 45, &x, &y));
    EXPECT_EQ(QPoint(x, y), QPoint(0, 552));
    ASSERT_TRUE(ScaleNotationPosition(4, 800, 600, 230, 45, &x, &y));
    EXPECT_EQ(QPoint(x, y), QPoint(567, 552));
    EXPECT_FALSE(ScaleNotationPosition(0, 800, 600, 230, 45, &x, &y));
    EXPECT_FALSE(ScaleNotationPosition(5, 800, 600, 230, 45, &x, &y));
}

}  // namespace
}  // namespace hfp
