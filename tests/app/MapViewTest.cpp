// The map view in the main window, driven with keys, the wheel and the mouse, on tiles from
// hfp-devserver.
#include <QAction>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "geo/Projection.h"

namespace hfp::test {
namespace {

using MapViewTest = FrameFixture;

int NonWhitePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return count;
}

// The map of the start place with its centre cross, and the wheel reaching the map, each
// while its setting is on.
TEST_F(MapViewTest, ShowsTheStartPlaceWithTheCrossAndTheWheelWhileTheirSettingsAreOn) {
    for (bool on : {true, false}) {
        WriteSettings([&](CSetData& s) {
            s.m_mapType = on ? 8 : 3;
            s.m_displayCenterCross = on;
            s.m_mouseWheelInvalidity = !on;
        });
        auto frame = Open();
        ASSERT_TRUE(WaitForMap(*frame));
        const QImage screen = Screen(*frame);
        EXPECT_GT(NonWhitePixels(screen), screen.width() * screen.height() / 50);
        const QPoint c(screen.width() / 2, screen.height() / 2);
        int red = 0;
        for (int d = 10; d < 40; ++d)
            red += screen.pixel(c.x(), c.y() - d) == qRgb(255, 0, 0);
        EXPECT_EQ(red > 25, on) << red;
        QWheelEvent wheel(QPointF(100, 80), QPointF(100, 80), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(frame->view(), &wheel);
        EXPECT_EQ(frame->view()->navigation().levelIndex(), on ? 9 : 3);
        frame->close();
    }
}

// The decorations go over the map, never into it: the status bar's colour under the red
// cross is the map's.
TEST_F(MapViewTest, DecorationsStayOffTheMap) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    const QPoint onCross(frame->view()->width() / 2, frame->view()->height() / 2 - 20);
    EXPECT_EQ(Screen(*frame).pixel(onCross), qRgb(255, 0, 0));
    EXPECT_NE(frame->view()->mapBitmap().GetPixel(onCross.x(), onCross.y()), 0xFFu);
}

// Tiles that come late reach the window by themselves: a paint of the complete map follows.
TEST_F(MapViewTest, LateTilesRepaintTheWindow) {
    struct : QObject {
        bool complete = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            auto* v = dynamic_cast<CHollowfernPlotterView*>(o);
            complete |= v && e->type() == QEvent::Paint && v->composer() &&
                        v->composer()->stats().arrived > 0 && v->composer()->pending() == 0;
            return false;
        }
    } paints;
    qApp->installEventFilter(&paints);
    auto frame = Open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.complete; }));
    qApp->removeEventFilter(&paints);
}

// A drag whose release never comes (a menu took the mouse, or the button went up over another
// window) ends: the map stays put when the mouse moves on with the button up.
TEST_F(MapViewTest, DragEndsWhenTheReleaseIsLost) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    CHollowfernPlotterView* view = frame->view();
    const QPoint from(view->width() / 2, view->height() / 2);
    auto moveWithoutButtons = [&](QPoint to) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(view->mapToGlobal(to)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
    };
    for (bool menu : {true, false}) {
        SCOPED_TRACE(menu ? "menu" : "button up elsewhere");
        const GeoPoint before = view->navigation().center();
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, from + QPoint(20, 10));
        ASSERT_TRUE(view->navigation().dragging());
        EXPECT_NE(view->navigation().center(), before) << "the map did not follow the mouse";
        if (menu) {
            QTimer::singleShot(0, [] {
                if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            });
            const QPoint at = from + QPoint(20, 10);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
            QApplication::sendEvent(view, &event);
            EXPECT_FALSE(view->navigation().dragging()) << "the menu left the drag running";
        }
        const GeoPoint centre = view->navigation().center();
        moveWithoutButtons(from + QPoint(90, 60));
        moveWithoutButtons(from + QPoint(150, 90));
        EXPECT_FALSE(view->navigation().dragging());
        EXPECT_EQ(view->navigation().center(), centre);
        EXPECT_NE(view->cursor().shape(), Qt::ClosedHandCursor);
    }
}

// F5 asks the server again for the tiles in view, once: the next map takes them from memory.
TEST_F(MapViewTest, RefreshDownloadsTheVisibleTilesOnce) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    server().ResetStats();
    QTest::keyClick(frame.get(), Qt::Key_F5);
    EXPECT_FALSE(frame->view()->forceReload()) << "the flag outlived its composition";
    ASSERT_TRUE(WaitForMap(*frame));
    EXPECT_GE(server().TotalRequests(), 4);
    server().ResetStats();
    frame->view()->Refresh();
    ASSERT_TRUE(WaitForMap(*frame));
    EXPECT_EQ(server().TotalRequests(), 0);
}

// Another factor composes the map again (the box follows the level in the restart test).
TEST_F(MapViewTest, ChoosingAnotherTileScalingComposesAgain) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    CHollowfernPlotterView* view = frame->view();
    const int32_t generation = view->composer()->generation();
    frame->action(ID_TILE_SCALING_FIRST + 6)->trigger();  // "2.0"
    EXPECT_DOUBLE_EQ(view->navigation().scaling(), 2.0);
    EXPECT_GT(view->composer()->generation(), generation);
}

TEST_F(MapViewTest, AResizedViewComposesItsNewSize) {
    WriteSettings([](CSetData& s) { s.m_mapType = 6; });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    frame->resize(frame->width() + 160, frame->height() + 90);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return frame->view()->mapBitmap().width() == frame->view()->width(); }));
    EXPECT_EQ(frame->view()->mapBitmap().height(), frame->view()->height());
}

// The scale bar's segments stand for the ground they cover: metres per pixel measured on the
// bar (each segment is 250 m at 1:25000) match the ground width of the file-out frame over
// its width on the screen, at 35° N where the vertical density would be 23 % off.
TEST_F(MapViewTest, ScaleBarShowsTheGroundItCovers) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 9;
        s.m_selectScreen = 2;
        s.m_outputSettings[2].scale = 1;  // top left
        s.m_fileoutCenter = kDefaultCenter;
        s.m_fileoutLongitude = 3000;
    });
    auto frame = Open();
    frame->resize(900, 700);
    ASSERT_TRUE(WaitForMap(*frame));
    const BoundsFrame& bounds = frame->view()->frames()[kFileoutFrameSlot];
    constexpr double kPi = 3.141592653589793, kEarthRadius = 6378137.0;
    const double latitude = kDefaultCenter.lat / 360000.0 * kPi / 180;
    const double groundMetres = kEarthRadius * std::cos(latitude) * 3000 / 360000.0 * kPi / 180;
    const double framePixels = bounds.right - bounds.left;
    ASSERT_GT(framePixels, 100);
    EXPECT_EQ(Screen(*frame).pixel(bounds.left, (bounds.top + bounds.bottom) / 2 + 3),
              qRgb(0, 128, 0));

    const QImage screen = Screen(*frame);
    const int y = 45 / 2;  // through the middle of the bar
    int x = 2;
    while (x < screen.width() && qGray(screen.pixel(x, y)) > 60)
        ++x;
    int segment = 0;
    while (x + segment < screen.width() && qGray(screen.pixel(x + segment, y)) <= 60)
        ++segment;
    ASSERT_GT(segment, 10);
    EXPECT_NEAR(250.0 / segment, groundMetres / framePixels, groundMetres / framePixels * 0.02);
}

// A tile server that takes its time.
class SlowTilesTest : public FrameFixture {
  protected:
    DevServer& server() override { return m_slow; }
    DevServer m_slow{{"--delay-ms", "1500"}};
};

TEST_F(SlowTilesTest, TheWindowPaintsBeforeTheTilesAndTheyComeLater) {
    WriteSettings([](CSetData& s) { s.m_mapType = 7; });
    auto frame = Open();
    // The window is up and painted while every tile is still on its way.
    EXPECT_FALSE(frame->view()->composer()->IsDone());
    const QImage early = Screen(*frame);
    EXPECT_LT(NonWhitePixels(early), early.width() * early.height() / 100);
    ASSERT_TRUE(WaitForMap(*frame));
    const QImage late = Screen(*frame);
    EXPECT_GT(NonWhitePixels(late), late.width() * late.height() / 50);
}

}  // namespace
}  // namespace hfp::test
