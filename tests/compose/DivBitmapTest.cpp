#include "compose/DivBitmap.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace hfp {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;

bool AllWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

TEST(DivBitmap, DrawingReachesExactlyTheOverlappedBlocks) {
    CDivBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(2500, 1200, 1000));  // 3 x 2 blocks, the last ones partial
    ASSERT_EQ(bitmap.blockCount(), 6);
    bitmap.DrawLine(QPen(Qt::black, 3), QPointF(1000, 100), QPointF(1000, 400));
    EXPECT_EQ(bitmap.GetPixel(999, 200), 0u);  // on the border: in both blocks
    EXPECT_EQ(bitmap.GetPixel(1000, 200), 0u);
    EXPECT_EQ(bitmap.GetPixel(1002, 200), kWhite);
    std::vector<QImage> before;
    for (int i = 0; i < 6; ++i)
        before.push_back(bitmap.BlockImage(i));
    bitmap.FillRectangle(QBrush(QColor(0, 0, 255)), QRectF(2200, 1080, 20, 20));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bitmap.BlockImage(i), before[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(bitmap.GetPixel(2210, 1090), MakeColorref(0, 0, 255));

    bitmap.FillWhite();
    QFont font;
    font.setPixelSize(40);
    bitmap.DrawString("WWWWWWWW", font, QRectF(900, 950, 300, 100), QTextOption(Qt::AlignCenter),
                      QBrush(Qt::black));
    for (int i : {0, 1, 3, 4})
        EXPECT_FALSE(AllWhite(bitmap.BlockImage(i))) << i;
    EXPECT_TRUE(AllWhite(bitmap.BlockImage(2)));
    EXPECT_FALSE(bitmap.Create(10, 10, -1));
}

TEST(DivBitmap, CopyBlitPasteAndStretchKeepEveryPixelInPlace) {
    QImage pattern(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            pattern.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    CDivBitmap source;
    ASSERT_TRUE(source.Create(300, 200, 128));
    source.StretchIn(0, 0, 300, 200, pattern);
    EXPECT_EQ(source.GetPixel(128, 128), FromQRgb(pattern.pixel(128, 128)));
    CDivBitmap copy;
    ASSERT_TRUE(copy.Create(50, 50, 0));
    ASSERT_TRUE(copy.CopyFrom(source));  // takes the source's geometry
    for (int i = 0; i < source.blockCount(); ++i)
        EXPECT_EQ(copy.BlockImage(i), source.BlockImage(i));
    QImage window(100, 100, QImage::Format_RGB32);
    source.BlitInto(window, -100, -50);
    EXPECT_EQ(window.pixel(28, 78), pattern.pixel(128, 128));
    CDivBitmap target;
    ASSERT_TRUE(target.Create(1000, 700, 256));
    target.PasteFrom(200, 100, source);
    EXPECT_EQ(target.GetPixel(256, 256), FromQRgb(pattern.pixel(56, 156)));
    EXPECT_EQ(target.GetPixel(499, 299), FromQRgb(pattern.pixel(299, 199)));
    EXPECT_EQ(target.GetPixel(500, 300), kWhite);
}

// A surface over a painter draws what a bitmap of one block draws, whatever state the painter
// was in (a window's painter starts with the window's pen and font) and the steps before left.
TEST(DivBitmap, PainterSurfaceDrawsWhatABitmapDraws) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(0, 160, 0));
    const auto draw = [&](CDivBitmap& b) {
        b.DrawImage(QRectF(10, 10, 80, 60), picture, 0.3);
        b.Draw({0, 0, 200, 120}, 0, [](QPainter& p) { p.drawRect(20, 70, 50, 30); });
        b.FillRectangle(QBrush(QColor(0, 0, 255, 80)), {60, 20, 90, 70});
        b.DrawLine(QPen(Qt::black, 1), QPointF(5, 5), QPointF(190, 117));
    };
    CDivBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(200, 120, 0));
    QImage window(200, 120, QImage::Format_RGB32);
    window.fill(Qt::white);
    QPainter painter(&window);
    painter.setPen(QPen(Qt::red, 7));
    painter.setBrush(Qt::yellow);
    CDivBitmap surface(painter, window.width(), window.height());
    draw(bitmap);
    draw(surface);
    painter.end();
    EXPECT_EQ(window, bitmap.BlockImage(0));
}

}  // namespace
}  // namespace hfp
