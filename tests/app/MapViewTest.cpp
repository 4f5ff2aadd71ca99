// The map view in the main window, driven with keys, the wheel and the mouse, on tiles from
// hfp-devserver.
#include <QAction>
#include <QComboBox>
#include <QStatusBar>
#include <QWheelEvent>
#include <cstdlib>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "geo/Projection.h"
#include "print/ScaleNotation.h"

namespace hfp::test {
namespace {

using MapViewTest = FrameFixture;

// Keeps a picture of the window for a person to look at, when HFP_SCREENSHOT_DIR names a
// folder.
void KeepScreenshot(QWidget& window, const char* name) {
    const char* folder = std::getenv("HFP_SCREENSHOT_DIR");
    if (!folder || !*folder) return;
    window.grab().save(QString("%1/%2.png").arg(folder, name));
}

void Wheel(QWidget* widget, QPoint at, int delta) {
    QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

int NonWhitePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return count;
}

TEST_F(MapViewTest, ShowsTheMapOfTheStartPlace) {
    WriteSettings([](CSetData& s) { s.m_mapType = 8; });
    auto frame = Open();
    frame->resize(1000, 750);
    ASSERT_TRUE(WaitForMap(*frame));
    KeepScreenshot(*frame, "level15");
    const QImage screen = Screen(*frame);
    EXPECT_GT(NonWhitePixels(screen), screen.width() * screen.height() / 50);
    // The centre cross.
    const QPoint c(screen.width() / 2, screen.height() / 2);
    EXPECT_EQ(screen.pixel(c.x(), c.y() - 30), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(c.x() + 30, c.y()), qRgb(255, 0, 0));
}

TEST_F(MapViewTest, ZoomStopsAtTheEnds) {
    WriteSettings([](CSetData& s) { s.m_mapType = 11; });
    {
        auto frame = Open();
        CHollowfernPlotterView* view = frame->view();
        const int32_t generation = view->composer()->generation();
        QTest::keyClick(frame.get(), Qt::Key_Up);
        EXPECT_EQ(view->navigation().levelIndex(), 11);
        EXPECT_EQ(view->composer()->generation(), generation) << "the map was composed again";
        QTest::keyClick(frame.get(), Qt::Key_Down);
        EXPECT_EQ(view->navigation().levelIndex(), 10);
        EXPECT_GT(view->composer()->generation(), generation);
    }
    WriteSettings([](CSetData& s) { s.m_mapType = 0; });
    auto frame = Open();
    CHollowfernPlotterView* view = frame->view();
    const int32_t generation = view->composer()->generation();
    QTest::keyClick(frame.get(), Qt::Key_Down);
    EXPECT_EQ(view->navigation().levelIndex(), 0);
    EXPECT_EQ(view->composer()->generation(), generation);
    QTest::keyClick(frame.get(), Qt::Key_Up);
    EXPECT_EQ(view->navigation().levelIndex(), 1);
}

TEST_F(MapViewTest, LevelButtonsAndTheViewMenu) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    frame->action(ID_LEVEL_2)->trigger();
    EXPECT_EQ(frame->view()->navigation().level(), 9);
    frame->action(ID_POPUP_ZOOM_IN)->trigger();
    EXPECT_EQ(frame->view()->navigation().level(), 10);
    frame->action(ID_POPUP_ZOOM_OUT)->trigger();
    EXPECT_EQ(frame->view()->navigation().level(), 9);
}

TEST_F(MapViewTest, WheelZoomsInOnThePointUnderTheMouse) {
    WriteSettings([](CSetData& s) { s.m_mapType = 5; });
    auto frame = Open();
    CHollowfernPlotterView* view = frame->view();
    const QPoint at(view->width() / 2 + 120, view->height() / 2 - 60);
    const GeoPoint target = view->Transform().ClientToGeo(at.x(), at.y());
    Wheel(view, at, 120);
    EXPECT_EQ(view->navigation().levelIndex(), 6);
    EXPECT_NEAR(view->navigation().center().lon, target.lon, 1);
    EXPECT_NEAR(view->navigation().center().lat, target.lat, 1);
    Wheel(view, at, -120);
    EXPECT_EQ(view->navigation().levelIndex(), 5);
}

TEST_F(MapViewTest, WheelOptions) {
    const QPoint offCentre(100, 80);
    WriteSettings([](CSetData& s) {
        s.m_mapType = 5;
        s.m_mouseWheelReverse = true;
    });
    {
        auto frame = Open();
        Wheel(frame->view(), offCentre, 120);  // away from the user: out
        EXPECT_EQ(frame->view()->navigation().levelIndex(), 4);
        frame->close();
    }
    WriteSettings([](CSetData& s) {
        s.m_mapType = 5;
        s.m_mouseWheelReverse = false;
        s.m_mouseWheelNoMove = true;
    });
    {
        auto frame = Open();
        const GeoPoint center = frame->view()->navigation().center();
        Wheel(frame->view(), offCentre, 120);
        EXPECT_EQ(frame->view()->navigation().levelIndex(), 6);
        EXPECT_EQ(frame->view()->navigation().center(), center);
        frame->close();
    }
    WriteSettings([](CSetData& s) {
        s.m_mapType = 5;
        s.m_mouseWheelNoMove = false;
        s.m_mouseWheelInvalidity = true;
    });
    auto frame = Open();
    const int32_t generation = frame->view()->composer()->generation();
    Wheel(frame->view(), offCentre, 120);
    Wheel(frame->view(), offCentre, -240);
    EXPECT_EQ(frame->view()->navigation().levelIndex(), 5);
    EXPECT_EQ(frame->view()->composer()->generation(), generation);
}

TEST_F(MapViewTest, DraggingStopsAtTheServiceArea) {
    WriteSettings([](CSetData& s) { s.m_mapType = 0; });
    auto frame = Open();
    CHollowfernPlotterView* view = frame->view();
    const int y = view->height() / 2;
    for (int i = 0; i < 12; ++i) {
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->width() - 10, y));
        EXPECT_EQ(view->cursor().shape(), Qt::ClosedHandCursor);
        for (int x = view->width() - 10; x >= 10; x -= 60)
            QTest::mouseMove(view, QPoint(x, y));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, y));
    }
    EXPECT_EQ(view->navigation().center().lon, kServiceEast);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
    ASSERT_TRUE(WaitForMap(*frame));
    KeepScreenshot(*frame, "east-edge");
}

TEST_F(MapViewTest, TheMapFollowsTheMouse) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    frame->resize(900, 700);
    ASSERT_TRUE(WaitForMap(*frame));
    CHollowfernPlotterView* view = frame->view();
    const QImage before = Screen(*frame);
    const QPoint from(view->width() / 2 + 150, view->height() / 2 + 100);
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, from - QPoint(60, 30));
    QTest::mouseMove(view, from - QPoint(120, 50));
    QTest::mouseRelease(view, Qt::LeftButton, {}, from - QPoint(120, 50));
    ASSERT_TRUE(WaitForMap(*frame));
    const QImage after = Screen(*frame);
    // Away from the cross and the frame, the map is the same moved 120 left and 50 up, give
    // or take a pixel of rounding.
    int same = 0, compared = 0;
    for (int y = 60; y < 240; y += 3) {
        for (int x = 150; x < 300; x += 3) {
            ++compared;
            for (int dx = -1; dx <= 1; ++dx)
                if (after.pixel(x - 120 + dx, y - 50) == before.pixel(x, y)) {
                    ++same;
                    break;
                }
        }
    }
    EXPECT_GT(same, compared * 9 / 10);
}

TEST_F(MapViewTest, RefreshDownloadsTheVisibleTilesOnce) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    CHollowfernPlotterView* view = frame->view();
    const TileAddress centre = TileOfGeo(16, view->navigation().center());
    const std::string centrePath =
        "/xyz/std/16/" + std::to_string(centre.tx) + "/" + std::to_string(centre.ty) + ".png";
    server().ResetStats();
    QTest::keyClick(frame.get(), Qt::Key_F5);
    EXPECT_FALSE(view->forceReload()) << "the flag outlived its composition";
    ASSERT_TRUE(WaitForMap(*frame));
    EXPECT_EQ(server().Requests(centrePath), 1);
    const int reloaded = server().TotalRequests();
    EXPECT_GE(reloaded, 4);
    // The next composition takes the tiles from memory again.
    server().ResetStats();
    view->Refresh();
    ASSERT_TRUE(WaitForMap(*frame));
    EXPECT_EQ(server().TotalRequests(), 0);
}

TEST_F(MapViewTest, StatusTextNamesThePlaceAndColourUnderTheCursor) {
    WriteSettings([](CSetData& s) { s.m_mapType = 8; });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    CHollowfernPlotterView* view = frame->view();
    const QImage screen = Screen(*frame);
    for (QPoint at : {QPoint(37, 41), QPoint(view->width() - 30, view->height() - 20)}) {
        QTest::mouseMove(view, at);
        const QRgb shown = screen.pixel(at);
        const std::string expected =
            FormatStatusText(15, view->Transform().ClientToGeo(at.x(), at.y()),
                             view->navigation().center(), qRed(shown), qGreen(shown), qBlue(shown));
        EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(), expected);
    }
    EXPECT_TRUE(frame->statusBar()->currentMessage().startsWith("Level:15 Cursor:E138"));
}

TEST_F(MapViewTest, TileScalingBoxFollowsTheLevel) {
    WriteSettings([](CSetData& s) { s.m_mapType = 9; });
    auto frame = Open();
    CHollowfernPlotterView* view = frame->view();
    QComboBox* box = frame->tileScalingBox();
    int32_t generation = view->composer()->generation();
    frame->action(ID_TILE_SCALING_FIRST + 6)->trigger();  // "2.0"
    EXPECT_EQ(box->currentText(), "2.0");
    EXPECT_DOUBLE_EQ(view->navigation().scaling(), 2.0);
    EXPECT_GT(view->composer()->generation(), generation);
    // The item that is already current changes nothing.
    generation = view->composer()->generation();
    frame->action(ID_TILE_SCALING_FIRST + 6)->trigger();
    EXPECT_EQ(view->composer()->generation(), generation);

    QTest::keyClick(frame.get(), Qt::Key_Up);
    EXPECT_EQ(box->currentText(), "1.0");
    frame->UpdateCommandStates();
    EXPECT_TRUE(frame->action(ID_TILE_SCALING_FIRST + 4)->isChecked());
    EXPECT_FALSE(frame->action(ID_TILE_SCALING_FIRST + 6)->isChecked());
    QTest::keyClick(frame.get(), Qt::Key_Down);
    EXPECT_EQ(box->currentText(), "2.0");
    EXPECT_DOUBLE_EQ(view->navigation().scaling(), 2.0);
    // Choosing in the box itself does the same as the menu.
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_DOUBLE_EQ(view->navigation().scaling(), 0.4);
    ASSERT_TRUE(WaitForMap(*frame));
    KeepScreenshot(*frame, "scaling-0.4");
}

TEST_F(MapViewTest, FileOutBoundsAreDrawnFromTheirSettings) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 8;
        s.m_fileoutCenter = {kDefaultCenter.lat + 1000, kDefaultCenter.lon - 1500};
        s.m_fileoutLongitude = 1000;
        s.m_fileoutLatitude = 800;
    });
    {
        auto frame = Open();
        ASSERT_TRUE(WaitForMap(*frame));
        const BoundsFrame& bounds = frame->view()->frames()[kFileoutFrameSlot];
        ASSERT_EQ(bounds.kind, BoundsFrame::kFileoutBounds);
        EXPECT_EQ(bounds.label, "File out bounds");
        EXPECT_LT(bounds.left, frame->view()->width() / 2);     // west of the centre
        EXPECT_LT(bounds.bottom, frame->view()->height() / 2);  // and north
        const QImage screen = Screen(*frame);
        const QRgb colour = screen.pixel(bounds.left, (bounds.top + bounds.bottom) / 2 + 3);
        EXPECT_EQ(colour, qRgb(0, 128, 0));
        EXPECT_EQ(screen.pixel(bounds.left - 5, bounds.top - 5), qRgb(0, 128, 0));  // handle
        KeepScreenshot(*frame, "fileout-bounds");
        frame->close();
    }
    WriteSettings([](CSetData& s) { s.m_displayFileoutRange = false; });
    auto frame = Open();
    EXPECT_EQ(frame->view()->frames()[kFileoutFrameSlot].kind, BoundsFrame::kHidden);
}

TEST_F(MapViewTest, CentreCrossFollowsItsSetting) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 3;
        s.m_displayCenterCross = false;
    });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    const QImage screen = Screen(*frame);
    const QPoint c(screen.width() / 2, screen.height() / 2);
    int red = 0;
    for (int d = 10; d < 40; ++d)
        red += screen.pixel(c.x(), c.y() - d) == qRgb(255, 0, 0);
    EXPECT_LT(red, 5);
}

TEST_F(MapViewTest, ScaleBarInTheCornerOfTheScreenLayout) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 9;
        s.m_selectScreen = 2;
        s.m_outputSettings[2].scale = 4;  // bottom right
    });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    CHollowfernPlotterView* view = frame->view();
    QImage screen = Screen(*frame);
    const int w = screen.width(), h = screen.height();
    // The box ends three pixels before the bottom-right corner, framed in black.
    EXPECT_EQ(screen.pixel(w - 4, h - 4), qRgb(0, 0, 0));
    EXPECT_EQ(screen.pixel(w - 4, h - 45 - 3), qRgb(0, 0, 0));
    EXPECT_EQ(screen.pixel(w - 6, h - 8), qRgb(255, 255, 255));
    KeepScreenshot(*frame, "scale-bar");
    auto blackAlongTheBottom = [&] {
        int black = 0;
        for (int x = w - 100; x < w - 3; ++x)
            black += screen.pixel(x, h - 4) == qRgb(0, 0, 0);
        return black;
    };
    EXPECT_EQ(blackAlongTheBottom(), 97);
    // Above level 12 there is none.
    view->OnSelectLevel(4);
    ASSERT_TRUE(WaitForMap(*frame));
    screen = Screen(*frame);
    EXPECT_LT(blackAlongTheBottom(), 50);
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

TEST_F(MapViewTest, LayoutChoicesOutOfRangeAreKeptInRange) {
    // A damaged set.dat names layouts that do not exist.
    WriteSettings([](CSetData& s) {
        s.m_mapType = 9;
        s.m_selectScreen = 40;
        s.m_selectPrint = -3;
        s.m_outputSettings[kOutputSettingCount - 1].scale = 1;  // top left
    });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    const QImage screen = Screen(*frame);
    EXPECT_EQ(screen.pixel(0, 0), qRgb(0, 0, 0));  // the scale bar's frame
    EXPECT_EQ(screen.pixel(3, 3), qRgb(255, 255, 255));
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
