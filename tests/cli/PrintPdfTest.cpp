#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <functional>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "platform/NamedMutex.h"
#include "settings/SetData.h"

namespace hfp::test {
namespace {

constexpr int kDpi = 300;  // the PDF's pixels and the rendering's are the same

struct Printer {
    TempDir data;
    DevServer server;

    ProcessResult Hfp(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--data-dir", (data / "data").string(), "--services", server.baseUrl()});
        return RunProcess(BuiltProgram("hfp"), args,
                          {"XDG_CONFIG_HOME=" + (data / "config").string()});
    }
    // The print layout (layout 0) as the next print finds it.
    void SetLayout(const std::function<void(OutputSetting&)>& edit) {
        CSetData settings;
        std::filesystem::create_directories(data / "data");
        edit(settings.m_outputSettings[0]);
        ASSERT_TRUE(settings.Save(data / "data"));
    }
    // Page n (from 1) rendered at kDpi, its printable area only.
    QImage Page(const std::string& pdf, int n, int marginPx) {
        const std::string prefix = (data / ("page" + std::to_string(n))).string();
        const ProcessResult r = RunProcess(
            "/usr/bin/pdftoppm", {"-r", std::to_string(kDpi), "-f", std::to_string(n), "-l",
                                  std::to_string(n), "-png", "-singlefile", pdf, prefix});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const QImage page(QString::fromStdString(prefix + ".png"));
        return page.copy(marginPx, marginPx, page.width() - 2 * marginPx,
                         page.height() - 2 * marginPx);
    }
};

// Where each vertical grid line begins: columns dark over most of the page.
std::vector<int> VerticalLines(const QImage& page) {
    std::vector<int> lines;
    for (int x = 0, dark = 0, before = 0; x < page.width(); ++x, before = dark, dark = 0) {
        for (int y = 0; y < page.height(); ++y)
            dark += qGray(page.pixel(x, y)) < 90;
        if (dark > page.height() * 8 / 10 && before <= page.height() * 8 / 10) lines.push_back(x);
    }
    return lines;
}

// How far two equally sized strips differ: the share of pixels clearly apart, beyond what the
// PDF's JPEG compression of the map changes.
double Mismatch(const QImage& a, const QImage& b) {
    int differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int r = qRed(p) - qRed(q), g = qGreen(p) - qGreen(q), b = qBlue(p) - qBlue(q);
            differ += r * r + g * g + b * b > 90 * 90;
        }
    return static_cast<double>(differ) / (a.width() * a.height());
}

// A hiker checks a printed 2 × 2 sheet map: four pages of the paper asked for, the overlap
// strips of neighbouring pages showing the same ground, and the kilometre grid printed
// 1000 m / 25000 = 40 mm apart.
TEST(HfpPrint, SheetsAreCutWithTheirOverlapAndPrintAtTrueScale) {
    Printer p;
    p.SetLayout([](OutputSetting& layout) {
        layout.numberHorizontal = layout.numberVertical = 2;
        layout.repetition = 10;
        layout.mapLevel = 14;
        layout.verticalDistance.enabled = true;
        layout.verticalDistance.size = 3;
    });
    const std::string pdf = (p.data / "map.pdf").string();
    const ProcessResult r = p.Hfp(
        {"print", "--pdf", pdf, "--paper", "127x95.25mm", "--margins", "6.35", "--dpi", "300"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const ProcessResult info = RunProcess("/usr/bin/pdfinfo", {pdf});
    EXPECT_NE(info.out.find("Pages:           4\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Page size:       360 x 270 pts"), std::string::npos) << info.out;

    // Paper and margins in whole points and pixels (360 × 270 pt, 18 pt), so that the
    // rendering's pixels are the printed ones.
    const int margin = 75;
    std::vector<QImage> pages;
    for (int n = 1; n <= 4; ++n)
        pages.push_back(p.Page(pdf, n, margin));
    const int ox = std::lround(10 / 25.4 * kDpi), w = pages[0].width(), h = pages[0].height();
    // (page, its neighbour, the strip on the first, the strip on the neighbour)
    struct Strip {
        int first, second;
        QRect a, b;
    };
    for (const Strip& s : {Strip{0, 1, {w - ox, 0, ox, h}, {0, 0, ox, h}},
                           Strip{1, 3, {0, h - ox, w, ox}, {0, 0, w, ox}}}) {
        const QImage a = pages[s.first].copy(s.a.adjusted(2, 2, -2, -2));
        const QImage b = pages[s.second].copy(s.b.adjusted(2, 2, -2, -2));
        EXPECT_LT(Mismatch(a, b), 0.01) << s.first << " beside " << s.second;
        // Not two blank strips: shifted by a tenth of a strip they no longer agree.
        const QImage shifted =
            pages[s.second].copy(s.b.translated(ox / 10, ox / 10).adjusted(2, 2, -2, -2));
        EXPECT_GT(Mismatch(a, shifted), 0.01) << s.first << " beside " << s.second;
    }

    const std::vector<int> lines = VerticalLines(pages[0]);
    ASSERT_GE(lines.size(), 2u);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_NEAR((lines[i] - lines[i - 1]) * 25.4 / kDpi, 40.0, 0.4);

    CSetData settings;
    ASSERT_TRUE(settings.Load(p.data / "data"));
    EXPECT_EQ(settings.m_printHistory[0].latitude, kDefaultCenter.lat);
}

// Paper whose printable area is over A3 is refused, and so is a print while the map editor
// runs (it would save its own settings over the history); nothing is written then. The A3
// size itself prints.
TEST(HfpPrint, RefusedPrintsWriteNothing) {
    Printer p;
    p.SetLayout([](OutputSetting& layout) { layout.mapLevel = 11; });
    struct Case {
        std::string paper;
        int exitCode;
        bool programRuns = false;
        std::string says = "Cannot to print out over A3 size. (acceptable use policy)";
    };
    for (const Case& c :
         {Case{"297x421mm", 1}, Case{"297x420mm", 0},
          Case{"210x297mm", 1, true, "hfp: HollowfernPlotter is running; close it first"}}) {
        NamedMutex program(kProgramMutexName);
        ASSERT_TRUE(!c.programRuns || program.TryLock());
        const std::string pdf = (p.data / (c.paper + ".pdf")).string();
        const ProcessResult r =
            p.Hfp({"print", "--pdf", pdf, "--paper", c.paper, "--margins", "0", "--dpi", "72"});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.paper << r.err;
        EXPECT_EQ(std::filesystem::exists(pdf), c.exitCode == 0) << c.paper;
        EXPECT_EQ(r.err.find(c.says) != std::string::npos, c.exitCode == 1) << r.err;
    }
}

}  // namespace
}  // namespace hfp::test
