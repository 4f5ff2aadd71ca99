#include "platform/Services.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "geo/MapSourceConfig.h"

namespace hfp {
namespace {

TEST(Services, OneServerForAllAndSingleOverrides) {
    ResetServiceHosts();
    EXPECT_EQ(ServiceHost(Service::Tiles), "cyberjapandata.gsi.go.jp");

    PointAllServicesAt("http://127.0.0.1:8123/");
    for (Service s : AllServices())
        EXPECT_EQ(ServiceHost(s), "127.0.0.1:8123") << ServiceName(s);
    EXPECT_EQ(MakeMapSourceConfig(16).server, "127.0.0.1:8123");
    EXPECT_EQ(HttpUrl(ServiceHost(Service::Tiles), "/xyz/std/16/1/2.png"),
              "http://127.0.0.1:8123/xyz/std/16/1/2.png");

    ::setenv("HFP_SERVICES", "localhost:9000", 1);
    ::setenv("HFP_SERVICE_SESSION_FALLBACK2", "http://fallback.test:81", 1);
    ApplyServiceEnvironment();
    ::unsetenv("HFP_SERVICES");
    ::unsetenv("HFP_SERVICE_SESSION_FALLBACK2");
    EXPECT_EQ(ServiceHost(Service::Tiles), "localhost:9000");
    EXPECT_EQ(ServiceHost(Service::SessionFallback2), "fallback.test:81");

    Service parsed;
    ASSERT_TRUE(ServiceFromName("spot-content", &parsed));
    EXPECT_EQ(parsed, Service::SpotContent);
    EXPECT_FALSE(ServiceFromName("nowhere", &parsed));
    ResetServiceHosts();
}

}  // namespace
}  // namespace hfp
