// The write objects by themselves under the map view's transform at level 16: creation steps,
// hit tests, handles and drags, the picture and string sizing rules.
#include <gtest/gtest.h>

#include "WriteTestUtil.h"

namespace hfp::test {
namespace {

class WriteObjectTest : public ::testing::Test {
  protected:
    WriteTransform t = ViewAtLevel16();
    RecordingStatus status;

    WritePoint At(double px, double py) const { return GeoAt(t, px, py); }
    int Hit(CWriteObject& o, int flags, double px, double py) {
        WritePoint p = At(px, py);
        return o.HitHandle(flags, p.x, p.y, t);
    }
    bool HitPoint(const CWriteObject& o, double px, double py) const {
        WritePoint p = At(px, py);
        return o.HitTest(GeoBox{p.x, p.y, p.x, p.y}, t.sx, t.sy);
    }
    template <class T>
    std::unique_ptr<CWriteObject> Shape(double left, double top, double right, double bottom) {
        auto o = std::make_unique<T>();
        o->m_rcShape = ShapeAt(t, left, top, right, bottom);
        o->UpdateBounds();
        return o;
    }
};

TEST_F(WriteObjectTest, CreationSteps) {
    WritePoint a = At(300, 350), b = At(500, 200);
    CWriteObjectRectangle r;
    EXPECT_EQ(r.BeginCreate(0, b.x, b.y), 1);
    EXPECT_EQ(r.TrackCreate(0, a.x, a.y), 1);
    EXPECT_EQ(r.EndCreate(0, b.x, b.y), -1);  // released on the first corner: nothing drawn
    r.BeginCreate(0, b.x, b.y);
    EXPECT_EQ(r.EndCreate(0, a.x, a.y), 0);
    EXPECT_EQ(r.m_rcBounds, (GeoBox{a.x, a.y, b.x, b.y}));  // normalised

    CWriteObjectLine line;
    EXPECT_EQ(line.BeginCreate(0, a.x, a.y), 1);
    EXPECT_EQ(line.FinishCreate(0, a.x, a.y), 1);  // one point does not finish a line
    line.BeginCreate(0, a.x, a.y);                 // the same place again adds nothing
    line.BeginCreate(0, b.x, b.y);
    line.BeginCreate(0, b.x + 9, b.y);
    ASSERT_EQ(line.m_aPoints.size(), 3u);
    EXPECT_EQ(line.UndoCreateStep(0, b.x + 5, b.y), 1);  // takes back the last point
    EXPECT_EQ(line.m_ptRubber, (WritePoint{b.x + 5, b.y}));
    EXPECT_EQ(line.FinishCreate(0, b.x, b.y), 0);
    EXPECT_EQ(line.m_rcBounds, (GeoBox{a.x, a.y, b.x, b.y}));
    // Traced candidates: a left click adopts them and adds nothing itself; a right click
    // rejects them and keeps every point.
    line.m_aTrace = {{1, 1}, {2, 2}};
    line.BeginCreate(0, 999, 999);
    EXPECT_EQ(line.m_aPoints.size(), 4u);
    line.m_aTrace = {{3, 3}};
    EXPECT_EQ(line.UndoCreateStep(0, 1, 1), 1);
    EXPECT_TRUE(line.m_aTrace.empty());
    EXPECT_EQ(line.m_aPoints.size(), 4u);
    CWriteObjectLine single;
    single.BeginCreate(0, 5, 6);
    EXPECT_EQ(single.UndoCreateStep(0, 5, 6), -1);  // a right click on one point cancels

    // A picture without a stamp ignores Ctrl; with one, Ctrl centres the stamp's size.
    CWriteObjectPicture p;
    p.BeginCreate(0, 0, 0);
    p.TrackCreate(kMouseCtrl, 100, 200);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 100, 200}));
    p.m_rcStamp = WriteShape{0, 0, 1001, 600};
    EXPECT_EQ(p.EndCreate(kMouseCtrl, 10000, 10000), 0);
    EXPECT_EQ(p.m_rcBounds, (GeoBox{9500, 9700, 10501, 10300}));
}

TEST_F(WriteObjectTest, HitTestsFollowEachShape) {
    auto rect = Shape<CWriteObjectRectangle>(300, 200, 500, 350);
    auto ellipse = Shape<CWriteObjectEllipse>(300, 200, 500, 400);
    auto text = Shape<CWriteObjectString>(300, 200, 500, 350);
    auto line = LineThrough(t, {{100, 100}, {300, 300}});
    auto upright = LineThrough(t, {{200, 100}, {200, 300}});
    CWriteObjectLine empty;
    auto flat = Shape<CWriteObjectEllipse>(300, 300, 500, 300);
    const double cx = (t.X(ellipse->m_rcBounds.left) + t.X(ellipse->m_rcBounds.right)) / 2.0;
    const double cy = (t.Y(ellipse->m_rcBounds.bottom) + t.Y(ellipse->m_rcBounds.top)) / 2.0;
    struct Case {
        const CWriteObject* o;
        double px, py;
        bool hit;
    } cases[] = {
        {rect.get(), 400, 275, false},  // a rectangle's middle is not part of it
        {rect.get(), 400, 207, true},
        {rect.get(), 493, 275, true},
        {rect.get(), 400, 212, false},
        {rect.get(), 512, 275, false},
        {text.get(), 400, 275, true},
        {text.get(), 510, 275, false},
        {ellipse.get(), cx, cy, false},
        {ellipse.get(), cx + 70.7, cy - 70.7, true},
        {ellipse.get(), cx + 67, cy - 67, true},
        {ellipse.get(), cx + 75, cy - 75, true},
        {ellipse.get(), 303, 203, false},  // the box's corner is off the outline
        {flat.get(), 400, 305, true},      // a flat ellipse is a line, not a division by 0
        {flat.get(), 400, 340, false},
        {line.get(), 200, 206, true},
        {line.get(), 200, 240, false},  // inside the segment's box, far from it
        {upright.get(), 205, 200, true},
        {upright.get(), 230, 200, false},
        {&empty, 200, 200, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitPoint(*c.o, c.px, c.py), c.hit)
            << c.o->m_nType << " at " << c.px << "," << c.py;
}

TEST_F(WriteObjectTest, HandlesAndHoverCursors) {
    auto rect = Shape<CWriteObjectRectangle>(300, 200, 500, 350);
    auto text = Shape<CWriteObjectString>(300, 200, 500, 350);
    auto picture = Shape<CWriteObjectPicture>(300, 200, 500, 350);
    auto line = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    struct Case {
        CWriteObject* o;
        double px, py;
        int handle;
        WriteCursor cursor;
    } cases[] = {
        // Corner 1 is (x1, y1): west and south, the bottom left on screen.
        {rect.get(), 302, 348, kHandleCorner1, WriteCursor::SizeNeSw},
        {rect.get(), 498, 352, kHandleCorner2, WriteCursor::SizeNwSe},
        {rect.get(), 300, 200, kHandleCorner3, WriteCursor::SizeNwSe},
        {rect.get(), 503, 197, kHandleCorner4, WriteCursor::SizeNeSw},
        {rect.get(), 400, 200, kHandleBody, WriteCursor::SizeAll},
        {rect.get(), 400, 275, kHandleNone, WriteCursor::None},
        {text.get(), 400, 275, kHandleBody, WriteCursor::SizeAll},
        {picture.get(), 500, 350, kHandleCorner2, WriteCursor::SizeNwSe},
        {line.get(), 302, 297, kHandlePoint, WriteCursor::Point},
        {line.get(), 200, 104, kHandleBody, WriteCursor::SizeAll},
        {line.get(), 200, 120, kHandleNone, WriteCursor::None},
    };
    for (const Case& c : cases) {
        const WritePoint p = At(c.px, c.py);
        EXPECT_EQ(c.o->HitHandle(0, p.x, p.y, t), c.handle) << c.o->m_nType << " " << c.px;
        EXPECT_EQ(c.o->GetHoverCursor(0, p.x, p.y, t), c.cursor) << c.o->m_nType << " " << c.px;
    }
}

TEST_F(WriteObjectTest, LinePointEdits) {
    auto line = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    const std::vector<WritePoint> points = line->m_aPoints;
    // A miss forgets the point of an earlier hit.
    EXPECT_EQ(Hit(*line, 0, 300, 300), kHandlePoint);
    EXPECT_EQ(line->m_nDragPoint, 2);
    EXPECT_EQ(Hit(*line, 0, 700, 500), kHandleNone);
    EXPECT_EQ(line->m_nDragPoint, -1);
    line->DragHandle(kHandlePoint, 0, 10, 20);
    EXPECT_EQ(line->m_aPoints, points);

    // Ctrl on the first point reverses the line, so extending goes on from the last point.
    EXPECT_EQ(Hit(*line, kMouseCtrl, 100, 100), kHandleExtend);
    EXPECT_EQ(line->m_aPoints, (std::vector<WritePoint>{points[2], points[1], points[0]}));
    // Ctrl between points inserts one on the nearest segment and drags it.
    EXPECT_EQ(Hit(*line, kMouseCtrl, 300, 200), kHandlePointInserted);
    EXPECT_EQ(line->m_nDragPoint, 1);
    EXPECT_EQ(Hit(*line, kMouseCtrl, 600, 400), kHandleNone);
    ASSERT_EQ(line->m_aPoints.size(), 4u);

    // Shift deletes a point, and the bounds follow; away from every point it answers the body.
    EXPECT_EQ(Hit(*line, kMouseShift, 700, 500), kHandleBody);
    EXPECT_EQ(Hit(*line, kMouseShift, 100, 100), kHandlePointDeleted);
    EXPECT_EQ(line->m_rcBounds.left, points[1].x);
    EXPECT_EQ(Hit(*line, kMouseShift, 300, 300), kHandlePointDeleted);
    // A line keeps two points.
    EXPECT_EQ(Hit(*line, kMouseShift, 300, 100), kHandleNone);
    EXPECT_EQ(line->m_aPoints.size(), 2u);
}

TEST_F(WriteObjectTest, DragsKeepTheGrabbedCornerUntilTheDrop) {
    std::unique_ptr<CWriteObject> shapes[] = {std::make_unique<CWriteObjectRectangle>(),
                                              std::make_unique<CWriteObjectEllipse>(),
                                              std::make_unique<CWriteObjectString>()};
    for (auto& o : shapes) {
        o->Offset(1000, 2000);  // (1000, 2000) to (1000, 2000), then made 2000 × 2000
        o->MoveHandle(kHandleCorner4, 0, 2000, 2000);
        o->DragHandle(kHandleCorner1, 0, 2500, 0);
        o->DragHandle(kHandleCorner1, 0, 100, 0);
        // The rectangle normalises at every step; the others only at the drop.
        const bool normalised = o->m_nType == kWriteRectangle;
        EXPECT_EQ(o->m_rcBounds.left, normalised ? 3100 : 1000) << o->m_nType;
        o->MoveHandle(kHandleCorner1, 0, 0, 0);
        EXPECT_EQ(o->m_rcBounds,
                  (GeoBox{normalised ? 3100 : 3000, 2000, normalised ? 3500 : 3600, 4000}));
    }
}

TEST_F(WriteObjectTest, PictureKeepsItsAspectRatio) {
    CWriteObjectPicture p;
    p.m_nImageWidth = 200;
    p.m_nImageHeight = 100;
    p.NoteViewScale(0.1, 0.2);
    p.BeginCreate(0, 0, 0);
    // mX = 1000 * 0.1 / 200 = 0.5 and mY = 300 * 0.2 / 100 = 0.6: the height decides.
    p.TrackCreate(kMouseShift, 1000, 300);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 1200, 300}));
    // Dragged west and south, the directions are kept: mX = -0.75 wins, height 375 south.
    p.TrackCreate(kMouseShift, -1500, -100);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, -1500, -375}));

    // A corner drag with Shift adjusts the free axis of the grabbed side.
    p.m_rcShape = WriteShape{0, 0, 1000, 500};
    const WriteTransform unit{0, 0, 0, 0, 0.1, 0.2};
    ASSERT_EQ(p.HitHandle(0, 1000, 500, unit), kHandleCorner4);
    p.DragHandle(kHandleCorner4, kMouseShift, 0, 300);  // work box 1000 × 800: mY = 1.6 wins
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 3200, 800}));
    p.MoveHandle(kHandleCorner4, 0, 100, 0);  // without Shift the corner follows the work box
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 1100, 800}));
}

// Every selected picture is dragged by the corner that one of them was grabbed by: each must
// resize from where it is, also after the selection was moved.
TEST_F(WriteObjectTest, MultiSelectionPictureCornerDrags) {
    CWriteObjectPicture grabbed, other;
    grabbed.m_rcShape = WriteShape{0, 0, 1000, 500};
    other.m_rcShape = WriteShape{5000, 5000, 6000, 7000};
    grabbed.UpdateBounds();
    other.UpdateBounds();
    const WriteTransform unit{0, 0, 0, 0, 0.1, 0.2};
    for (int round = 0; round < 2; ++round) {
        const WriteShape a = grabbed.m_rcShape, b = other.m_rcShape;
        ASSERT_EQ(grabbed.HitHandle(0, a.x2, a.y2, unit), kHandleCorner4);
        for (CWriteObjectPicture* p : {&grabbed, &other}) {
            p->DragHandle(kHandleCorner4, 0, 40, 30);
            p->DragHandle(kHandleCorner4, 0, 60, 70);
            p->MoveHandle(kHandleCorner4, 0, 0, 0);
        }
        EXPECT_EQ(grabbed.m_rcShape, (WriteShape{a.x1, a.y1, a.x2 + 100, a.y2 + 100}));
        EXPECT_EQ(other.m_rcShape, (WriteShape{b.x1, b.y1, b.x2 + 100, b.y2 + 100}));
        // The whole selection is moved before the next corner drag.
        grabbed.Offset(-300, 200);
        other.Offset(-300, 200);
    }
}

TEST_F(WriteObjectTest, StringFitKeepsTheOppositeCorner) {
    CWriteObjectString s;
    s.m_strText = "Mt. Fuji\nsummit";
    s.m_rcShape = WriteShape{1000, 2000, 1001, 2001};
    const WritePoint corner = At(0, 0);
    s.HitHandle(0, corner.x, corner.y, t);  // the view's scale comes with the hit
    s.MoveHandle(kHandleCorner4, kMouseShift, 0, 0);
    const WriteShape fitted = s.m_rcShape;
    EXPECT_EQ(fitted.x1, 1000);
    EXPECT_EQ(fitted.y1, 2000);
    EXPECT_GT(fitted.x2 - fitted.x1, 100);
    EXPECT_GT(fitted.y2 - fitted.y1, 100);
    s.MoveHandle(kHandleCorner1, kMouseShift, 0, 0);
    // The same size, now with corner 4 fixed.
    EXPECT_EQ(s.m_rcShape.x2, fitted.x2);
    EXPECT_EQ(s.m_rcShape.y2, fitted.y2);
    EXPECT_NEAR(s.m_rcShape.x1, fitted.x1, 1);
    EXPECT_NEAR(s.m_rcShape.y1, fitted.y1, 1);
}

TEST_F(WriteObjectTest, StatusTextShowsTheSizeOfSolidLines) {
    CWriteObjectLine l;
    l.m_nSize = 3;
    EXPECT_EQ(l.GetStatusText(),
              "Connected line Color:000,000,000 Size:3 Style:Line(3) "
              "Transparency:100");
    l.m_nStyle = 77;  // a style no dialog gives, from a damaged file
    EXPECT_NE(l.GetStatusText().find("Style:Line "), std::string::npos);
}

TEST_F(WriteObjectTest, ClonesAreIndependentAndUnselected) {
    for (const auto& o : OneOfEach()) {
        o->m_bSelected = true;
        auto copy = o->Clone();
        EXPECT_FALSE(copy->m_bSelected);
        EXPECT_EQ(copy->ToBuffer(), o->ToBuffer());
        copy->Offset(5, 5);
        EXPECT_NE(copy->ToBuffer(), o->ToBuffer());
    }
    CWriteObjectPicture p;
    p.m_rcShape = WriteShape{1, 2, 3, 4};
    EXPECT_EQ(static_cast<CWriteObjectPicture&>(*p.Clone()).m_rcStamp, p.m_rcShape);
}

}  // namespace
}  // namespace hfp::test
