#include <gtest/gtest.h>

#include <QImage>

#include "common/DevServer.h"
#include "common/TempDir.h"

namespace hfp::test {
namespace {

ProcessResult Hfp(const TempDir& data, const std::string& url, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", (data / "data").string(), "--services", url});
    return RunProcess(BuiltProgram("hfp"), args);
}

std::vector<std::string> Export(const std::string& out, const std::string& layout) {
    std::vector<std::string> args = {"export",   "--center-lon", "49943139", "--center-lat",
                                     "12730626", "--level",      "15",       "--scale",
                                     "1",        "--size",       "400x300",  "--out",
                                     out};
    if (!layout.empty()) args.insert(args.end(), {"--layout", layout});
    return args;
}

int Red(const QImage& image) {
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += (image.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    return red;
}

// Layout 2 draws server-declination magnetic north lines in red. Without --layout the map
// stays bare; with it the lines are there, and a geomagnetic service without an answer still
// gives the image, with the message and exit 4.
TEST(HfpExport, LayoutDecoratesAndAFailedDeclinationStillWrites) {
    TempDir data;
    DevServer good, markerless({"--declination-without-marker"});
    for (const char* kv : {"Print-PrintMagneticNorthLine2=true", "Print-PrintScale2=4"}) {
        const std::string s = kv;
        const std::size_t eq = s.find('=');
        ASSERT_EQ(Hfp(data, good.baseUrl(), {"settings", "set", s.substr(0, eq), s.substr(eq + 1)})
                      .exitCode,
                  0);
    }
    struct Case {
        const DevServer& server;
        std::string layout;
        int exitCode;
        bool lines;
        bool says;
    };
    for (const Case& c : std::vector<Case>{{good, "", 0, false, false},
                                           {good, "2", 0, true, false},
                                           {markerless, "2", 4, true, true}}) {
        const std::string out = (data / ("map" + c.layout + ".png")).string();
        ProcessResult r = Hfp(data, c.server.baseUrl(), Export(out, c.layout));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        const QImage image(QString::fromStdString(out));
        ASSERT_EQ(image.size(), QSize(400, 300)) << c.layout;
        EXPECT_EQ(Red(image) > 100, c.lines) << c.layout;
        EXPECT_EQ(r.err.find("hfp: Magnetic declination getting error.") != std::string::npos,
                  c.says)
            << r.err;
    }
    EXPECT_EQ(Hfp(data, good.baseUrl(), Export("x.png", "10")).exitCode, 2);
}

}  // namespace
}  // namespace hfp::test
