#include "FrameFixture.h"

#ifdef HFP_WEBENGINE
#include <QSignalSpy>
#include <QTcpServer>
#include <QUrlQuery>

#include "app/SpotController.h"
#include "common/Screenshot.h"
#include "spot/SpotLayer.h"
#include "view/EmbeddedBrowser.h"

namespace hfp::test {
namespace {

// A loopback port free at the moment, for the bridge: the page must name it before the login.
int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

class EmbeddedBrowserTest : public FrameFixture {
  protected:
    static void SetUpTestSuite() {
        if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);  // as main() does
        FrameFixture::SetUpTestSuite();
    }
    DevServer& server() override { return m_pageServer; }

    const int m_bridgePort = FreePort();
    DevServer m_pageServer{{"--bridge-port", std::to_string(m_bridgePort), "--session-integer",
                            "IEUpdateInterval=3000"}};
};

// The whole road: the login opens the browser on the service's page, whose script has the
// bridge move the map to the first hut; the browser then follows the map, shows a clicked
// spot, and the page's Close link hides it.
TEST_F(EmbeddedBrowserTest, PageScriptMovesTheMapAndTheBrowserFollows) {
    WriteSettings([](CSetData& s) {
        s.m_cairnUserId = "hiker";
        s.m_cairnPassword = "fern";
        s.m_mapType = 8;                                          // level 15
        s.m_displayPrintRange = s.m_displayFileoutRange = false;  // their outlines take clicks
    });
    auto frame = Open();
    ASSERT_TRUE(frame->StartSpotService());
    EmbeddedBrowser* browser = frame->spotService()->browser();
    ASSERT_TRUE(browser && browser->shown());
    CHollowfernPlotterView* view = frame->view();
    const CAIRN_SPOT& hut = *std::ranges::find(view->spotLayer()->spots(), "S1", &CAIRN_SPOT::id);
    auto atHut = [&] {
        const GeoPoint c = view->navigation().center();
        return std::abs(c.lat - hut.latitude) < 3 && std::abs(c.lon - hut.longitude) < 3;
    };
    ASSERT_TRUE(QTest::qWaitFor(atHut, 60000));

    // Every interval the page is loaded for the area around the centre, now the hut's.
    auto query = [&] { return QUrlQuery(browser->web()->url()); };
    auto degrees = [&](const char* name) { return query().queryItemValue(name).toDouble(); };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return query().queryItemValue("sw") == "IntervalUpdate" &&
                   std::abs(degrees("centerLat") - hut.latitude / 360000.0) < 1e-5 &&
                   std::abs(degrees("centerLon") - hut.longitude / 360000.0) < 1e-5;
        },
        30000));
    EXPECT_TRUE(degrees("minLon") < degrees("centerLon") &&
                degrees("centerLon") < degrees("maxLon"));
    EXPECT_TRUE(degrees("minLat") < degrees("centerLat") &&
                degrees("centerLat") < degrees("maxLat"));
    ASSERT_TRUE(WaitForMap(*frame));
    KeepScreenshot(*frame, "embedded-browser");

    // The hut is now at the centre: a click on it shows its page.
    const QPoint pin(view->width() / 2, view->height() / 2 - 12);
    SpotLayer* layer = view->spotLayer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return layer->HitTest(pin.x(), pin.y()) >= 0; }, 30000));
    const std::string id = layer->spots()[layer->HitTest(pin.x(), pin.y())].id;
    QSignalSpy loaded(browser->web(), &QWebEngineView::loadFinished);
    QTest::mouseClick(view, Qt::LeftButton, {}, pin);
    ASSERT_TRUE(QTest::qWaitFor([&] { return query().queryItemValue("sw") == "Shisetsu"; }, 30000));
    EXPECT_EQ(query().queryItemValue("shisetsuId").toStdString(), id);

    // The spot's page has loaded: its Close link hides the browser.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !loaded.isEmpty() && loaded.last()[0].toBool(); }, 30000));
    browser->web()->page()->runJavaScript("document.getElementById('close').click()");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser->shown(); }, 30000));
    EXPECT_TRUE(m_messages.records().empty());
}

}  // namespace
}  // namespace hfp::test
#else
TEST(EmbeddedBrowserTest, PageScriptMovesTheMapAndTheBrowserFollows) {
    GTEST_SKIP() << "built without Qt WebEngine";
}
#endif
