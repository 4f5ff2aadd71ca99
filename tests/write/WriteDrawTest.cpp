// Drawing onto a banded bitmap of several blocks, compared with the pixels expected; pictures
// from real image files through the picture cache; path tracing on a drawn map.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
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

// 300 × 200 pixels in blocks of 64, so every shape crosses block borders. A quarter pixel per
// geo unit keeps every position exact: pixel (px, py) is geo (4 px, 4000 - 4 py); the pen is
// 1.25 pixels per unit of size.
class WriteDrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(map.Create(300, 200, 64));
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
    // A picture file of 4 × 2 pixels: red on the left half, blue on the right.
    std::string Halves(const char* name, const char* format) {
        QImage image(4, 2, QImage::Format_RGB32);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 2; ++y)
                image.setPixelColor(x, y, x < 2 ? QColor(255, 0, 0) : QColor(0, 0, 255));
        const std::string file = (dir / name).string();
        EXPECT_TRUE(image.save(QString::fromStdString(file), format));
        return file;
    }

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
    r.Draw(map, t);
    for (int x : {50, 63, 64, 65, 128, 250})
        EXPECT_EQ(At(x, 40), kRed) << x;  // the top edge crosses block borders
    EXPECT_EQ(At(250, 128), kRed);
    EXPECT_EQ(At(100, 42), kRed);  // inside the 5-pixel pen
    EXPECT_TRUE(IsWhite(100, 44));
    EXPECT_TRUE(IsWhite(150, 100));  // the inside is not filled
}

// Opacity is a percentage: a stored value outside 0 to 100 draws as the nearest end, for every
// class, and the pen grows with the scale.
TEST_F(WriteDrawTest, OpacityOutsideTheRangeIsHeldToIt) {
    const std::string picture = Halves("halves.png", "PNG");
    struct Case {
        int32_t transparency;
        bool drawn;
    } cases[] = {{50, true}, {101, true}, {INT32_MAX, true}, {-1, false}, {INT32_MIN, false}};
    for (const Case& c : cases) {
        CWriteObjectLine line;
        line.m_aPoints = {P(20, 50), P(280, 50)};
        line.m_nSize = 8;  // 10 pixels
        CWriteObjectString text;
        text.m_rcShape = Box(20, 100, 120, 140);
        text.m_bBackground = true;
        text.m_crBackground = kBlue;
        CWriteObjectPicture p;
        p.m_rcShape = Box(150, 100, 230, 140);
        p.m_strFile = picture;
        std::vector<CWriteObject*> objects{&line, &text, &p};
        map.FillWhite();
        for (CWriteObject* o : objects) {
            o->m_crColor = kRed;
            o->m_nTransparency = c.transparency;
            o->UpdateBounds();
            o->Draw(map, t);
        }
        SCOPED_TRACE(c.transparency);
        if (c.transparency == 50) {
            EXPECT_TRUE(Near(At(100, 50), 255, 128, 128));  // alpha 127 over white
            EXPECT_EQ(CountNonWhite(100, 30, 101, 70), 10);
        } else {
            EXPECT_EQ(At(100, 50) == kRed, c.drawn);
            EXPECT_EQ(At(100, 130) == kBlue, c.drawn);
            EXPECT_EQ(At(160, 120) == kRed, c.drawn);
            EXPECT_EQ(CountNonWhite(0, 0, 300, 200) == 0, !c.drawn);
        }
    }
    // Twice the scale, twice the width.
    CWriteObjectLine thin;
    thin.m_aPoints = {WritePoint{20, 3900}, WritePoint{500, 3900}};  // y = 50 at 0.5
    thin.m_nSize = 2;
    map.FillWhite();
    thin.Draw(map, WriteTransform{0, 0, 0, 4000, 0.5, 0.5});
    EXPECT_EQ(CountNonWhite(100, 40, 101, 60), 5);
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
        line.Draw(map, t);
        for (int x : c.on)
            EXPECT_EQ(At(x, row), 0u) << "style " << c.style << " x " << x;
        for (int x : c.off)
            EXPECT_TRUE(IsWhite(x, row)) << "style " << c.style << " x " << x;
        row += 35;
    }
}

TEST_F(WriteDrawTest, SelectionHandlesOutlinesAndCandidates) {
    CWriteObjectEllipse e;
    e.m_rcShape = Box(60, 40, 240, 160);
    e.m_crColor = kBlue;
    e.m_bSelected = true;
    e.Draw(map, t);
    EXPECT_EQ(At(240, 100), kBlue);
    // A dotted black outline of the box: every other pixel along the top edge.
    int black = 0;
    for (int x = 80; x < 120; ++x)
        if (At(x, 40) == 0) ++black;
    EXPECT_NEAR(black, 20, 2);
    // A handle square from 4 pixels left of and above each corner, 9 pixels on: a black
    // border, translucent green inside.
    for (auto [cx, cy] : {std::pair{60, 40}, {240, 160}}) {
        EXPECT_EQ(At(cx - 4, cy), 0u) << cx;
        EXPECT_EQ(At(cx + 5, cy + 2), 0u) << cx;
        EXPECT_TRUE(Near(At(cx - 2, cy + 2), 135, 255, 135, 4)) << cx;
        EXPECT_TRUE(IsWhite(cx - 6, cy + 6));
    }

    // A line being created: through its candidates on to the rubber band, squares on the
    // candidates only.
    map.FillWhite();
    CWriteObjectLine line;
    line.m_aPoints = {P(20, 100), P(100, 100)};
    line.m_aTrace = {P(150, 60)};
    line.m_ptRubber = P(200, 100);
    line.m_nSize = 4;
    line.m_crColor = kRed;
    line.Draw(map, t);
    EXPECT_EQ(At(125, 80), kRed);
    EXPECT_EQ(At(175, 80), kRed);
    EXPECT_EQ(At(146, 62), 0u);
    EXPECT_TRUE(IsWhite(20 - 6, 100));
}

TEST_F(WriteDrawTest, StringBitmapWithBackground) {
    CWriteObjectString s;
    s.m_rcShape = Box(20, 20, 220, 120);
    s.m_strText = "Hut 山";
    s.m_lf.lfHeight = -24;
    s.m_bBackground = true;
    s.m_crBackground = MakeColorref(255, 255, 0);
    s.UpdateBounds();
    s.Draw(map, t);
    EXPECT_EQ(At(200, 110), MakeColorref(255, 255, 0));  // background, away from the text
    EXPECT_TRUE(IsWhite(19, 60));
    EXPECT_TRUE(IsWhite(222, 60));
    int dark = 0;  // the black text in the top left
    for (int y = 20; y < 60; ++y)
        for (int x = 20; x < 150; ++x)
            if (RedOf(At(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 50);
    // While being created the box has a dotted outline; a box of no height draws nothing.
    map.FillWhite();
    s.m_bBackground = false;
    s.m_bCreating = true;
    s.m_strText.clear();
    s.Draw(map, t);
    EXPECT_GT(CountNonWhite(20, 120, 221, 121), 80);
    EXPECT_EQ(CountNonWhite(21, 21, 219, 119), 0);
    map.FillWhite();
    s.m_rcShape = Box(20, 50, 220, 50);
    s.Draw(map, t);
    EXPECT_EQ(CountNonWhite(0, 0, 300, 200), 0);
}

// The bands of rows with ink in a column range: one per line of text.
int InkedBands(const CDivBitmap& map, int x0, int x1, int y0, int y1) {
    int bands = 0;
    bool inked = false;
    for (int y = y0; y < y1; ++y) {
        bool row = false;
        for (int x = x0; x < x1 && !row; ++x)
            row = RedOf(map.GetPixel(x, y)) < 128;
        if (row && !inked) ++bands;
        inked = row;
    }
    return bands;
}

// A box fitted to its text shows every line of it, at any ratio of the view's scales; a box
// too low for a line leaves that line out rather than cutting it.
TEST_F(WriteDrawTest, FitShowsEveryLineOfTheString) {
    for (double sy : {0.25, 0.5, 0.18}) {
        const WriteTransform view{0, 0, 0, 4000, 0.25, sy};
        CWriteObjectString s;
        s.m_strText = "AAAA\nBBBB\nCCCC";
        s.NoteViewScale(view.sx, view.sy);
        s.BeginCreate(0, 40, 3960);
        ASSERT_EQ(s.EndCreate(kMouseShift, 80, 3900), 0);
        map.FillWhite();
        s.Draw(map, view);
        EXPECT_EQ(InkedBands(map, 0, 300, 0, 200), 3) << sy;
        // The same box without its last tenth: the third line goes.
        s.MoveHandle(kHandleCorner1, 0, 0, (s.m_rcShape.y2 - s.m_rcShape.y1) / 10);
        map.FillWhite();
        s.Draw(map, view);
        EXPECT_EQ(InkedBands(map, 0, 300, 0, 200), 2) << sy;
    }
}

// Drawing changes no object: a print at another scale leaves fitting and the aspect ratio to
// the view's scale.
TEST_F(WriteDrawTest, DrawingAtThePrintScaleChangesNoEdit) {
    const WriteTransform print{0, 0, 0, 4000, 1.0, 3.0};
    CWriteObjectString s;
    s.m_strText = "Summit";
    s.NoteViewScale(t.sx, t.sy);
    auto drawn = s.Clone();
    drawn->Draw(map, print);
    for (CWriteObject* o : {static_cast<CWriteObject*>(&s), drawn.get()}) {
        o->BeginCreate(0, 400, 3600);
        o->EndCreate(kMouseShift, 800, 3000);
    }
    EXPECT_EQ(drawn->m_rcBounds, s.m_rcBounds);

    // A picture keeps its aspect ratio at the view's scale, with its size from the picture
    // cache, however it was drawn before.
    CWriteObjectPicture p;
    p.m_strFile = Halves("halves.bmp", "BMP");
    p.NoteViewScale(t.sx, t.sy);
    p.m_rcShape = WriteShape{0, 0, 400, 100};
    p.Draw(map, print);
    p.BeginCreate(0, 0, 0);
    p.EndCreate(kMouseShift, 400, 100);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 400, 200}));
}

TEST_F(WriteDrawTest, PicturesFromFiles) {
    for (const std::string& file : {Halves("halves.png", "PNG"), Halves("halves.bmp", "BMP")}) {
        CWriteObjectPicture p;
        p.m_rcShape = Box(100, 50, 180, 90);
        p.m_strFile = file;
        p.m_bSelected = true;
        map.FillWhite();
        p.Draw(map, t);
        EXPECT_EQ(At(110, 70), kRed) << file;
        EXPECT_EQ(At(170, 70), kBlue) << file;
        EXPECT_TRUE(IsWhite(98, 70));
        EXPECT_EQ(At(96, 90), 0u);  // a handle square at corner 1
        // Blue as the transparent colour.
        map.FillWhite();
        p.m_bColorKey = true;
        p.m_crColorKey = kBlue;
        p.Draw(map, t);
        EXPECT_EQ(At(110, 70), kRed);
        EXPECT_TRUE(IsWhite(170, 70));
        // Decoded once: drawn from the cache after the file is gone.
        std::filesystem::remove(file);
        map.FillWhite();
        p.Draw(map, t);
        EXPECT_EQ(At(110, 70), kRed);
    }
    // A missing file, and one that is not an image, draw nothing, not even the selection.
    WriteFile(dir / "junk.png", "\x89PNG\r\n\x1a\nnot really");
    for (const char* name : {"missing.png", "junk.png"}) {
        CWriteObjectPicture missing;
        missing.m_rcShape = Box(10, 10, 50, 50);
        missing.m_strFile = (dir / name).string();
        missing.m_bSelected = true;
        map.FillWhite();
        missing.Draw(map, t);
        EXPECT_EQ(CountNonWhite(0, 0, 300, 200), 0) << name;
    }
}

TEST_F(WriteDrawTest, PictureCacheReplacesTheOldestOfAHundred) {
    CStockBitmap& cache = CStockBitmap::Instance();
    QImage pixel(1, 1, QImage::Format_ARGB32);
    for (int i = 0; i <= 100; ++i)
        cache.Add("n" + std::to_string(i), pixel);
    EXPECT_TRUE(cache.Find("n0").isNull());
    EXPECT_FALSE(cache.Find("n1").isNull());
    EXPECT_FALSE(cache.Find("n100").isNull());
    EXPECT_TRUE(cache.Find("N100").isNull());  // names match exactly
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
    write.Set(1).rcBox = GeoBox{-100000, -100000, -99000, -99000};  // a set out of view

    write.DrawSets(map, t, GeoBox{t.GeoX(0), t.GeoY(200), t.GeoX(300), t.GeoY(0)});
    EXPECT_EQ(At(50, 100), MakeColorref(0, 255, 0));
    EXPECT_EQ(At(150, 100), MakeColorref(0, 255, 0));
    EXPECT_TRUE(IsWhite(150, 50));
    EXPECT_TRUE(IsWhite(250, 50));
    EXPECT_TRUE(IsWhite(120, 150));
}

// --- path tracing ----------------------------------------------------------------------------

// At an eighth of a pixel per geo unit the thinning distance of 15 geo units is under two
// pixels; pixel (px, py) is geo (8 px, 8000 - 8 py).
class PathTraceTest : public WriteDrawTest {
  protected:
    void Road(const std::vector<QPointF>& points) {
        map.DrawLines(QPen(QColor(100, 100, 100), 3), points);
    }
    static WritePoint Q(int px, int py) { return WritePoint{8 * px, 8000 - 8 * py}; }
    // Traces from one pixel towards another; the candidates in pixels.
    std::vector<QPoint> Trace(QPoint from, QPoint to) {
        line = CWriteObjectLine();
        line.BeginCreate(0, Q(from.x(), from.y()).x, Q(from.x(), from.y()).y);
        line.m_ptRubber = Q(to.x(), to.y());
        line.TracePath(map, tr);
        std::vector<QPoint> pixels;
        for (const WritePoint& c : line.m_aTrace)
            pixels.emplace_back(tr.X(c.x), tr.Y(c.y));
        return pixels;
    }

    const WriteTransform tr{0, 0, 0, 8000, 0.125, 0.125};
    CWriteObjectLine line;
    RecordingStatus status;
};

TEST_F(PathTraceTest, BlankMapFindsNothing) {
    EXPECT_TRUE(Trace({20, 100}, {250, 100}).empty());
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(PathTraceTest, FollowsAGreyRoadAndThinsTheCandidates) {
    // A road with a bend: east, then south-east. A near-white strip is no path.
    Road({QPointF(20, 100), QPointF(150, 100), QPointF(260, 170)});
    map.FillRectangle(QBrush(QColor(245, 245, 245)), QRectF(0, 0, 300, 10));
    const auto found = Trace({20, 100}, {260, 170});
    ASSERT_GE(found.size(), 2u);
    EXPECT_EQ(status.Last(), "Left click=Adopt Right click=Reject Shift=Retrace");
    for (const QPoint& c : found)
        EXPECT_EQ(map.GetPixel(c.x(), c.y()), MakeColorref(100, 100, 100)) << c.x() << "," << c.y();
    // Thinned: on the straight parts only the ends are left, and the bend is kept.
    EXPECT_LE(found.size(), 6u);
    EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                            [](QPoint c) { return std::abs(c.x() - 150) <= 12; }));
    EXPECT_GE(found.back().x(), 240);
    // Adopted by the next click.
    line.BeginCreate(0, 1, 1);
    EXPECT_EQ(line.m_aPoints.size(), 1 + found.size());
}

// The trace stops once the road has carried it past the target, bridges gaps in the drawn road
// of up to 19 pixels, and keeps going when the road crosses the target's row heading west.
TEST_F(PathTraceTest, StopsPastTheTargetAndBridgesShortGaps) {
    struct Case {
        std::vector<std::vector<QPointF>> roads;
        QPoint from, to;
        int minX, maxX;  // where the last candidate may lie
    } cases[] = {
        {{{QPointF(20, 100), QPointF(290, 100)}}, {20, 100}, {150, 100}, 140, 170},
        {{{QPointF(20, 100), QPointF(100, 100)}, {QPointF(116, 100), QPointF(290, 100)}},
         {20, 100},
         {285, 100},
         270,
         292},
        {{{QPointF(20, 100), QPointF(100, 100)}, {QPointF(125, 100), QPointF(290, 100)}},
         {20, 100},
         {285, 100},
         90,
         103},
        {{{QPointF(285, 96), QPointF(200, 96), QPointF(195, 106), QPointF(15, 106)}},
         {285, 96},
         {20, 101},
         0,
         40},
    };
    for (const Case& c : cases) {
        map.FillWhite();
        for (const auto& road : c.roads)
            Road(road);
        const auto found = Trace(c.from, c.to);
        ASSERT_FALSE(found.empty()) << c.to.x();
        EXPECT_GE(found.back().x(), c.minX) << c.to.x();
        EXPECT_LE(found.back().x(), c.maxX) << c.to.x();
    }
}

}  // namespace
}  // namespace hfp::test
