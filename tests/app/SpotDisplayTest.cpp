#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>

#include "FrameFixture.h"
#include "app/DialogCairnAccount.h"
#include "app/SpotController.h"
#include "common/Screenshot.h"
#include "spot/SpotLayer.h"
#ifdef HFP_WEBENGINE
#include "view/EmbeddedBrowser.h"
#endif

namespace hfp::test {
namespace {

class SpotDisplayTest : public FrameFixture {
  protected:
    DevServer& server() override { return m_spotServer; }
    // Ends the session at every keep-alive; no embedded browser, the bridge on a free port.
    DevServer m_spotServer{std::vector<std::string>{"--session-keep-message",
                                                    "Your session has ended.", "--bridge-port", "0",
                                                    "--session-integer", "IEWidth=0"}};
};

// The centre of the drawn spot nearest the view's centre: where its icon's pin head is.
QPoint SpotPoint(CMainFrame& frame, const CAIRN_SPOT** spot) {
    CHollowfernPlotterView* view = frame.view();
    const ViewTransform t = view->navigation().Transform(view->width(), view->height());
    QPoint best(-1, -1);
    for (const CAIRN_SPOT& s : view->spotLayer()->spots()) {
        int x, y;
        t.GeoToClient({s.latitude, s.longitude}, &x, &y);
        QPoint p(x, y - 12);
        if (best.x() < 0 || (p - QPoint(t.width / 2, t.height / 2)).manhattanLength() <
                                (best - QPoint(t.width / 2, t.height / 2)).manhattanLength()) {
            best = p;
            *spot = &s;
        }
    }
    return best;
}

// Without a stored account the login dialog asks for one; what the user enters is stored and
// logs in. The spots then come from the service, are drawn by the render thread into the
// view, and hovering one names it in the status line.
TEST_F(SpotDisplayTest, LoginFromTheDialogShowsTheSpotsOnTheMap) {
    WriteSettings([](CSetData& s) { s.m_mapType = 8; });  // level 15
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("userId"), "hiker");
        QTest::keyClicks(dialog->findChild<QLineEdit*>("password"), "fern");
        // No keyring answers in the tests: the dialog says the password stays in set.dat.
        EXPECT_EQ(dialog->findChild<QLabel*>("passwordPlace")->text(),
                  CDialogCairnAccount::kSettingsFileNote);
        KeepScreenshot(*dialog, "spot-login-dialog");
        dialog->accept();
    });
    ASSERT_TRUE(frame->StartSpotService());
    EXPECT_EQ(frame->settings().m_cairnUserId, "hiker");
    EXPECT_TRUE(frame->spotService()->sessionActive());
    ASSERT_NE(frame->view()->spotLayer(), nullptr);
    EXPECT_EQ(frame->view()->spotLayer()->spots().size(), 40u);
#ifdef HFP_WEBENGINE
    EXPECT_EQ(frame->spotService()->browser()->web(), nullptr);  // IEWidth 0: no browser
#endif
    EXPECT_TRUE(m_messages.records().empty());

    const CAIRN_SPOT* spot = nullptr;
    const QPoint point = SpotPoint(*frame, &spot);
    ASSERT_NE(spot, nullptr);
    // The render thread's picture reaches the screen: the icon's blue fills its head above
    // the number.
    bool drawn = QTest::qWaitFor(
        [&] {
            const QColor c = Screen(*frame).pixelColor(point - QPoint(0, 8));
            return std::abs(c.red() - 30) + std::abs(c.green() - 110) + std::abs(c.blue() - 200) <
                   60;
        },
        10000);
    KeepScreenshot(*frame, "spot-layer-map");
    ASSERT_TRUE(drawn) << point.x() << "," << point.y();
    QTest::mouseMove(frame->view(), point);
    EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(),
              spot->name + "(" + spot->third + ") Double click=Show information on web browser.");
}

// A keep-alive answered with a text shows it and ends the session without blocking the
// window; no SendEnd follows when the window goes.
TEST_F(SpotDisplayTest, KeepAliveWithAMessageEndsTheSession) {
    WriteSettings([](CSetData& s) {
        s.m_cairnUserId = "hiker";
        s.m_cairnPassword = "fern";
    });
    auto frame = Open();
    ASSERT_TRUE(frame->StartSpotService());
    SpotController* spots = frame->spotService();
    ASSERT_TRUE(spots->sessionActive());
    spots->KeepAlive();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !spots->sessionActive(); }, 30000));
    ASSERT_EQ(m_messages.records().size(), 1u);
    EXPECT_EQ(m_messages.records()[0].text, "Your session has ended.");
    EXPECT_EQ(m_messages.records()[0].icon, MessageIcon::Error);
    frame.reset();
    EXPECT_EQ(server().Requests("/hpl/hplcom2E.php"), 2);  // SendStart and KeepSession
}

}  // namespace
}  // namespace hfp::test
