// The write objects by themselves: creation steps, handles and hit tests under the map view's
// transform at level 16, dragging, the picture and string sizing rules, hover and status texts.
#include <gtest/gtest.h>

#include <cmath>

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
    WriteCursor Hover(CWriteObject& o, double px, double py) {
        WritePoint p = At(px, py);
        return o.GetHoverCursor(0, p.x, p.y, t);
    }
    bool HitPoint(const CWriteObject& o, double px, double py) const {
        WritePoint p = At(px, py);
        return o.HitTest(GeoBox{p.x, p.y, p.x, p.y}, t.sx, t.sy);
    }
};

TEST_F(WriteObjectTest, TransformOfTheViewPutsTheCentreInTheMiddle) {
    EXPECT_EQ(t.ox, 400);
    EXPECT_EQ(t.oy, 300);
    EXPECT_EQ(t.X(kDefaultCenter.lon), 400);
    EXPECT_EQ(t.Y(kDefaultCenter.lat), 300);
    EXPECT_NEAR(t.sx, 0.1294, 0.0005);
    EXPECT_GT(t.sy, t.sx);  // Mercator: a geo unit of latitude is longer on screen
    // North is up, east is right; positions truncate toward zero.
    EXPECT_LT(t.Y(kDefaultCenter.lat + 1000), 300);
    EXPECT_GT(t.X(kDefaultCenter.lon + 1000), 400);
    EXPECT_EQ(t.X(kDefaultCenter.lon + 1), 400);
    EXPECT_EQ(t.X(kDefaultCenter.lon - 1), 400);
    // Far-away coordinates clamp instead of overflowing.
    WriteTransform far = t;
    far.sx = 1e6;
    EXPECT_EQ(far.X(INT32_MAX), INT32_MAX);
}

// --- rectangle -------------------------------------------------------------------------------

TEST_F(WriteObjectTest, RectangleCreationSteps) {
    CWriteObjectRectangle r;
    WritePoint a = At(300, 350), b = At(500, 200);
    EXPECT_EQ(r.BeginCreate(0, a.x, a.y), 1);
    EXPECT_EQ(status.Last(), "End of left drag=End point Right click=Cancel");
    EXPECT_EQ(r.m_rcBounds, (GeoBox{a.x, a.y, a.x, a.y}));
    EXPECT_EQ(r.TrackCreate(0, b.x, b.y), 1);
    EXPECT_EQ(r.m_rcShape.x2, b.x);
    // Releasing on the first corner draws nothing.
    EXPECT_EQ(r.EndCreate(0, a.x, a.y), -1);
    // Dragged from north-east to south-west, the shape comes out normalised.
    CWriteObjectRectangle r2;
    r2.BeginCreate(0, b.x, b.y);
    EXPECT_EQ(r2.EndCreate(0, a.x, a.y), 0);
    EXPECT_EQ(r2.m_rcShape, (WriteShape{a.x, a.y, b.x, b.y}));
    EXPECT_EQ(r2.m_rcBounds, (GeoBox{a.x, a.y, b.x, b.y}));
    // The creation answers of operations a rectangle does not have.
    EXPECT_EQ(r2.FinishCreate(0, a.x, a.y), -1);
    EXPECT_EQ(r2.UndoCreateStep(0, a.x, a.y), -1);
}

TEST_F(WriteObjectTest, RectangleIsHitOnItsEdgesOnly) {
    CWriteObjectRectangle r;
    r.m_rcShape = ShapeAt(t, 300, 200, 500, 350);
    r.UpdateBounds();
    EXPECT_FALSE(HitPoint(r, 400, 275));  // the middle
    EXPECT_TRUE(HitPoint(r, 400, 200));   // top edge
    EXPECT_TRUE(HitPoint(r, 400, 207));   // 7 pixels inside the top edge
    EXPECT_TRUE(HitPoint(r, 493, 275));   // 7 pixels inside the right edge
    EXPECT_FALSE(HitPoint(r, 400, 212));
    EXPECT_FALSE(HitPoint(r, 512, 275));
    EXPECT_FALSE(HitPoint(r, 900, 900));
    // A band around the whole rectangle meets it.
    WritePoint a = At(250, 400), b = At(550, 150);
    EXPECT_TRUE(r.HitTest(GeoBox{a.x, b.y, b.x, a.y}, t.sx, t.sy));
    // A band inside it does not.
    WritePoint c = At(350, 300), d = At(450, 250);
    EXPECT_FALSE(r.HitTest(GeoBox{c.x, d.y, d.x, c.y}, t.sx, t.sy));
}

TEST_F(WriteObjectTest, RectangleHandlesAndHover) {
    CWriteObjectRectangle r;
    r.m_rcShape = ShapeAt(t, 300, 200, 500, 350);
    r.UpdateBounds();
    // Corner 1 is (x1, y1): west and south, the bottom left on screen.
    EXPECT_EQ(Hit(r, 0, 302, 348), kHandleCorner1);
    EXPECT_EQ(Hit(r, 0, 498, 352), kHandleCorner2);
    EXPECT_EQ(Hit(r, 0, 300, 200), kHandleCorner3);
    EXPECT_EQ(Hit(r, 0, 503, 197), kHandleCorner4);
    EXPECT_EQ(Hit(r, 0, 400, 200), kHandleBody);
    EXPECT_EQ(Hit(r, 0, 400, 275), kHandleNone);

    EXPECT_EQ(Hover(r, 300, 350), WriteCursor::SizeNeSw);
    EXPECT_EQ(status.Last(), "Lfet drag=Move point");
    EXPECT_EQ(Hover(r, 500, 350), WriteCursor::SizeNwSe);
    EXPECT_EQ(status.Last(), "Left drag=Move point");
    EXPECT_EQ(Hover(r, 300, 200), WriteCursor::SizeNwSe);
    EXPECT_EQ(Hover(r, 500, 200), WriteCursor::SizeNeSw);
    EXPECT_EQ(Hover(r, 500, 275), WriteCursor::SizeAll);
    EXPECT_EQ(status.Last(), "Left drag=Move write object");
    status.texts.clear();
    EXPECT_EQ(Hover(r, 400, 275), WriteCursor::None);
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(WriteObjectTest, RectangleNormalisesAtEveryDragStep) {
    CWriteObjectRectangle r;
    r.m_rcShape = WriteShape{1000, 2000, 3000, 4000};
    r.UpdateBounds();
    // Corner 1 dragged east past x2: the shape swaps its x coordinates at once.
    r.DragHandle(kHandleCorner1, 0, 2500, 0);
    EXPECT_EQ(r.m_rcShape, (WriteShape{3000, 2000, 3500, 4000}));
    EXPECT_EQ(r.m_rcBounds, (GeoBox{3000, 2000, 3500, 4000}));
    r.MoveHandle(kHandleBody, 0, -100, 50);
    EXPECT_EQ(r.m_rcShape, (WriteShape{2900, 2050, 3400, 4050}));
    r.MoveHandle(kHandleCorner4, 0, 10, 20);
    EXPECT_EQ(r.m_rcShape, (WriteShape{2900, 2050, 3410, 4070}));
    r.Offset(-5000, -5000);
    EXPECT_EQ(r.m_rcBounds, (GeoBox{-2100, -2950, -1590, -930}));
    // Moving never wraps around the 32-bit range.
    r.Offset(INT32_MIN, 0);
    EXPECT_EQ(r.m_rcShape.x1, INT32_MIN);
}

TEST_F(WriteObjectTest, StatusTextsNameStyleAndSize) {
    CWriteObjectRectangle r;
    r.m_crColor = MakeColorref(255, 0, 10);
    r.m_nSize = 3;
    r.m_nTransparency = 50;
    EXPECT_EQ(r.GetStatusText(),
              "Rectangle Color:255,000,010 Size:3 Style:Line(3) Transparency:50");
    r.m_nStyle = 4;
    EXPECT_EQ(r.GetStatusText(),
              "Rectangle Color:255,000,010 Size:3 Style:Dash dot dot Transparency:50");
    CWriteObjectEllipse e;
    e.m_nStyle = 2;
    EXPECT_EQ(e.GetStatusText(), "Ellipse Color:000,000,000 Size:1 Style:Dot Transparency:100");
    CWriteObjectLine l;
    l.m_nStyle = 3;
    l.m_nSize = 12;
    EXPECT_EQ(l.GetStatusText(),
              "Connected line Color:000,000,000 Size:12 Style:Dash dot Transparency:100");
    l.m_nStyle = 77;  // a style no dialog gives, from a damaged file
    EXPECT_EQ(l.GetStatusText(),
              "Connected line Color:000,000,000 Size:12 Style:Line Transparency:100");
    CWriteObjectString s;
    s.m_strText = "Summit";
    s.m_crColor = MakeColorref(1, 2, 3);
    EXPECT_EQ(s.GetStatusText(),
              "String Color:001,002,003 Transparency:100 Character:Summit Font:IPAPGothic");
    s.m_bBackground = true;
    s.m_crBackground = MakeColorref(200, 201, 202);
    EXPECT_EQ(s.GetStatusText(),
              "String Color:001,002,003 Transparency:100 Character:Summit Font:IPAPGothic "
              "Background color:200,201,202");
    CWriteObjectPicture p;
    p.m_strFile = "/photos/hut.png";
    EXPECT_EQ(p.GetStatusText(), "Picture File name:/photos/hut.png");
    p.m_bColorKey = true;
    p.m_crColorKey = MakeColorref(0, 255, 7);
    EXPECT_EQ(p.GetStatusText(), "Picture File name:/photos/hut.png Transparency:000,255,007");
}

// --- ellipse ---------------------------------------------------------------------------------

TEST_F(WriteObjectTest, EllipseIsHitNearItsOutline) {
    CWriteObjectEllipse e;
    e.m_rcShape = ShapeAt(t, 300, 200, 500, 400);  // about 200 × 200 pixels
    e.UpdateBounds();
    const double cx = (t.X(e.m_rcShape.x1) + t.X(e.m_rcShape.x2)) / 2.0;
    const double cy = (t.Y(e.m_rcShape.y1) + t.Y(e.m_rcShape.y2)) / 2.0;
    EXPECT_FALSE(HitPoint(e, cx, cy));
    EXPECT_FALSE(HitPoint(e, cx + 50, cy + 30));  // well inside
    // On the outline, at 45 degrees, and just inside and outside it.
    const double r = 100 / std::sqrt(2.0);
    EXPECT_TRUE(HitPoint(e, cx + r, cy - r));
    EXPECT_TRUE(HitPoint(e, cx + r - 4, cy - r + 4));
    EXPECT_TRUE(HitPoint(e, cx + r + 4, cy - r - 4));
    // The box's corner is outside the outline by more than the tolerance.
    EXPECT_FALSE(HitPoint(e, 303, 203));
    // Far away: the boxes do not even meet.
    EXPECT_FALSE(HitPoint(e, 700, 50));
    // A band straddling the outline, and a band spanning the whole ellipse.
    WritePoint a = At(cx - 10, cy + 10), b = At(cx + 150, cy - 10);
    EXPECT_TRUE(e.HitTest(GeoBox{a.x, a.y, b.x, b.y}, t.sx, t.sy));
    WritePoint c = At(200, 500), d = At(600, 100);
    EXPECT_TRUE(e.HitTest(GeoBox{c.x, c.y, d.x, d.y}, t.sx, t.sy));
    // A flat ellipse (a line) is hit along its box instead of dividing by zero.
    CWriteObjectEllipse flat;
    flat.m_rcShape = ShapeAt(t, 300, 300, 500, 300);
    flat.UpdateBounds();
    EXPECT_TRUE(HitPoint(flat, 400, 305));
    EXPECT_FALSE(HitPoint(flat, 400, 340));
}

TEST_F(WriteObjectTest, EllipseKeepsTheGrabbedCornerWhileDragging) {
    CWriteObjectEllipse e;
    e.m_rcShape = WriteShape{1000, 2000, 3000, 4000};
    e.UpdateBounds();
    e.DragHandle(kHandleCorner1, 0, 2500, 0);
    EXPECT_EQ(e.m_rcShape, (WriteShape{3500, 2000, 3000, 4000}));  // not normalised
    e.DragHandle(kHandleCorner1, 0, 100, 0);
    EXPECT_EQ(e.m_rcShape.x1, 3600);  // still the grabbed corner
    e.MoveHandle(kHandleCorner1, 0, 0, 0);
    EXPECT_EQ(e.m_rcShape, (WriteShape{3000, 2000, 3600, 4000}));
    EXPECT_EQ(e.m_rcBounds, (GeoBox{3000, 2000, 3600, 4000}));

    e.m_rcShape = ShapeAt(t, 300, 200, 500, 400);
    e.UpdateBounds();
    EXPECT_EQ(Hover(e, 300, 400), WriteCursor::SizeNeSw);
    EXPECT_EQ(status.Last(), "Left drag=Move point");
    EXPECT_EQ(Hit(e, 0, 500, 400), kHandleCorner2);
}

// --- connected line --------------------------------------------------------------------------

TEST_F(WriteObjectTest, LineCreationSteps) {
    CWriteObjectLine line;
    WritePoint a = At(100, 100), b = At(200, 150), c = At(300, 100);
    EXPECT_EQ(line.BeginCreate(0, a.x, a.y), 1);
    EXPECT_EQ(line.EndCreate(0, a.x, a.y), 1);
    EXPECT_EQ(status.Last(),
              "Left click=Next point Right click=Cancel previus point Left double click=Last "
              "point Shift=Trace path");
    // A double click on a line of one point does not finish it.
    EXPECT_EQ(line.FinishCreate(0, a.x, a.y), 1);
    // Clicking the last point's exact place again adds nothing.
    line.BeginCreate(0, a.x, a.y);
    EXPECT_EQ(line.m_aPoints.size(), 1u);
    EXPECT_EQ(line.TrackCreate(0, b.x, b.y), 1);
    EXPECT_EQ(line.m_ptRubber, b);
    line.BeginCreate(0, b.x, b.y);
    line.BeginCreate(0, c.x, c.y);
    ASSERT_EQ(line.m_aPoints.size(), 3u);
    // A right click takes back the last point and leaves the rubber band at the mouse.
    EXPECT_EQ(line.UndoCreateStep(0, c.x + 5, c.y), 1);
    EXPECT_EQ(line.m_aPoints.size(), 2u);
    EXPECT_EQ(line.m_ptRubber, (WritePoint{c.x + 5, c.y}));
    EXPECT_EQ(line.FinishCreate(0, b.x, b.y), 0);
    EXPECT_EQ(line.m_ptRubber.x, 0);
    EXPECT_EQ(line.m_rcBounds, (GeoBox{a.x, b.y, b.x, a.y}));
}

TEST_F(WriteObjectTest, RightClickOnALineOfOnePointCancelsIt) {
    CWriteObjectLine line;
    line.BeginCreate(0, 5, 6);
    EXPECT_EQ(line.UndoCreateStep(0, 5, 6), -1);
    EXPECT_EQ(status.Last(), "Left click=Start point Right=Cancel to write connected line");
}

TEST_F(WriteObjectTest, TracedCandidatesAreAdoptedOrRejected) {
    CWriteObjectLine line;
    line.BeginCreate(0, 100, 100);
    line.m_aTrace = {{200, 200}, {300, 250}};
    // A left click adopts the candidates and adds nothing itself.
    EXPECT_EQ(line.BeginCreate(0, 999, 999), 1);
    EXPECT_EQ(line.m_aPoints, (std::vector<WritePoint>{{100, 100}, {200, 200}, {300, 250}}));
    EXPECT_TRUE(line.m_aTrace.empty());
    // A right click rejects them and keeps every point.
    line.m_aTrace = {{400, 400}};
    EXPECT_EQ(line.UndoCreateStep(0, 1, 1), 1);
    EXPECT_EQ(status.Last(),
              "Left click=Next point Right click=Cansel previus point Left double click=Last "
              "point Shift=Trace path");
    EXPECT_TRUE(line.m_aTrace.empty());
    EXPECT_EQ(line.m_aPoints.size(), 3u);
}

TEST_F(WriteObjectTest, LinePointAndBodyHandles) {
    auto line = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    EXPECT_EQ(Hit(*line, 0, 302, 297), kHandlePoint);
    EXPECT_EQ(line->m_nDragPoint, 2);
    EXPECT_EQ(Hit(*line, 0, 200, 104), kHandleBody);
    EXPECT_EQ(Hit(*line, 0, 200, 120), kHandleNone);
    // Points are searched from the last: two points on one pixel give the later one.
    auto doubled = LineThrough(t, {{100, 100}, {100, 100}, {300, 300}});
    EXPECT_EQ(Hit(*doubled, 0, 100, 100), kHandlePoint);
    EXPECT_EQ(doubled->m_nDragPoint, 1);

    // Dragging a point and dropping it.
    WritePoint before = line->m_aPoints[2];
    Hit(*line, 0, 300, 300);
    line->DragHandle(kHandlePoint, 0, 10, 20);
    EXPECT_EQ(line->m_aPoints[2], (WritePoint{before.x + 10, before.y + 20}));
    line->MoveHandle(kHandlePoint, 0, 5, 5);
    EXPECT_EQ(line->m_aPoints[2], (WritePoint{before.x + 15, before.y + 25}));
    EXPECT_EQ(line->m_nDragPoint, -1);
    EXPECT_EQ(line->m_rcBounds.right, before.x + 15);
    // The body moves every point.
    WritePoint first = line->m_aPoints[0];
    line->MoveHandle(kHandleBody, 0, -7, 3);
    EXPECT_EQ(line->m_aPoints[0], (WritePoint{first.x - 7, first.y + 3}));
}

TEST_F(WriteObjectTest, ShiftClickDeletesPointsButKeepsTwo) {
    auto two = LineThrough(t, {{100, 100}, {300, 100}});
    EXPECT_EQ(Hit(*two, kMouseShift, 100, 100), kHandleNone);
    EXPECT_EQ(two->m_aPoints.size(), 2u);

    auto three = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    WritePoint kept = three->m_aPoints[2];
    // Away from every point: the body, so the view drags the selection.
    EXPECT_EQ(Hit(*three, kMouseShift, 700, 500), kHandleBody);
    EXPECT_EQ(three->m_aPoints.size(), 3u);
    EXPECT_EQ(Hit(*three, kMouseShift, 300, 100), kHandlePointDeleted);
    ASSERT_EQ(three->m_aPoints.size(), 2u);
    EXPECT_EQ(three->m_aPoints[1], kept);
}

TEST_F(WriteObjectTest, CtrlClickExtendsFromTheLastPoint) {
    auto line = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    std::vector<WritePoint> points = line->m_aPoints;
    EXPECT_EQ(Hit(*line, kMouseCtrl, 300, 300), kHandleExtend);
    EXPECT_EQ(line->m_aPoints, points);
    // On the first point the order is reversed, so extending continues from the last point.
    EXPECT_EQ(Hit(*line, kMouseCtrl, 100, 100), kHandleExtend);
    EXPECT_EQ(line->m_aPoints, (std::vector<WritePoint>{points[2], points[1], points[0]}));
    // A middle point is dragged.
    EXPECT_EQ(Hit(*line, kMouseCtrl, 300, 100), kHandlePoint);
    EXPECT_EQ(line->m_nDragPoint, 1);
}

TEST_F(WriteObjectTest, CtrlClickInsertsOnTheNearestSegment) {
    // Two segments run close together: 0-1 along y = 100, 2-3 along y = 110.
    auto line = LineThrough(t, {{100, 100}, {500, 100}, {500, 110}, {100, 110}});
    WritePoint mouse = At(300, 108);
    EXPECT_EQ(line->HitHandle(kMouseCtrl, mouse.x, mouse.y, t), kHandlePointInserted);
    ASSERT_EQ(line->m_aPoints.size(), 5u);
    EXPECT_EQ(line->m_nDragPoint, 3);
    EXPECT_EQ(line->m_aPoints[3], mouse);

    mouse = At(300, 101);
    EXPECT_EQ(line->HitHandle(kMouseCtrl, mouse.x, mouse.y, t), kHandlePointInserted);
    EXPECT_EQ(line->m_nDragPoint, 1);
    EXPECT_EQ(line->m_aPoints[1], mouse);

    // Far from every segment nothing is inserted.
    EXPECT_EQ(Hit(*line, kMouseCtrl, 300, 400), kHandleNone);
    EXPECT_EQ(line->m_aPoints.size(), 6u);

    // An upright segment has no slope: the point goes in all the same.
    auto upright = LineThrough(t, {{200, 100}, {200, 400}});
    upright->m_aPoints[1].x = upright->m_aPoints[0].x;
    upright->UpdateBounds();
    EXPECT_EQ(Hit(*upright, kMouseCtrl, 203, 250), kHandlePointInserted);
    EXPECT_EQ(upright->m_nDragPoint, 1);
    EXPECT_EQ(upright->m_aPoints.size(), 3u);
}

TEST_F(WriteObjectTest, LineHitTestFollowsTheSegments) {
    auto line = LineThrough(t, {{100, 100}, {300, 300}});
    EXPECT_TRUE(HitPoint(*line, 200, 200));
    EXPECT_TRUE(HitPoint(*line, 200, 206));
    EXPECT_FALSE(HitPoint(*line, 200, 240));  // inside the segment's box, far from it
    EXPECT_FALSE(HitPoint(*line, 350, 350));
    // An upright segment is hit along its box.
    auto upright = LineThrough(t, {{200, 100}, {200, 300}});
    upright->m_aPoints[1].x = upright->m_aPoints[0].x;
    upright->UpdateBounds();
    EXPECT_TRUE(HitPoint(*upright, 205, 200));
    EXPECT_FALSE(HitPoint(*upright, 230, 200));
    // A band across the line selects it.
    WritePoint a = At(150, 260), b = At(260, 150);
    EXPECT_TRUE(line->HitTest(GeoBox{a.x, a.y, b.x, b.y}, t.sx, t.sy));
    // Lines without a segment are never hit.
    CWriteObjectLine empty;
    EXPECT_FALSE(HitPoint(empty, 200, 200));
    EXPECT_EQ(Hit(empty, kMouseCtrl, 200, 200), kHandleNone);
}

TEST_F(WriteObjectTest, LineHoverTexts) {
    auto two = LineThrough(t, {{100, 100}, {300, 100}});
    EXPECT_EQ(Hover(*two, 300, 100), WriteCursor::Point);
    EXPECT_EQ(status.Last(), "Left drag=Move point Left click=(Ctrl=Exend connected line)");
    auto three = LineThrough(t, {{100, 100}, {300, 100}, {300, 300}});
    EXPECT_EQ(Hover(*three, 100, 100), WriteCursor::Point);
    EXPECT_EQ(status.Last(),
              "Left drag=Move point Left click=(Shift=Delete point Ctrl=Extend connected line)");
    EXPECT_EQ(Hover(*three, 300, 100), WriteCursor::Point);
    EXPECT_EQ(status.Last(), "Left drag=Move point Left click=(Shift=Delete point)");
    EXPECT_EQ(Hover(*three, 200, 100), WriteCursor::SizeAll);
    EXPECT_EQ(status.Last(), "Left drag=Move write object(Ctrl=Add point)");
    EXPECT_EQ(Hover(*three, 600, 500), WriteCursor::None);
}

// --- string ----------------------------------------------------------------------------------

TEST_F(WriteObjectTest, StringCreationAndFit) {
    CWriteObjectString s;
    s.m_strText = "Mt. Fuji\nsummit";
    WritePoint a = At(300, 200), b = At(450, 260);
    EXPECT_EQ(s.BeginCreate(0, a.x, a.y), 1);
    EXPECT_TRUE(s.m_bCreating);
    EXPECT_EQ(status.Last(), "End of left drag=End point(Shift=Fit) Right cllick=Cancel");
    EXPECT_EQ(s.TrackCreate(0, b.x, b.y), 1);
    EXPECT_EQ(s.m_rcShape.x2, b.x);
    EXPECT_EQ(s.EndCreate(0, a.x, a.y), -1);
    EXPECT_FALSE(s.m_bCreating);

    // With Shift the box is fitted east and south of the first corner, 10 geo units of margin.
    s.m_dLastScaleX = t.sx;
    s.m_dLastScaleY = t.sy;
    s.BeginCreate(0, a.x, a.y);
    const QSizeF size = s.MeasureText();
    ASSERT_GT(size.width(), 10);
    ASSERT_GT(size.height(), 10);
    EXPECT_EQ(s.EndCreate(kMouseShift, b.x, b.y), 0);
    EXPECT_EQ(s.m_rcShape.x1, a.x);
    EXPECT_EQ(s.m_rcShape.x2, a.x + static_cast<int32_t>(size.width() / 0.2 + 10));
    const int32_t south = static_cast<int32_t>(a.y - (10 + size.height() / (0.2 * (t.sy / t.sx))));
    EXPECT_EQ(s.m_rcShape.y1, south);
    EXPECT_EQ(s.m_rcShape.y2, a.y);  // normalised: the first corner is the north edge

    // A Shift drag of corner 4 (north-east) fits with 5 units, corner 1 fixed.
    s.DragHandle(kHandleCorner4, kMouseShift, 12345, 12345);
    EXPECT_EQ(s.m_rcShape.x2, static_cast<int32_t>(s.m_rcShape.x1 + (size.width() / 0.2 + 5)));
    EXPECT_EQ(s.m_rcShape.y2,
              static_cast<int32_t>(s.m_rcShape.y1 + (5 + size.height() / (0.2 * (t.sy / t.sx)))));
    // Corner 1 (south-west) with corner 4 fixed.
    const WriteShape before = s.m_rcShape;
    s.MoveHandle(kHandleCorner1, kMouseShift, 0, 0);
    EXPECT_EQ(s.m_rcShape.x2, before.x2);
    EXPECT_EQ(s.m_rcShape.x1, static_cast<int32_t>(before.x2 - (size.width() / 0.2 + 5)));
}

TEST_F(WriteObjectTest, StringIsHitInsideAndKeepsItsCornerWhileDragging) {
    CWriteObjectString s;
    s.m_rcShape = ShapeAt(t, 300, 200, 500, 350);
    s.UpdateBounds();
    EXPECT_TRUE(HitPoint(s, 400, 275));
    EXPECT_FALSE(HitPoint(s, 510, 275));
    EXPECT_EQ(Hit(s, 0, 400, 275), kHandleBody);
    EXPECT_EQ(Hit(s, 0, 500, 350), kHandleCorner2);
    EXPECT_EQ(Hover(s, 300, 350), WriteCursor::SizeNeSw);
    EXPECT_EQ(status.Last(), "Left drag=Move point(Shift=Fit)");
    EXPECT_EQ(Hover(s, 400, 275), WriteCursor::SizeAll);
    EXPECT_EQ(status.Last(), "Left drag=Move object");

    s.m_rcShape = WriteShape{0, 0, 100, 100};
    s.DragHandle(kHandleCorner1, 0, 150, 0);
    EXPECT_EQ(s.m_rcShape, (WriteShape{150, 0, 100, 100}));
    s.MoveHandle(kHandleCorner1, 0, 0, 0);
    EXPECT_EQ(s.m_rcShape, (WriteShape{100, 0, 150, 100}));
}

// --- picture ---------------------------------------------------------------------------------

TEST_F(WriteObjectTest, PictureCreationPromptsAndStamp) {
    CWriteObjectPicture p;
    WritePoint a = At(300, 200), b = At(400, 300);
    p.BeginCreate(0, a.x, a.y);
    EXPECT_TRUE(p.m_bCreating);
    EXPECT_EQ(status.Last(),
              "End of left drag=End point(Shift=Picture aspect ratio) Right click=Cancel");
    // Without a stamp, Ctrl changes nothing.
    p.TrackCreate(kMouseCtrl, b.x, b.y);
    EXPECT_EQ(p.m_rcShape, (WriteShape{a.x, a.y, b.x, b.y}));
    EXPECT_EQ(p.EndCreate(kMouseCtrl, a.x, a.y), -1);
    EXPECT_FALSE(p.m_bCreating);

    CWriteObjectPicture stamp;
    stamp.m_rcStamp = WriteShape{0, 0, 1001, 600};
    stamp.BeginCreate(0, 5000, 5000);
    EXPECT_EQ(status.Last(),
              "End of left drag=End point(Shift=Picture aspect ratio Ctrl=Stamp) Right "
              "click=Cancel");
    EXPECT_EQ(stamp.TrackCreate(kMouseCtrl, 8000, 9000), 1);
    // The stamp's size centred on the mouse, normalised.
    EXPECT_EQ(stamp.m_rcShape, (WriteShape{7500, 8700, 8501, 9300}));
    EXPECT_EQ(stamp.EndCreate(kMouseCtrl, 10000, 10000), 0);
    EXPECT_EQ(stamp.m_rcShape, (WriteShape{9500, 9700, 10501, 10300}));
    EXPECT_EQ(stamp.m_rcBounds, (GeoBox{9500, 9700, 10501, 10300}));
}

TEST_F(WriteObjectTest, PictureKeepsItsAspectRatio) {
    CWriteObjectPicture p;
    p.BeginCreate(0, 0, 0);
    // Shift does nothing until the picture has been drawn once.
    p.TrackCreate(kMouseShift, 1000, 300);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 1000, 300}));

    p.m_nImageWidth = 200;
    p.m_nImageHeight = 100;
    p.m_dLastScaleX = 0.1;
    p.m_dLastScaleY = 0.2;
    // mX = 1000 * 0.1 / 200 = 0.5 and mY = 300 * 0.2 / 100 = 0.6: the height decides, and the
    // width becomes 200 * 0.6 / 0.1 = 1200.
    p.TrackCreate(kMouseShift, 1000, 300);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 1200, 300}));
    // Dragged west and south, the directions are kept: mX = -0.75 wins, height 375 south.
    p.TrackCreate(kMouseShift, -1500, -100);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, -1500, -375}));
    // Shift wins over Ctrl.
    p.m_rcStamp = WriteShape{0, 0, 10, 10};
    EXPECT_EQ(p.EndCreate(kMouseShift | kMouseCtrl, 1000, 300), 0);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 1200, 300}));

    // Dragging corner 4 with Shift adjusts the free axis of the grabbed side.
    p.m_rcShape = WriteShape{0, 0, 1000, 500};
    p.UpdateBounds();
    WritePoint corner4{1000, 500};
    WriteTransform unit{0, 0, 0, 0, 0.1, 0.2};
    ASSERT_EQ(p.HitHandle(0, corner4.x, corner4.y, unit), kHandleCorner4);
    EXPECT_EQ(p.m_rcWork, p.m_rcShape);
    // Work box 1000 × 800: mX = 0.5, mY = 1.6 ≥ mX, so the width becomes 200 * 1.6 / 0.1.
    p.DragHandle(kHandleCorner4, kMouseShift, 0, 300);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 3200, 800}));
    // Without Shift the corner simply follows the work box.
    p.MoveHandle(kHandleCorner4, 0, 100, 0);
    EXPECT_EQ(p.m_rcShape, (WriteShape{0, 0, 1100, 800}));
    // Corner 1 with Shift: the width is applied on the west side.
    p.HitHandle(0, 0, 0, unit);
    p.DragHandle(kHandleCorner1, kMouseShift, 0, -200);  // work 1100 × 1000
    EXPECT_EQ(p.m_rcShape, (WriteShape{1100 - 4000, -200, 1100, 800}));
}

TEST_F(WriteObjectTest, PictureHandlesHoverAndClone) {
    CWriteObjectPicture p;
    p.m_rcShape = ShapeAt(t, 300, 200, 500, 350);
    p.UpdateBounds();
    p.m_bSelected = true;
    p.m_strFile = "a.png";
    EXPECT_EQ(Hit(p, 0, 400, 275), kHandleBody);
    EXPECT_EQ(Hit(p, 0, 300, 200), kHandleCorner3);
    EXPECT_EQ(Hit(p, 0, 600, 275), kHandleNone);
    EXPECT_EQ(Hover(p, 500, 200), WriteCursor::SizeNeSw);
    EXPECT_EQ(status.Last(), "Left drag=Move point(Shift=Picture aspect ratio)");
    EXPECT_EQ(Hover(p, 400, 275), WriteCursor::SizeAll);
    EXPECT_EQ(status.Last(), "Left drag=Move write object");

    auto clone = p.Clone();
    auto& copy = static_cast<CWriteObjectPicture&>(*clone);
    EXPECT_FALSE(copy.m_bSelected);
    EXPECT_EQ(copy.m_strFile, "a.png");
    EXPECT_EQ(copy.m_rcStamp, p.m_rcShape);  // a clone stamps its source's size
    EXPECT_EQ(p.m_rcStamp.x1, -1);
}

TEST_F(WriteObjectTest, ClonesAreIndependentAndUnselected) {
    auto line = LineThrough(t, {{100, 100}, {200, 200}});
    line->m_bSelected = true;
    line->m_crColor = 0x123456;
    auto clone = line->Clone();
    auto& copy = static_cast<CWriteObjectLine&>(*clone);
    EXPECT_FALSE(copy.m_bSelected);
    EXPECT_EQ(copy.m_crColor, 0x123456u);
    copy.m_aPoints[0].x += 5;
    EXPECT_NE(copy.m_aPoints[0], line->m_aPoints[0]);

    for (int type = kWriteLine; type <= kWritePicture; ++type) {
        auto o = CreateWriteObject(type);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->m_nType, type);
        EXPECT_EQ(o->Clone()->m_nType, type);
    }
    EXPECT_FALSE(CreateWriteObject(0));
    EXPECT_FALSE(CreateWriteObject(6));
}

}  // namespace
}  // namespace hfp::test
