#include <gtest/gtest.h>

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "compose/DivBitmap.h"
#include "platform/Services.h"
#include "spot/SpotLayer.h"

namespace hfp::test {
namespace {

// Two spots 5 pixels apart at level 18: a click between them picks the one drawn later (the
// southern one); a click 10 pixels away picks none. Icons out of the table draw nothing.
TEST(SpotLayer, RenderThreadDrawsTheVisibleSpotsAndHitsTheLastDrawn) {
    DevServer server;
    PointAllServicesAt(server.baseUrl());
    TempDir data;
    std::string file;
    for (const char* record :
         {"01N", "0435130000", "05138430000", "061", "00", "01S", "0435125990", "05138430000",
          "062", "00", "01X", "0435125990", "05138430100", "06100", "00"}) {
        file += record;
        file.push_back('\0');
    }
    WriteFile(data / "hplshisetsu.dat", file);

    std::mutex lock;
    std::condition_variable done;
    int rendered = 0;
    SpotLayer layer(data.path(), [&] {
        std::lock_guard guard(lock);
        ++rendered;
        done.notify_all();
    });
    ASSERT_TRUE(layer.Load());
    ViewTransform view;
    view.level = 18;
    view.width = 400;
    view.height = 300;
    view.center = {layer.spots()[0].latitude, layer.spots()[0].longitude};
    layer.RequestRender(view);
    {
        std::unique_lock guard(lock);
        ASSERT_TRUE(done.wait_for(guard, std::chrono::seconds(30), [&] { return rendered > 0; }));
    }
    int nx, ny, sx, sy;
    view.GeoToClient({layer.spots()[0].latitude, layer.spots()[0].longitude}, &nx, &ny);
    view.GeoToClient({layer.spots()[1].latitude, layer.spots()[1].longitude}, &sx, &sy);
    ASSERT_GT(sy - ny, 2);  // about 5
    ASSERT_LT(sy - ny, 10);
    EXPECT_EQ(layer.spots()[layer.HitTest(nx, (ny + sy) / 2 - 12)].id, "S");
    EXPECT_EQ(layer.spots()[layer.HitTest(nx, ny - 12 - 8)].id, "N");
    EXPECT_EQ(layer.HitTest(nx + 12, ny - 12), -1);
    int xx, xy;
    view.GeoToClient({layer.spots()[2].latitude, layer.spots()[2].longitude}, &xx, &xy);
    EXPECT_EQ(layer.HitTest(xx, xy - 12), -1);
    EXPECT_EQ(server.Requests("/yama/image/gmap/gmap_1.png"), 1);
    EXPECT_EQ(server.Requests("/yama/image/gmap/gmap_2.png"), 1);

    CDivBitmap target;
    ASSERT_TRUE(target.Create(400, 300, 0));
    target.FillWhite();
    EXPECT_TRUE(layer.DrawOnto(target));
    EXPECT_NE(target.GetPixel(nx, ny - 20), target.GetPixel(0, 0));  // the pin's head
    ResetServiceHosts();
}

}  // namespace
}  // namespace hfp::test
