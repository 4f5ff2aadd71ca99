// Drawing onto a banded bitmap of several blocks, compared with the pixels expected; pictures
// from real image files through the picture cache; path tracing on a drawn map.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <filesystem>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "compose/DivBitmap.h"
#include "write/StockBitmap.h"
#include "write/Write.h"

namespace hfp::test {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;

// 300 × 200 pixels in blocks of 64: 5 × 4 blocks, so every shape crosses block borders.
// A quarter pixel per geo unit keeps every position exact: pixel (px, py) is geo
// (4 px, 4000 - 4 py); the pen is 1.25 pixels per unit of size.
class WriteDrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(map.Create(300, 200, 64));
        ASSERT_EQ(map.blockCount(), 20);
        CStockBitmap::Instance().Clear();
    }
    void TearDown() override { CStockBitmap::Instance().Clear(); }

    static WritePoint P(int px, int py) { return WritePoint{4 * px, 4000 - 4 * py}; }
    static WriteShape Box(int left, int top, int right, int bottom) {
        WritePoint a = P(left, bottom), b = P(right, top);
        return WriteShape{a.x, a.y, b.x, b.y};
    }
    COLORREF At(int x, int y) const { return map.GetPixel(x, y); }
    bool IsWhite(int x, int y) const { return At(x, y) == kWhite; }
    int CountNonWhite(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (!IsWhite(x, y)) ++n;
        return n;
    }
    bool AllWhite() const { return CountNonWhite(0, 0, 300, 200) == 0; }

    CDivBitmap map;
    const WriteTransform t{0, 0, 0, 4000, 0.25, 0.25};
    TempDir dir;
};

testing::AssertionResult Near(COLORREF c, int r, int g, int b, int tolerance = 3) {
    if (std::abs(RedOf(c) - r) <= tolerance && std::abs(GreenOf(c) - g) <= tolerance &&
        std::abs(BlueOf(c) - b) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "colour " << RedOf(c) << "," << GreenOf(c) << ","
                                       << BlueOf(c) << " is not " << r << "," << g << "," << b;
}

TEST_F(WriteDrawTest, RectangleOutlineAcrossBlocks) {
    CWriteObjectRectangle r;
    r.m_rcShape = Box(50, 40, 250, 150);
    r.m_crColor = kRed;
    r.m_nSize = 4;  // 5 pixels
    r.UpdateBounds();
    r.Draw(map, t);
    for (int x : {50, 63, 64, 65, 128, 200, 250})
        EXPECT_EQ(At(x, 40), kRed) << x;  // the top edge crosses three block borders
    EXPECT_EQ(At(50, 100), kRed);
    EXPECT_EQ(At(250, 128), kRed);
    EXPECT_EQ(At(52, 150), kRed);
    EXPECT_EQ(At(100, 42), kRed);  // inside the 5-pixel pen
    EXPECT_TRUE(IsWhite(100, 44));
    EXPECT_TRUE(IsWhite(150, 100));  // the inside is not filled
    EXPECT_TRUE(IsWhite(56, 47));
    EXPECT_TRUE(IsWhite(30, 30));
    EXPECT_EQ(CountNonWhite(0, 0, 300, 34), 0);
}

TEST_F(WriteDrawTest, OpacityAndPenWidthFollowTheObject) {
    CWriteObjectLine line;
    line.m_aPoints = {P(20, 50), P(280, 50)};
    line.m_crColor = kRed;
    line.m_nSize = 8;  // 10 pixels
    line.m_nTransparency = 50;
    line.UpdateBounds();
    line.Draw(map, t);
    // Opacity 50 is alpha 127 over white.
    EXPECT_TRUE(Near(At(100, 50), 255, 128, 128));
    int thickness = 0;
    for (int y = 30; y < 70; ++y)
        if (!IsWhite(100, y)) ++thickness;
    EXPECT_EQ(thickness, 10);

    // Twice the natural scale, twice the width.
    CDivBitmap other;
    ASSERT_TRUE(other.Create(300, 200, 64));
    WriteTransform zoomed{0, 0, 0, 4000, 0.5, 0.5};
    CWriteObjectLine thin;
    thin.m_aPoints = {WritePoint{20, 3900}, WritePoint{500, 3900}};  // y = 50 at 0.5
    thin.m_nSize = 2;
    thin.UpdateBounds();
    thin.Draw(other, zoomed);
    thickness = 0;
    for (int y = 40; y < 60; ++y)
        if (other.GetPixel(100, y) != kWhite) ++thickness;
    EXPECT_EQ(thickness, 5);
}

TEST_F(WriteDrawTest, TheFiveDashStyles) {
    // Runs along a 5-pixel line from x = 10, in pen widths: dash 3 on 1 off, dot 1 on 1 off,
    // dash dot 3 1 1 1, dash dot dot 3 1 1 1 1 1. Pixels are taken in the middle of each run.
    struct Case {
        int style;
        std::vector<int> on, off;
    };
    const Case cases[] = {
        {0, {12, 27, 100, 200}, {}},         {1, {12, 17, 32, 37}, {27, 47}},
        {2, {12, 22, 32}, {17, 27}},         {3, {17, 32, 45}, {27, 37}},
        {4, {17, 32, 42, 55}, {27, 37, 47}},
    };
    int row = 20;
    for (const Case& c : cases) {
        CWriteObjectLine line;
        line.m_aPoints = {P(10, row), P(290, row)};
        line.m_nSize = 4;
        line.m_nStyle = c.style;
        line.UpdateBounds();
        line.Draw(map, t);
        for (int x : c.on)
            EXPECT_EQ(At(x, row), 0u) << "style " << c.style << " x " << x;
        for (int x : c.off)
            EXPECT_TRUE(IsWhite(x, row)) << "style " << c.style << " x " << x;
        row += 35;
    }
}

TEST_F(WriteDrawTest, SelectionHandlesAndOutlines) {
    CWriteObjectEllipse e;
    e.m_rcShape = Box(60, 40, 240, 160);
    e.m_crColor = kBlue;
    e.m_nSize = 2;
    e.UpdateBounds();
    e.Draw(map, t);
    EXPECT_EQ(At(240, 100), kBlue);  // the outline at its east end
    EXPECT_EQ(At(150, 40), kBlue);
    EXPECT_TRUE(IsWhite(150, 100));
    EXPECT_TRUE(IsWhite(62, 42));  // the box's corner is outside the ellipse
    EXPECT_TRUE(IsWhite(64, 150));

    map.FillWhite();
    e.m_bSelected = true;
    e.Draw(map, t);
    // A dotted black outline of the box: every other pixel along the top edge.
    int black = 0;
    for (int x = 80; x < 120; ++x)
        if (At(x, 40) == 0) ++black;
    EXPECT_GE(black, 18);
    EXPECT_LE(black, 22);
    // A handle square from 4 pixels left of and above each corner, 9 pixels on: a black border
    // (from x - 4 to x + 5 inclusive, as a 9-pixel rectangle is outlined), translucent green
    // inside.
    for (auto [cx, cy] : {std::pair{60, 40}, {240, 40}, {60, 160}, {240, 160}}) {
        EXPECT_EQ(At(cx - 4, cy), 0u) << cx << "," << cy;
        EXPECT_EQ(At(cx + 5, cy + 2), 0u) << cx << "," << cy;
        EXPECT_EQ(At(cx + 2, cy - 4), 0u) << cx << "," << cy;
        EXPECT_EQ(At(cx + 2, cy + 5), 0u) << cx << "," << cy;
        EXPECT_TRUE(Near(At(cx - 2, cy + 2), 135, 255, 135, 4)) << cx << "," << cy;
        EXPECT_TRUE(IsWhite(cx - 6, cy + 6));
    }
}

TEST_F(WriteDrawTest, LineWithCandidatesAndRubberBand) {
    CWriteObjectLine line;
    line.m_aPoints = {P(20, 100), P(100, 100)};
    line.m_aTrace = {P(150, 60)};
    line.m_ptRubber = P(200, 100);
    line.m_nSize = 4;
    line.m_crColor = kRed;
    line.Draw(map, t);
    EXPECT_EQ(At(60, 100), kRed);
    EXPECT_EQ(At(125, 80), kRed);       // to the candidate
    EXPECT_EQ(At(175, 80), kRed);       // on to the rubber band's end
    EXPECT_EQ(At(146, 62), 0u);         // the candidate's handle square
    EXPECT_TRUE(IsWhite(20 - 6, 100));  // no squares at the points of an unselected line
    line.m_bSelected = true;
    line.Draw(map, t);
    EXPECT_EQ(At(16, 100), 0u);
}

TEST_F(WriteDrawTest, StringBitmapWithBackgroundAndOpacity) {
    CWriteObjectString s;
    s.m_rcShape = Box(20, 20, 220, 120);
    s.m_strText = "Hut 山";
    s.m_lf.lfHeight = -24;
    s.m_bBackground = true;
    s.m_crBackground = MakeColorref(255, 255, 0);
    s.UpdateBounds();
    s.Draw(map, t);
    EXPECT_EQ(At(200, 110), MakeColorref(255, 255, 0));  // background, away from the text
    EXPECT_EQ(At(21, 119), MakeColorref(255, 255, 0));
    EXPECT_TRUE(IsWhite(19, 60));
    EXPECT_TRUE(IsWhite(222, 60));
    int dark = 0;
    for (int y = 20; y < 60; ++y)
        for (int x = 20; x < 150; ++x)
            if (RedOf(At(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 50);  // the black text in the top left

    // Without a background only the text is drawn; at opacity 0 nothing.
    map.FillWhite();
    s.m_bBackground = false;
    s.Draw(map, t);
    EXPECT_TRUE(IsWhite(200, 110));
    EXPECT_GT(CountNonWhite(20, 20, 150, 60), 50);
    map.FillWhite();
    s.m_nTransparency = 0;
    s.Draw(map, t);
    EXPECT_TRUE(AllWhite());

    // While being created the box has a dotted outline.
    s.m_nTransparency = 100;
    s.m_bCreating = true;
    s.m_strText.clear();
    s.Draw(map, t);
    EXPECT_GT(CountNonWhite(20, 120, 221, 121), 80);
    EXPECT_EQ(CountNonWhite(21, 21, 219, 119), 0);
    // A box of no height draws nothing at all.
    map.FillWhite();
    s.m_rcShape = Box(20, 50, 220, 50);
    s.Draw(map, t);
    EXPECT_TRUE(AllWhite());
}

TEST_F(WriteDrawTest, StringLinesThatDoNotFitWholeAreLeftOut) {
    CWriteObjectString s;
    s.m_lf.lfHeight = -16;
    s.m_strText = "AAAA\nBBBB\nCCCC";
    s.m_bBackground = false;
    QImage two = s.RenderText(160, 50);
    ASSERT_EQ(two.size(), QSize(160, 50));
    auto rowInked = [](const QImage& image, int y) {
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
        return false;
    };
    const double lineHeight = QFontMetricsF(FontOfLogFont(s.m_lf)).height();
    ASSERT_GT(lineHeight, 14);
    ASSERT_LT(lineHeight * 2, 50);
    ASSERT_GT(lineHeight * 3, 50);
    int lastInked = -1;
    for (int y = 0; y < 50; ++y)
        if (rowInked(two, y)) lastInked = y;
    EXPECT_GT(lastInked, lineHeight);      // the second line is there
    EXPECT_LT(lastInked, 2 * lineHeight);  // the third, which would be cut, is not
    // Long lines wrap at the box's width.
    s.m_strText = "AAAA BBBB CCCC DDDD EEEE FFFF GGGG";
    QImage wrapped = s.RenderText(80, 200);
    EXPECT_TRUE(rowInked(wrapped, static_cast<int>(lineHeight * 1.5)));
    // A huge box is laid out at a lower resolution instead of exhausting memory.
    QImage huge = s.RenderText(200000, 100000);
    ASSERT_FALSE(huge.isNull());
    EXPECT_LE(static_cast<double>(huge.width()) * huge.height(), 16.0 * 1024 * 1024 + 20000);
}

// A 4 × 2 picture: red on the left half, blue on the right.
QImage HalfAndHalf(QImage::Format format) {
    QImage image(4, 2, format);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, y, x < 2 ? QColor(255, 0, 0) : QColor(0, 0, 255));
    return image;
}

TEST_F(WriteDrawTest, PicturesFromFiles) {
    const std::string png = (dir / "halves.png").string();
    const std::string bmp = (dir / "halves.bmp").string();
    ASSERT_TRUE(HalfAndHalf(QImage::Format_RGB32).save(QString::fromStdString(png), "PNG"));
    ASSERT_TRUE(HalfAndHalf(QImage::Format_RGB32).save(QString::fromStdString(bmp), "BMP"));
    for (const std::string& file : {png, bmp}) {
        map.FillWhite();
        CWriteObjectPicture p;
        p.m_rcShape = Box(100, 50, 180, 90);
        p.m_strFile = file;
        p.UpdateBounds();
        p.Draw(map, t);
        EXPECT_EQ(At(110, 70), kRed) << file;
        EXPECT_EQ(At(170, 70), kBlue) << file;
        EXPECT_TRUE(IsWhite(98, 70));
        EXPECT_TRUE(IsWhite(182, 70));

        // Half opaque; then blue as the transparent colour.
        map.FillWhite();
        p.m_nTransparency = 50;
        p.Draw(map, t);
        EXPECT_TRUE(Near(At(110, 70), 255, 128, 128));
        map.FillWhite();
        p.m_nTransparency = 100;
        p.m_bColorKey = true;
        p.m_crColorKey = MakeColorref(0, 0, 255);
        p.Draw(map, t);
        EXPECT_EQ(At(110, 70), kRed);
        EXPECT_TRUE(IsWhite(170, 70));
    }
}

TEST_F(WriteDrawTest, PictureTransparencyAndCache) {
    // An RGBA PNG with a transparent right half.
    QImage image = HalfAndHalf(QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            image.setPixelColor(x, y, QColor(0, 0, 255, 0));
    const std::string file = (dir / "alpha.png").string();
    ASSERT_TRUE(image.save(QString::fromStdString(file), "PNG"));
    CWriteObjectPicture p;
    p.m_rcShape = Box(100, 50, 180, 90);
    p.m_strFile = file;
    p.m_bSelected = true;
    p.UpdateBounds();
    p.Draw(map, t);
    EXPECT_EQ(At(110, 70), kRed);
    EXPECT_TRUE(IsWhite(170, 70));
    EXPECT_EQ(At(96, 90), 0u);  // a handle square at corner 1

    // Decoded once: drawn from the cache after the file is gone.
    std::filesystem::remove(file);
    map.FillWhite();
    p.Draw(map, t);
    EXPECT_EQ(At(110, 70), kRed);

    // A missing file draws nothing, not even the selection.
    CWriteObjectPicture missing;
    missing.m_rcShape = Box(10, 10, 50, 50);
    missing.m_strFile = (dir / "missing.png").string();
    missing.m_bSelected = true;
    missing.UpdateBounds();
    map.FillWhite();
    missing.Draw(map, t);
    EXPECT_TRUE(AllWhite());
    EXPECT_EQ(missing.m_nImageWidth, -1);
    // Not an image at all.
    WriteFile(dir / "junk.png", "\x89PNG\r\n\x1a\nnot really");
    missing.m_strFile = (dir / "junk.png").string();
    missing.Draw(map, t);
    EXPECT_TRUE(AllWhite());
}

TEST_F(WriteDrawTest, PictureCacheReplacesTheOldestOfAHundred) {
    CStockBitmap& cache = CStockBitmap::Instance();
    QImage pixel(1, 1, QImage::Format_ARGB32);
    pixel.fill(Qt::red);
    for (int i = 0; i <= 100; ++i)
        cache.Add("n" + std::to_string(i), pixel);
    EXPECT_TRUE(cache.Find("n0").isNull());
    EXPECT_FALSE(cache.Find("n1").isNull());
    EXPECT_FALSE(cache.Find("n100").isNull());
    EXPECT_TRUE(cache.Find("N100").isNull());  // names match exactly
    cache.Clear();
    EXPECT_TRUE(cache.Find("n100").isNull());
}

TEST_F(WriteDrawTest, SetsDrawInOrderAndSkipWhatIsOutOfView) {
    CWrite write;
    write.AddSet("Under");
    write.AddSet("Over");
    write.AddSet("Hidden");
    auto line = [](WritePoint a, WritePoint b, COLORREF color) {
        auto l = std::make_unique<CWriteObjectLine>();
        l->m_aPoints = {a, b};
        l->m_crColor = color;
        l->m_nSize = 8;
        l->UpdateBounds();
        return l;
    };
    // In one set index 0 is in front; a later set is drawn over an earlier one.
    write.Set(0).aObjects.push_back(line(P(20, 100), P(280, 100), MakeColorref(0, 255, 0)));
    write.Set(0).aObjects.push_back(line(P(50, 20), P(50, 180), kRed));
    write.Set(1).aObjects.push_back(line(P(150, 20), P(150, 180), kBlue));
    write.Set(2).aObjects.push_back(line(P(250, 20), P(250, 180), kRed));
    write.Set(2).bVisible = false;
    // An object whose box says it is far away is not drawn, whatever its points.
    auto far = line(P(100, 150), P(200, 150), kRed);
    far->m_rcBounds = GeoBox{100000, 100000, 100010, 100010};
    write.Set(0).aObjects.push_back(std::move(far));
    for (int i = 0; i < 3; ++i)
        write.UpdateSetBox(i);
    write.Set(0).rcBox = GeoBox{0, 3200, 1200, 4000};

    const GeoBox view{t.GeoX(0), t.GeoY(200), t.GeoX(300), t.GeoY(0)};
    write.DrawSets(map, t, view);
    EXPECT_EQ(At(50, 100), MakeColorref(0, 255, 0));
    EXPECT_EQ(At(150, 100), kBlue);
    EXPECT_TRUE(IsWhite(250, 50));
    EXPECT_TRUE(IsWhite(120, 150));

    // A set whose box is out of view is skipped as a whole.
    map.FillWhite();
    write.Set(1).rcBox = GeoBox{-100000, -100000, -99000, -99000};
    write.DrawSets(map, t, view);
    EXPECT_EQ(At(150, 100), MakeColorref(0, 255, 0));
    EXPECT_TRUE(IsWhite(150, 50));
}

// --- path tracing ----------------------------------------------------------------------------

// At an eighth of a pixel per geo unit (about level 16) the thinning distance of 15 geo units
// is under two pixels; pixel (px, py) is geo (8 px, 8000 - 8 py).
class PathTraceTest : public WriteDrawTest {
  protected:
    void Road(const std::vector<QPointF>& points) {
        map.DrawLines(QPen(QColor(100, 100, 100), 3), points);
    }
    bool OnRoad(WritePoint p) const {
        return map.GetPixel(tr.X(p.x), tr.Y(p.y)) == MakeColorref(100, 100, 100);
    }
    static WritePoint Q(int px, int py) { return WritePoint{8 * px, 8000 - 8 * py}; }

    const WriteTransform tr{0, 0, 0, 8000, 0.125, 0.125};
    RecordingStatus status;
};

TEST_F(PathTraceTest, BlankMapFindsNothing) {
    CWriteObjectLine line;
    line.BeginCreate(0, Q(20, 100).x, Q(20, 100).y);
    line.m_ptRubber = Q(250, 100);
    status.texts.clear();
    line.TracePath(map, tr);
    EXPECT_TRUE(line.m_aTrace.empty());
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(PathTraceTest, FollowsAGreyRoadAndThinsTheCandidates) {
    // A road with a bend: east, then south-east.
    Road({QPointF(20, 100), QPointF(150, 100), QPointF(260, 170)});
    // Black and white pixels are not paths: a black frame and a near-white strip.
    map.FillRectangle(QBrush(QColor(245, 245, 245)), QRectF(0, 0, 300, 10));
    CWriteObjectLine line;
    line.BeginCreate(0, Q(20, 100).x, Q(20, 100).y);
    line.m_ptRubber = Q(260, 170);
    line.TracePath(map, tr);
    ASSERT_GE(line.m_aTrace.size(), 2u);
    EXPECT_EQ(status.Last(), "Left click=Adopt Right click=Reject Shift=Retrace");
    WritePoint previous = line.m_aPoints.back();
    for (const WritePoint& c : line.m_aTrace) {
        EXPECT_TRUE(OnRoad(c)) << tr.X(c.x) << "," << tr.Y(c.y);
        const double dx = tr.X(c.x) - tr.X(previous.x), dy = tr.Y(c.y) - tr.Y(previous.y);
        // Five pixels on, less what truncating both ends to whole pixels takes away.
        EXPECT_GE(std::hypot(dx, dy), 5.0 - std::sqrt(2.0));
        previous = c;
    }
    // Thinned: no candidate lies within 15 geo units of the segment between its neighbours,
    // so on the straight parts only the ends are left, and the bend is kept.
    EXPECT_LE(line.m_aTrace.size(), 6u);
    bool bend = false;
    for (const WritePoint& c : line.m_aTrace)
        if (std::abs(tr.X(c.x) - 150) <= 12) bend = true;
    EXPECT_TRUE(bend);
    EXPECT_GE(tr.X(line.m_aTrace.back().x), 240);

    // Adopted by the next click.
    const std::size_t adopted = line.m_aTrace.size();
    line.BeginCreate(0, 1, 1);
    EXPECT_EQ(line.m_aPoints.size(), 1 + adopted);
    // Tracing again starts afresh from the new last point.
    line.TracePath(map, tr);
    for (const WritePoint& c : line.m_aTrace)
        EXPECT_TRUE(OnRoad(c));
}

TEST_F(PathTraceTest, TracesWestwardAcrossTheTargetsLine) {
    // Heading west the angle sits next to +-180 degrees; the road passes from one side of the
    // target's row to the other, which must not end the trace.
    Road({QPointF(285, 96), QPointF(200, 96), QPointF(195, 106), QPointF(15, 106)});
    CWriteObjectLine line;
    line.BeginCreate(0, Q(285, 96).x, Q(285, 96).y);
    line.m_ptRubber = Q(20, 101);
    line.TracePath(map, tr);
    ASSERT_FALSE(line.m_aTrace.empty());
    EXPECT_LE(tr.X(line.m_aTrace.back().x), 40);
}

}  // namespace
}  // namespace hfp::test
