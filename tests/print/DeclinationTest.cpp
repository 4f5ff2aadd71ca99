#include "print/Declination.h"

#include <gtest/gtest.h>

#include "common/DevServer.h"
#include "geo/GeoPoint.h"
#include "platform/Services.h"

namespace hfp {
namespace {

constexpr int32_t kLon138 = 138 * kGeoUnitsPerDegree;
constexpr int32_t kLat37 = 37 * kGeoUnitsPerDegree;
constexpr int32_t kSapporoLon = 50886000;  // 141.35° E
constexpr int32_t kSapporoLat = 15501600;  // 43.06° N

TEST(Declination, FormulasLeanTheLinesAndLabelByTrueMinutes) {
    const struct {
        int32_t lon, lat;
        int calc;
        DeclinationValue value;
        const char* label;
        double degrees;
    } cases[] = {
        {kLon138, kLat37, 1, 740585, "Magnetic declination 7.40585°", 7 + 40.585 / 60},
        {kLon138, kLat37, 2, 737142, "Magnetic declination 7.37142°", 7 + 37.142 / 60},
        {kDefaultCenter.lon, kDefaultCenter.lat, 1, 704631, "Magnetic declination 7.04631°",
         7 + 4.631 / 60},
        // Minutes of the formulas run past 60 and below 0: 6°97.289′ is 7°37.289′...
        {kDefaultCenter.lon, kDefaultCenter.lat, 2, 697289, "Magnetic declination 6.57289°",
         6 + 57.289 / 60},
        // ...and 7°127.966′ in Sapporo is 9°7.966′, not 8.28°.
        {kSapporoLon, kSapporoLat, 1, 827966, "Magnetic declination 9.07966°", 9 + 7.966 / 60},
    };
    for (const auto& c : cases) {
        auto d = GetMagneticDeclination(c.lon, c.lat, c.calc, false);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->value, c.value);
        EXPECT_EQ(d->Label(), c.label);
        EXPECT_NEAR(d->Degrees(), c.degrees, 1e-9);
    }
}

TEST(Declination, ServerAnswersOncePerPlaceAndNeverForTheScreen) {
    test::DevServer server;
    PointAllServicesAt(server.baseUrl());
    // The screen never asks the service: the 2010 formula, with five decimals.
    auto screen = GetMagneticDeclination(kLon138, kLat37, 0, true);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->Label(), "Magnetic declination 7.40585°");
    EXPECT_EQ(server.TotalRequests(), 0);

    // The markers of the reply stand past its first kilobyte.
    auto printed = GetMagneticDeclination(kLon138, kLat37, 0, false);
    ASSERT_TRUE(printed);
    EXPECT_EQ(printed->value, 740000);
    EXPECT_EQ(printed->Label(), "Magnetic declination 7.40°");
    EXPECT_NEAR(printed->Degrees(), 7 + 40.0 / 60, 1e-9);
    ASSERT_TRUE(GetMagneticDeclination(kLon138, kLat37, 0, false));
    EXPECT_EQ(server.Requests(kDeclinationPath), 1);  // the second from the cache

    test::DevServer changed({"--declination-without-marker"});
    PointAllServicesAt(changed.baseUrl());
    std::string error;
    EXPECT_FALSE(GetMagneticDeclination(kLon138 + 100, kLat37, 0, false, {}, &error));
    EXPECT_NE(error.find("gives no declination"), std::string::npos) << error;
    // The last good answer stays for its place.
    EXPECT_TRUE(GetMagneticDeclination(kLon138, kLat37, 0, false));
    ResetServiceHosts();
}

}  // namespace
}  // namespace hfp
