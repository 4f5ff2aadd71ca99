#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "common/DevServer.h"
#include "compose/DivBitmap.h"
#include "geo/GeoPoint.h"
#include "platform/Services.h"
#include "print/Declination.h"
#include "print/GridLines.h"
#include "print/PageRenderer.h"

namespace hfp {
namespace {

constexpr int32_t Seconds(int d, int m, int s) {
    return ((d * 60 + m) * 60 + s) * 100;
}

// One output pixel per arc-second both ways: the left edge at 138°30′30″, the bottom edge at
// 35°20′30″, 300″ × 200″ of ground. Blocks of 128 pixels, so lines cross block seams.
PageGeometry OneSecondPerPixel() {
    PageGeometry page;
    page.widthGeo = Seconds(0, 5, 0);
    page.heightGeo = Seconds(0, 3, 20);
    page.centreLongitude = Seconds(138, 30, 30) + page.widthGeo / 2;
    page.centreLatitude = Seconds(35, 20, 30) + page.heightGeo / 2;
    page.pxPerGeoX = page.pxPerGeoY = 0.01;
    return page;
}

struct Sheet {
    CDivBitmap map;
    explicit Sheet(const PageGeometry& page) {
        map.Create(page.Width(), page.Height(), 128);
        map.FillWhite();
    }
    // The columns of row y (or rows of column x) painted `color`.
    std::vector<int> Columns(int y, COLORREF color) const {
        std::vector<int> at;
        for (int x = 0; x < map.width(); ++x)
            if (map.GetPixel(x, y) == color) at.push_back(x);
        return at;
    }
    std::vector<int> Rows(int x, COLORREF color) const {
        std::vector<int> at;
        for (int y = 0; y < map.height(); ++y)
            if (map.GetPixel(x, y) == color) at.push_back(y);
        return at;
    }
};

constexpr COLORREF kBlue = MakeColorref(0, 0, 255);
constexpr COLORREF kGrey = MakeColorref(128, 128, 128);
constexpr COLORREF kBlack = 0;
constexpr COLORREF kWhite = MakeColorref(255, 255, 255);

OutputSetting Unlabelled() {
    OutputSetting layout;
    for (GridLineSetting* f : {&layout.longitude, &layout.latitude, &layout.magneticNorth,
                               &layout.verticalDistance, &layout.horizontalDistance})
        f->fontSize = 0;
    return layout;
}

// Lines sit on the whole minutes and kilometres of the ground, sublines between them skip the
// main lines, ticks reach their length either side, and a family switched off draws nothing.
TEST(GridLines, LinesFallOnTheirGroundPositions) {
    std::vector<int> everyColumn(300);
    for (int i = 0; i < 300; ++i)
        everyColumn[static_cast<std::size_t>(i)] = i;
    struct Case {
        const char* what;
        std::function<void(OutputSetting&)> set;
        bool vertical;  // scan a row (vertical lines) or a column
        int at;
        COLORREF color;
        std::vector<int> expected;
        int32_t left = Seconds(138, 30, 30);
    };
    const std::vector<Case> cases = {
        {"nothing enabled leaves the map white", [](OutputSetting&) {}, true, 100, kWhite,
         everyColumn},
        // 1 m is 0.04″ here: a sheet painted solid, or millions of lines on a zoomed-out view.
        {"lines closer than a pixel are left out",
         [](OutputSetting& l) {
             l.verticalDistance.enabled = true;
             l.verticalDistance.intervalUnit = 1;
             l.horizontalDistance.intervalUnit = 1;
             l.verticalDistance.sublines[0] = {true, 100, kSublineFullLength, 0, 1, 0, 100};
         },
         true, 100, kWhite, everyColumn},
        // 138°31′ is 30″ east of the left edge; 138°30′ lies outside and is clipped.
        {"longitude every minute",
         [](OutputSetting& l) { l.longitude.enabled = true; },
         true,
         100,
         kBlue,
         {30, 90, 150, 210, 270}},
        // 35°21′ is 30″ above the bottom edge, 170 pixels from the top.
        {"latitude every minute",
         [](OutputSetting& l) { l.latitude.enabled = true; },
         false,
         100,
         kBlue,
         {50, 110, 170}},
        {"additional lines every 30″ skip the minutes",
         [](OutputSetting& l) {
             l.longitude.enabled = true;
             l.latitude.enabled = true;
             l.latitude.sublines[0] = {true, 2, kSublineFullLength, 0, 1, kGrey, 100};
         },
         true,
         100,
         kGrey,
         {0, 60, 120, 180, 240}},
        {"scale-line ticks of 4 pixels on each longitude line",
         [](OutputSetting& l) {
             l.longitude.enabled = true;
             l.latitude.interval = 30;
             l.longitude.sublines[0] = {true, 3, 4, 0, 1, kGrey, 100};
         },
         true, 190, kGrey,
         [] {
             std::vector<int> ticks;
             for (int line = 30; line < 300; line += 60)
                 for (int x = line - 4; x < line + 4; ++x)
                     if (x != line) ticks.push_back(x);
             return ticks;
         }()},
        // 1 km of latitude is 1000 / 30.8 = 32.5″, counted up from the bottom edge.
        {"horizontal distance every km",
         [](OutputSetting& l) { l.horizontalDistance.enabled = true; },
         false,
         100,
         kBlack,
         {5, 37, 70, 102, 135, 167}},
        // A 20-pixel line at 138°40′, 5 pixels past the right edge, still paints the edge:
        // lines run on 99 pixels past it.
        {"thick line beyond the edge",
         [](OutputSetting& l) {
             l.longitude.enabled = true;
             l.longitude.size = 20;
             l.longitude.interval = 600;
         },
         true,
         100,
         kBlue,
         {295, 296, 297, 298, 299},
         Seconds(138, 40, 0) - Seconds(0, 0, 305)},
    };
    for (const Case& c : cases) {
        PageGeometry page = OneSecondPerPixel();
        page.centreLongitude = c.left + page.widthGeo / 2;
        OutputSetting layout = Unlabelled();
        c.set(layout);
        Sheet sheet(page);
        ASSERT_EQ(sheet.map.width(), 300);
        ASSERT_EQ(sheet.map.height(), 200);
        EXPECT_TRUE(RenderGridLines(sheet.map, page, layout, GridLineOptions{}));
        const std::vector<int> got =
            c.vertical ? sheet.Columns(c.at, c.color) : sheet.Rows(c.at, c.color);
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(GridLines, LabelsReadDegreesAndZeroPaddedLineNumbers) {
    EXPECT_EQ(DmsLabelText(Seconds(138, 31, 0), 1), "138°31′00″");
    EXPECT_EQ(DmsLabelText(Seconds(35, 21, 5), 0), "35°\n21′\n05″");
    EXPECT_EQ(DistanceLabelText(4, 3), "004");
    EXPECT_EQ(DistanceLabelText(3, 2), "03");
    EXPECT_EQ(DistanceLabelText(12, 1), "12");
}

// A sheet composed at a width is decorated at that width, not one pixel short of it.
TEST(GridLines, OutputGeometryKeepsTheImageWidth) {
    for (int width : {100, 1400, 3508, 4961})
        for (int32_t widthGeo : {3000, 6001, 29450, 100003})
            EXPECT_EQ(
                PageGeometry::OfOutput(kDefaultCenter.lon, kDefaultCenter.lat, width, 500, widthGeo)
                    .Width(),
                width)
                << width << " " << widthGeo;
}

// The magnetic north lines lean west by the true declination: at Sapporo the formula's
// 827970 is 9°7.97′, not 8.28°.
TEST(GridLines, MagneticNorthLinesLeanByTheTrueDeclination) {
    PageGeometry page;
    page.centreLongitude = Seconds(141, 21, 0);
    page.centreLatitude = Seconds(43, 3, 36);
    page.widthGeo = page.heightGeo = 100000;
    page.pxPerGeoX = page.pxPerGeoY = 0.01;
    OutputSetting layout = Unlabelled();
    layout.magneticNorth.enabled = true;
    layout.magneticNorth.calc = kDeclinationFormula2010;
    layout.magneticNorth.intervalUnit = 1;  // m
    layout.magneticNorth.interval = 5000;
    Sheet sheet(page);
    ASSERT_TRUE(RenderGridLines(sheet.map, page, layout, GridLineOptions{}));
    const COLORREF red = MakeColorref(255, 0, 0);
    // Follow the line that crosses the middle row nearest the centre up by 400 rows.
    const std::vector<int> low = sheet.Columns(700, red), high = sheet.Columns(300, red);
    ASSERT_FALSE(low.empty());
    ASSERT_FALSE(high.empty());
    const int start = low[low.size() / 2];
    int nearest = high[0];
    for (int x : high)
        if (std::abs(x - (start - 63)) < std::abs(nearest - (start - 63))) nearest = x;
    const double lean = std::atan2(start - nearest, 400.0) * 180 / std::numbers::pi;
    EXPECT_NEAR(lean, 9.133, 0.15);
}

// On the screen the layout's server declination never reaches the network.
TEST(GridLines, ScreenNeverAsksTheServer) {
    test::DevServer server;
    PointAllServicesAt(server.baseUrl());
    PageGeometry page = OneSecondPerPixel();
    OutputSetting layout;
    layout.magneticNorth.enabled = true;
    Sheet sheet(page);
    EXPECT_TRUE(RenderGridLines(sheet.map, page, layout, GridLineOptions{0.3, false, true}));
    EXPECT_EQ(server.Requests(kDeclinationPath), 0);
    EXPECT_TRUE(RenderGridLines(sheet.map, page, layout, GridLineOptions{}));
    EXPECT_EQ(server.Requests(kDeclinationPath), 1);
}

// The logo is enlarged fivefold into the bottom-right corner; a missing one draws nothing.
TEST(PageRenderer, LogoSitsInTheBottomRightCorner) {
    const std::filesystem::path logo = FindPrintLogo();
    ASSERT_FALSE(logo.empty()) << "printlogo.png is not shipped beside the programs";
    const QImage image(QString::fromStdString(logo.string()));
    ASSERT_FALSE(image.isNull());
    const PageGeometry page = OneSecondPerPixel();
    for (bool present : {true, false}) {
        Sheet sheet(page);
        PageContent content;
        if (present) content.logo = logo;
        EXPECT_TRUE(RenderPage(sheet.map, page, Unlabelled(), content));
        int painted = 0, outside = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x) {
                const bool inLogo = x >= 300 - 5 * image.width() && y >= 200 - 5 * image.height();
                (inLogo ? painted : outside) += sheet.map.GetPixel(x, y) != kWhite;
            }
        EXPECT_EQ(outside, 0);
        EXPECT_EQ(painted > 0, present);
    }
}

}  // namespace
}  // namespace hfp
