#include "compose/DivBitmap.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <thread>

namespace hfp {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;

bool AllWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

TEST(DivBitmap, BlockGeometry) {
    CDivBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(2500, 1200, 1000));
    EXPECT_EQ(bitmap.columns(), 3);
    EXPECT_EQ(bitmap.rows(), 2);
    EXPECT_EQ(bitmap.blockCount(), 6);
    EXPECT_EQ(bitmap.BlockRect(0), QRect(0, 0, 1000, 1000));
    EXPECT_EQ(bitmap.BlockRect(2), QRect(2000, 0, 500, 1000));
    EXPECT_EQ(bitmap.BlockRect(5), QRect(2000, 1000, 500, 200));

    ASSERT_TRUE(bitmap.Create(640, 480, 0));
    EXPECT_EQ(bitmap.blockCount(), 1);
    EXPECT_EQ(bitmap.BlockRect(0), QRect(0, 0, 640, 480));

    // Exact multiples make no empty extra blocks.
    ASSERT_TRUE(bitmap.Create(2000, 1000, 1000));
    EXPECT_EQ(bitmap.blockCount(), 2);

    EXPECT_FALSE(bitmap.Create(0, 10, 0));
    EXPECT_TRUE(bitmap.empty());
    EXPECT_FALSE(bitmap.Create(10, 10, -1));
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0u);
}

TEST(DivBitmap, DrawingReachesExactlyTheOverlappedBlocks) {
    CDivBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(2500, 1200, 1000));

    // A line on the border between the first two blocks lands in both.
    bitmap.DrawLine(QPen(Qt::black, 3), QPointF(1000, 100), QPointF(1000, 400));
    EXPECT_EQ(bitmap.GetPixel(999, 200), 0u);
    EXPECT_EQ(bitmap.GetPixel(1000, 200), 0u);
    EXPECT_EQ(bitmap.GetPixel(1002, 200), kWhite);
    for (int i = 2; i < 6; ++i)
        EXPECT_TRUE(AllWhite(bitmap.BlockImage(i))) << i;

    // A shape inside the last block leaves every other block untouched, byte for byte.
    std::vector<QImage> before;
    for (int i = 0; i < 6; ++i)
        before.push_back(bitmap.BlockImage(i));
    bitmap.DrawEllipse(QPen(QColor(255, 0, 0), 2), QRectF(2100, 1050, 300, 100));
    bitmap.FillRectangle(QBrush(QColor(0, 0, 255)), QRectF(2200, 1080, 20, 20));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bitmap.BlockImage(i), before[i]) << i;
    EXPECT_NE(bitmap.BlockImage(5), before[5]);
    EXPECT_EQ(bitmap.GetPixel(2210, 1090), MakeColorref(0, 0, 255));
    EXPECT_EQ(bitmap.GetPixel(2100, 1100), MakeColorref(255, 0, 0));

    // A polyline crossing blocks draws continuously in image coordinates.
    bitmap.FillWhite();
    bitmap.DrawLines(QPen(Qt::black, 1), {QPointF(10, 1100), QPointF(2490, 1100)});
    for (int x : {10, 999, 1000, 1999, 2000, 2489})
        EXPECT_EQ(bitmap.GetPixel(x, 1100), 0u) << x;
    EXPECT_TRUE(AllWhite(bitmap.BlockImage(0)));

    // Text drawn into a layout rectangle on the corner of four blocks reaches them all.
    bitmap.FillWhite();
    QFont font;
    font.setPixelSize(40);
    bitmap.DrawString("WWWWWWWW", font, QRectF(900, 950, 300, 100), QTextOption(Qt::AlignCenter),
                      QBrush(Qt::black));
    EXPECT_FALSE(AllWhite(bitmap.BlockImage(0)));
    EXPECT_FALSE(AllWhite(bitmap.BlockImage(1)));
    EXPECT_FALSE(AllWhite(bitmap.BlockImage(3)));
    EXPECT_FALSE(AllWhite(bitmap.BlockImage(4)));
    EXPECT_TRUE(AllWhite(bitmap.BlockImage(2)));
}

QImage Pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    return image;
}

TEST(DivBitmap, CopyBlitPasteAndStretch) {
    CDivBitmap source;
    ASSERT_TRUE(source.Create(300, 200, 128));
    QImage pattern = Pattern(300, 200);
    source.StretchIn(0, 0, 300, 200, pattern);
    for (auto [x, y] : {std::pair{0, 0}, {127, 127}, {128, 128}, {299, 199}, {200, 50}})
        EXPECT_EQ(source.GetPixel(x, y), FromQRgb(pattern.pixel(x, y))) << x << "," << y;

    // Copy into a bitmap of another geometry: it takes the source's.
    CDivBitmap copy;
    ASSERT_TRUE(copy.Create(50, 50, 0));
    ASSERT_TRUE(copy.CopyFrom(source));
    EXPECT_EQ(copy.width(), 300);
    EXPECT_EQ(copy.blockSize(), 128);
    for (int i = 0; i < source.blockCount(); ++i)
        EXPECT_EQ(copy.BlockImage(i), source.BlockImage(i));

    // Blit a window of the bitmap into a plain image: point (px, py) lands at (px+dx, py+dy).
    QImage window(100, 100, QImage::Format_RGB32);
    window.fill(Qt::white);
    source.BlitInto(window, -100, -50);
    EXPECT_EQ(window.pixel(0, 0), pattern.pixel(100, 50));
    EXPECT_EQ(window.pixel(99, 99), pattern.pixel(199, 149));
    EXPECT_EQ(window.pixel(28, 78), pattern.pixel(128, 128));

    // Paste the source into a larger bitmap at an offset that straddles block borders.
    CDivBitmap target;
    ASSERT_TRUE(target.Create(1000, 700, 256));
    target.PasteFrom(200, 100, source);
    EXPECT_EQ(target.GetPixel(200, 100), FromQRgb(pattern.pixel(0, 0)));
    EXPECT_EQ(target.GetPixel(499, 299), FromQRgb(pattern.pixel(299, 199)));
    EXPECT_EQ(target.GetPixel(256, 256), FromQRgb(pattern.pixel(56, 156)));
    EXPECT_EQ(target.GetPixel(199, 100), kWhite);
    EXPECT_EQ(target.GetPixel(500, 300), kWhite);

    // A stretched source covers exactly its rectangle.
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    target.StretchIn(250, 250, 40, 20, red);
    EXPECT_EQ(target.GetPixel(250, 250), MakeColorref(255, 0, 0));
    EXPECT_EQ(target.GetPixel(289, 269), MakeColorref(255, 0, 0));
    EXPECT_EQ(target.GetPixel(290, 270), FromQRgb(pattern.pixel(90, 170)));
}

TEST(DivBitmap, ConcurrentDrawingAndCopying) {
    CDivBitmap a, b;
    ASSERT_TRUE(a.Create(600, 600, 200));
    ASSERT_TRUE(b.Create(600, 600, 200));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                CDivBitmap& mine = t % 2 ? a : b;
                CDivBitmap& other = t % 2 ? b : a;
                mine.FillRectangle(QBrush(QColor(t * 60, 0, 0)), QRectF(i * 10, t * 100, 30, 30));
                if (i % 10 == 0) mine.CopyFrom(other);
                if (i % 10 == 5) mine.PasteFrom(5, 5, other);
                (void)other.GetPixel(i, i);
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(a.width(), 600);
    EXPECT_EQ(b.blockCount(), 9);
}

}  // namespace
}  // namespace hfp
