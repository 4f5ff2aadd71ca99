#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"

namespace hfp::test {
namespace {

ProcessResult Hfp(const std::vector<std::string>& args) {
    return RunProcess(BuiltProgram("hfp"), args);
}

ProcessResult Hfp(const TempDir& data, const std::string& url, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", (data / "data").string(), "--services", url});
    return Hfp(args);
}

std::vector<std::string> Export(const std::string& out, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"export",   "--center-lon", "49943139", "--center-lat",
                                     "12730626", "--level",      "15",       "--size",
                                     "640x480",  "--out",        out};
    if (more.empty()) more = {"--scale", "1.5"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// downloaded ondisk unavailable failed
std::array<long, 4> Counts(const std::string& out) {
    std::array<long, 4> c{-1, -1, -1, -1};
    std::size_t at = out.find("downloaded ");
    if (at != std::string::npos)
        std::sscanf(out.c_str() + at, "downloaded %ld ondisk %ld unavailable %ld failed %ld", &c[0],
                    &c[1], &c[2], &c[3]);
    return c;
}

const std::vector<std::string> kPrefetch = {"prefetch", "--level", "16", "--area",
                                            "138.70,35.34,138.76,35.39"};

TEST(HfpCli, CommandsAnswerAndWrongArgumentsNameTheCause) {
    EXPECT_EQ(Hfp({"coord", "parse", "--lon", "138°43'51\"24"}).out, "49943124\n");
    EXPECT_EQ(Hfp({"geo", "tile", "16", "49943139", "12730626"}).out.rfind("tile 58023 25877 ", 0),
              0u);
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c : std::vector<Case>{
             {{}, "usage: hfp"},
             {{"coord", "format", "12x"}, "usage: hfp coord format"},
             {Export("a.png", {"--scale", "1", "--level", "19"}), "level must be 7–18"},
             {Export("a.png", {"--scale", "1", "--center-lon", "abc"}),
              "--center-lon: cannot read \"abc\""},
             {Export("a.png", {"--scale", "1e7"}), "--scale must be more than 0 and at most 16"},
             {Export("a.png", {"--scale", "1", "--area-width", "100"}), "usage: hfp export"},
         }) {
        ProcessResult r = Hfp(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

// The map is written in the format its name asks for; tiles without an answer are reported
// with exit 4 (the image is still written), tiles the server does not have only reported.
TEST(HfpExport, WritesTheMapAndSaysWhatIsMissing) {
    TempDir data;
    DevServer good, sea({"--html-rate", "1"}), busy({"--error-status", "503"});
    ProcessResult r = Hfp(data, good.baseUrl(), Export((data / "map.png").string()));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QImage png(QString::fromStdString((data / "map.png").string()));
    ASSERT_EQ(png.size(), QSize(640, 480));
    int coloured = 0;
    for (int y = 0; y < 480; y += 4)
        for (int x = 0; x < 640; x += 4)
            coloured += (png.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(coloured, 50);  // a map, not a blank sheet
    // From the cache alone, as a BMP.
    r = Hfp(data, "http://127.0.0.1:1",
            Export((data / "map.bmp").string(), {"--scale", "1.5", "--high-speed", "off"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString((data / "map.bmp").string())).size(), QSize(640, 480));

    DevServer slow({"--delay-ms", "3000"});
    struct Case {
        std::string url, name;
        std::vector<std::string> more;
        int exitCode;
        const char* says;
    };
    for (const Case& c : std::vector<Case>{
             {"http://127.0.0.1:1",
              "map.png",
              {},
              4,
              "tiles: no answer from the tile server (Couldn't connect to server)\n"},
             {busy.baseUrl(), "map.png", {}, 4, "tiles: no answer from the tile server (HTTP 503)"},
             {sea.baseUrl(), "map.png", {}, 0, "tiles do not exist on the server\n"},
             {good.baseUrl(), "map", {}, 1, "no image format"},
             {slow.baseUrl(),
              "late.png",
              {"--scale", "1", "--level", "16", "--timeout", "0.5"},
              3,
              "nothing written"},
         }) {
        TempDir empty;
        r = Hfp(empty, c.url, Export((empty / c.name).string(), c.more));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(std::filesystem::exists(empty / c.name), c.exitCode == 0 || c.exitCode == 4);
    }
}

TEST(HfpPrefetch, FetchesOnceAndRetriesWhatFailed) {
    TempDir data;
    std::array<long, 4> first;
    {
        // A slow server that goes away halfway: what came is kept, the rest counts as failed.
        DevServer slow({"--delay-ms", "150"});
        std::thread killer([&] {
            while (slow.TotalRequests() < 6)
                std::this_thread::yield();
            slow.Stop();
        });
        ProcessResult r = Hfp(data, slow.baseUrl(), kPrefetch);
        killer.join();
        EXPECT_EQ(r.exitCode, 1) << r.err;
        first = Counts(r.out);
        EXPECT_GT(first[0], 0);
        EXPECT_GT(first[3], 0);
    }
    DevServer back;
    std::vector<std::string> args = kPrefetch;
    args.push_back("--high-speed");
    ProcessResult r = Hfp(data, back.baseUrl(), args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Counts(r.out), (std::array<long, 4>{first[3], first[0], 0, 0}));
    back.ResetStats();
    r = Hfp(data, back.baseUrl(), args);
    EXPECT_EQ(Counts(r.out), (std::array<long, 4>{0, first[0] + first[3], 0, 0}));
    EXPECT_EQ(back.TotalRequests(), 0);

    // Tiles the server does not have are unavailable, not failed.
    DevServer sea({"--html-rate", "0.4"});
    TempDir other;
    r = Hfp(other, sea.baseUrl(), kPrefetch);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GT(Counts(r.out)[2], 0);

    // The tiles are stored without being decoded, yet a tile damaged on its way is not: in
    // either mode it is unavailable and has no file, beside a whole one that is kept.
    const std::filesystem::path level = data / "data" / "map" / "xyz16";
    std::vector<std::filesystem::path> tiles;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(level))
        if (entry.path().extension() == ".png") tiles.push_back(entry.path());
    ASSERT_GE(tiles.size(), 2u);
    TempDir served;
    auto serve = [&](const std::filesystem::path& tile, bool damage) {
        const std::filesystem::path relative = std::filesystem::relative(tile, level);
        std::string png = ReadFile(tile);
        if (damage) png[png.size() / 2] ^= 0x20;
        std::filesystem::create_directories((served / "16" / relative).parent_path());
        WriteFile(served / "16" / relative, png);
        return relative;
    };
    const std::filesystem::path whole = serve(tiles[0], false), damaged = serve(tiles[1], true);
    DevServer stored({"--tiles-dir", served.path().string()});
    for (bool highSpeed : {false, true}) {
        TempDir fresh;
        args = kPrefetch;
        if (highSpeed) args.push_back("--high-speed");
        r = Hfp(fresh, stored.baseUrl(), args);
        const std::filesystem::path cache = fresh / "data" / "map" / "xyz16";
        EXPECT_EQ(Counts(r.out)[0], 1) << r.out;
        EXPECT_EQ(ReadFile(cache / whole), ReadFile(tiles[0]));
        EXPECT_FALSE(std::filesystem::exists(cache / damaged));
    }
}

// Without a network the first requests all fail: prefetch stops at once and says why,
// instead of waiting out every tile of the area.
TEST(HfpPrefetch, StopsWhenTheServerCannotBeReached) {
    for (bool highSpeed : {false, true}) {
        TempDir data;
        std::vector<std::string> args = kPrefetch;
        if (highSpeed) args.push_back("--high-speed");
        ProcessResult r = Hfp(data, "http://127.0.0.1:1", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("hfp: cannot reach the tile server 127.0.0.1:1: Couldn't connect"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(Counts(r.out)[0], -1) << r.out;
    }
}

TEST(HfpPrefetch, InterruptKeepsWhatWasFetched) {
    TempDir data;
    DevServer slow({"--delay-ms", "200"});
    std::vector<std::string> args = {"--data-dir", (data / "data").string(), "--services",
                                     slow.baseUrl()};
    args.insert(args.end(), kPrefetch.begin(), kPrefetch.end());
    args.push_back("--high-speed");
    const std::string out = (data / "out.txt").string();
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ChildProcess hfp(BuiltProgram("hfp"), args, {}, -1, outFd);
    ::close(outFd);
    while (slow.TotalRequests() < 8)  // some tiles asked for, then Ctrl+C
        std::this_thread::yield();
    EXPECT_EQ(hfp.Stop(SIGINT), 130);
    const std::array<long, 4> c = Counts(ReadFile(out));
    EXPECT_GT(c[0], 0);
    EXPECT_EQ(c[3], 0);  // the rest was dropped, not failed
    ProcessResult stats = Hfp(data, slow.baseUrl(), {"index", "stats", "16"});
    EXPECT_NE(stats.out.find("ondisk " + std::to_string(c[0]) + " "), std::string::npos)
        << stats.out;
}

}  // namespace
}  // namespace hfp::test
