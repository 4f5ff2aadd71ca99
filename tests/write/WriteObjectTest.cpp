// The write objects by themselves under the map view's transform at level 16: creation steps,
// hit tests, handles and drags, the picture and string sizing rules.
#include <gtest/gtest.h>

#include "WriteTestUtil.h"

namespace hfp::test {
namespace {

class WriteObjectTest : public ::testing::Test {
  protected:
    WriteTransform t = ViewAtLevel16();

    WritePoint At(double px, double py) const { return GeoAt(t, px, py); }
    int Hit(CWriteObject& o, int flags, double px, double py) {
        WritePoint p = At(px, py);
        return o.HitHandle(flags, p.x, p.y, t);
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
    // rejects them.
    line.m_aTrace = {{1, 1}, {2, 2}};
    line.BeginCreate(0, 999, 999);
    line.m_aTrace = {{3, 3}};
    EXPECT_EQ(line.UndoCreateStep(0, 1, 1), 1);
    EXPECT_EQ(line.m_aPoints.size(), 4u);
    EXPECT_TRUE(line.m_aTrace.empty());
    // A picture without a stamp ignores Ctrl; with one, Ctrl centres the stamp's size. A
    // release on the first corner draws nothing.
    CWriteObjectPicture p;
    p.BeginCreate(0, 0, 0);
    EXPECT_EQ(p.EndCreate(0, 0, 0), -1);
    p.TrackCreate(kMouseCtrl, 100, 200);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 100, 200}));
    p.m_rcStamp = WriteShape{0, 0, 1001, 600};
    EXPECT_EQ(p.EndCreate(kMouseCtrl, 10000, 10000), 0);
    EXPECT_EQ(p.m_rcBounds, (GeoBox{9500, 9700, 10501, 10300}));
}

// Where each class is hit: corners first, then the body by the shape's own hit test. The hover
// cursor follows the handle.
TEST_F(WriteObjectTest, HandlesAndHitTestsFollowEachShape) {
    auto rect = Shape<CWriteObjectRectangle>(300, 200, 500, 350);
    auto ellipse = Shape<CWriteObjectEllipse>(300, 200, 500, 400);
    auto text = Shape<CWriteObjectString>(300, 200, 500, 350);
    auto picture = Shape<CWriteObjectPicture>(300, 200, 500, 350);
    auto flat = Shape<CWriteObjectEllipse>(300, 300, 500, 300);
    auto line = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    auto upright = LineThrough(t, {{600, 100}, {600, 300}});
    CWriteObjectLine empty;
    const double cx = (t.X(ellipse->m_rcBounds.left) + t.X(ellipse->m_rcBounds.right)) / 2.0;
    const double cy = (t.Y(ellipse->m_rcBounds.bottom) + t.Y(ellipse->m_rcBounds.top)) / 2.0;
    struct Case {
        CWriteObject* o;
        double px, py;
        int handle;
    } cases[] = {
        // Corner 1 is (x1, y1): west and south, the bottom left on screen.
        {rect.get(), 302, 348, kHandleCorner1},
        {rect.get(), 498, 352, kHandleCorner2},
        {rect.get(), 503, 197, kHandleCorner4},
        {rect.get(), 400, 207, kHandleBody},
        {rect.get(), 400, 212, kHandleNone},
        {rect.get(), 512, 275, kHandleNone},
        {rect.get(), 400, 275, kHandleNone},  // a rectangle's middle is not part of it
        {text.get(), 400, 275, kHandleBody},
        {picture.get(), 400, 275, kHandleBody},
        {picture.get(), 500, 350, kHandleCorner2},
        {ellipse.get(), cx, cy, kHandleNone},
        {ellipse.get(), cx + 67, cy - 67, kHandleBody},
        {ellipse.get(), 310, 210, kHandleNone},  // inside the box, off the outline
        {flat.get(), 400, 305, kHandleBody},     // a flat ellipse is a line, not a division by 0
        {line.get(), 302, 297, kHandlePoint},
        {line.get(), 200, 104, kHandleBody},
        {line.get(), 250, 150, kHandleNone},  // inside a segment's box, far from it
        {upright.get(), 605, 200, kHandleBody},
        {&empty, 200, 200, kHandleNone},
    };
    for (const Case& c : cases) {
        const WritePoint p = At(c.px, c.py);
        const WriteCursor cursor = c.handle == kHandleNone    ? WriteCursor::None
                                   : c.handle == kHandleBody  ? WriteCursor::SizeAll
                                   : c.handle == kHandlePoint ? WriteCursor::Point
                                   : c.handle == kHandleCorner2 || c.handle == kHandleCorner3
                                       ? WriteCursor::SizeNwSe
                                       : WriteCursor::SizeNeSw;
        EXPECT_EQ(c.o->HitHandle(0, p.x, p.y, t), c.handle) << c.o->m_nType << " " << c.px;
        EXPECT_EQ(c.o->GetHoverCursor(0, p.x, p.y, t), cursor) << c.o->m_nType << " " << c.px;
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

TEST_F(WriteObjectTest, PictureKeepsItsAspectRatio) {
    CWriteObjectPicture p;
    p.m_nImageWidth = 200;
    p.m_nImageHeight = 100;
    p.NoteViewScale(0.1, 0.2);
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

// Undo keeps clones: never selected (sharing no data is the undo test's).
TEST_F(WriteObjectTest, ClonesAreUnselected) {
    for (const auto& o : OneOfEach()) {
        o->m_bSelected = true;
        EXPECT_FALSE(o->Clone()->m_bSelected) << o->m_nType;
    }
}

}  // namespace
}  // namespace hfp::test
