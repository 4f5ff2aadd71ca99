// Drawing onto a banded bitmap of several blocks, compared with the pixels expected; pictures
// from real image files through the picture cache; path tracing on a drawn map.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>

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
            EXPECT_EQ(RedOf(At(100, 50)), 255);  // alpha 127 over white
            EXPECT_NEAR(GreenOf(At(100, 50)), 128, 2);
            EXPECT_EQ(CountNonWhite(100, 30, 101, 70), 10);
        } else {
            EXPECT_EQ(At(100, 50) == kRed, c.drawn);
            EXPECT_EQ(At(100, 130) == kBlue, c.drawn);
            EXPECT_EQ(At(160, 120) == kRed, c.drawn);
            EXPECT_EQ(CountNonWhite(0, 0, 300, 200) == 0, !c.drawn);
        }
    }
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
        // Fitted again by its south-west corner with Shift: the north-east corner stays.
        const WriteShape fitted = s.m_rcShape;
        s.MoveHandle(kHandleCorner1, kMouseShift, 0, 0);
        EXPECT_EQ(s.m_rcShape.x2, fitted.x2);
        EXPECT_EQ(s.m_rcShape.y2, fitted.y2);
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
        EXPECT_EQ(At(96, 90), 0u);  // a handle square at corner 1
        map.FillWhite();            // blue as the transparent colour
        p.m_bColorKey = true;
        p.m_crColorKey = kBlue;
        p.Draw(map, t);
        EXPECT_TRUE(IsWhite(170, 70));
    }
    // A missing file, and one that is not an image, draw nothing, not even the selection.
    WriteFile(dir / "junk.png", "\x89PNG\r\n\x1a\nnot really");
    CWriteObjectPicture missing;
    missing.m_rcShape = Box(10, 10, 50, 50);
    missing.m_bSelected = true;
    map.FillWhite();
    for (const char* name : {"missing.png", "junk.png"}) {
        missing.m_strFile = (dir / name).string();
        missing.Draw(map, t);
    }
    EXPECT_EQ(CountNonWhite(0, 0, 300, 200), 0);
}

TEST_F(WriteDrawTest, SetsDrawInOrderAndSkipWhatIsOutOfView) {
    CWrite write;
    write.AddSet("Under");
    write.AddSet("Over");
    write.AddSet("Hidden");
    auto line = [&](int set, int x0, int y0, int x1, int y1, COLORREF color) {
        auto l = std::make_unique<CWriteObjectLine>();
        l->m_aPoints = {P(x0, y0), P(x1, y1)};
        l->m_crColor = color;
        l->m_nSize = 8;
        l->UpdateBounds();
        write.Set(set).aObjects.push_back(std::move(l));
    };
    // In one set index 0 is in front; a later set is drawn over an earlier one.
    line(0, 20, 100, 280, 100, MakeColorref(0, 255, 0));
    line(0, 50, 20, 50, 180, kRed);
    line(1, 150, 20, 150, 180, kBlue);
    line(2, 250, 20, 250, 180, kRed);
    write.Set(2).bVisible = false;
    // An object whose box says it is far away is not drawn, whatever its points.
    line(0, 100, 150, 200, 150, kRed);
    write.Set(0).aObjects.back()->m_rcBounds = GeoBox{100000, 100000, 100010, 100010};
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

TEST_F(PathTraceTest, FollowsAGreyRoadAndThinsTheCandidates) {
    Road({QPointF(20, 100), QPointF(150, 100), QPointF(260, 170)});  // east, then south-east
    const auto found = Trace({20, 100}, {260, 170});
    EXPECT_EQ(status.texts,
              std::vector<std::string>{"Left click=Adopt Right click=Reject Shift=Retrace"});
    for (const QPoint& c : found)
        EXPECT_EQ(map.GetPixel(c.x(), c.y()), MakeColorref(100, 100, 100)) << c.x() << "," << c.y();
    // Thinned: on the straight parts only the ends are left, and the bend is kept.
    ASSERT_GE(found.size(), 2u);
    EXPECT_LE(found.size(), 6u);
    EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                            [](QPoint c) { return std::abs(c.x() - 150) <= 12; }));
    EXPECT_GE(found.back().x(), 240);
}

// The trace stops once the road has carried it past the target, bridges gaps in the drawn road
// of up to 19 pixels, and keeps going when the road crosses the target's row heading west.
TEST_F(PathTraceTest, StopsPastTheTargetAndBridgesShortGaps) {
    auto east = [](int x0, int x1) {
        return std::vector<QPointF>{{x0 * 1.0, 100}, {x1 * 1.0, 100}};
    };
    const std::vector<QPointF> west{{285, 96}, {200, 96}, {195, 106}, {15, 106}};
    struct Case {
        std::vector<std::vector<QPointF>> roads;
        QPoint from, to;
        int minX, maxX;  // where the last candidate may lie
    } cases[] = {
        {{}, {20, 100}, {250, 100}, -1, -1},  // a blank map: nothing, and no prompt
        {{east(20, 290)}, {20, 100}, {150, 100}, 140, 170},
        {{east(20, 100), east(116, 290)}, {20, 100}, {285, 100}, 270, 292},
        {{east(20, 100), east(125, 290)}, {20, 100}, {285, 100}, 90, 103},
        {{west}, {285, 96}, {20, 101}, 0, 40},
    };
    for (const Case& c : cases) {
        map.FillWhite();
        for (const auto& road : c.roads)
            Road(road);
        const auto found = Trace(c.from, c.to);
        EXPECT_EQ(found.empty(), status.texts.empty());
        const int last = found.empty() ? -1 : found.back().x();
        EXPECT_LE(found.size(), 4u);  // thinned, and no wandering to and fro past the target
        EXPECT_GE(last, c.minX) << c.to.x();
        EXPECT_LE(last, c.maxX) << c.to.x();
    }
}

}  // namespace
}  // namespace hfp::test
