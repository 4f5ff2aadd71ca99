#include <gtest/gtest.h>

#include <set>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "geo/MapSourceConfig.h"
#include "platform/HttpClient.h"
#include "tiles/PngDecoder.h"

namespace hfp::test {
namespace {

std::string TilePath(int level, int32_t tx, int32_t ty) {
    return TileRequestPath(MakeMapSourceConfig(level), tx, ty);
}

HttpResponse GetPath(const DevServer& server, const std::string& path) {
    HttpClient client;
    return client.Get(server.baseUrl() + path);
}

bool IsHtmlPage(const HttpResponse& r) {
    return r.contentType.rfind("text/html", 0) == 0 && r.body.rfind("<!DOCTYPE html>", 0) == 0;
}

DecodedTile Decode(const HttpResponse& r) {
    DecodedTile tile;
    EXPECT_TRUE(LoadPngFromMemory(r.body.data(), r.body.size(), &tile));
    EXPECT_EQ(tile.width, 256);
    return tile;
}

uint32_t Pixel(const DecodedTile& tile, int x, int y) {
    const uint8_t* p = tile.pixels.get() + (static_cast<std::size_t>(y) * tile.width + x) * 4;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

// Every drawn pixel on the east and south edges of the middle tiles of a 2 x 2 block should
// go on in the neighbour (its colour within two pixels along and four deep), as lines and
// areas that cross a border do; a building's face may go on as its edge. Tiles that do not
// join agree on about a third.
TEST(DevServerTiles, TilesJoinAcrossTheirBordersInTheStandardMapColours) {
    DevServer server;
    std::set<uint32_t> seen;
    int drawn = 0, matched = 0;
    for (auto [level, tx, ty] : {std::tuple{16, 58033, 25895}, std::tuple{16, 58000, 25899}}) {
        DecodedTile t[2][2];
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                t[j][i] = Decode(GetPath(server, TilePath(level, tx + i, ty + j)));
        ASSERT_FALSE(HasFailure());
        auto kin = [](uint32_t a, uint32_t b) {
            auto building = [](uint32_t c) { return c == 0xffe6be || c == 0x969696; };
            return a == b || (building(a) && building(b));
        };
        for (int k = 0; k < 256; ++k) {
            for (bool east : {true, false}) {
                const DecodedTile& a = t[0][0];
                const DecodedTile& b = east ? t[0][1] : t[1][0];
                uint32_t colour = east ? Pixel(a, 255, k) : Pixel(a, k, 255);
                if (colour == 0xffffff) continue;
                ++drawn;
                bool found = false;
                for (int d = 0; d < 4 && !found; ++d)
                    for (int s = std::max(0, k - 2); s <= std::min(255, k + 2) && !found; ++s)
                        found = kin(east ? Pixel(b, d, s) : Pixel(b, s, d), colour);
                matched += found;
            }
        }
        for (int y = 0; y < 256 * 4; ++y)
            for (int x = 0; x < 256; ++x)
                seen.insert(Pixel(t[y / 512][(y / 256) % 2], x, y % 256));
    }
    EXPECT_GE(drawn, 30);
    EXPECT_GE(matched, drawn * 80 / 100) << matched << " of " << drawn;
    for (uint32_t rgb : {0xffffffu, 0xc8a03cu, 0x145affu, 0xbed2ffu, 0x646464u, 0x000000u})
        EXPECT_TRUE(seen.count(rgb)) << std::hex << rgb;
    // The same tile on every request and in every run; its neighbour differs.
    const std::string path = TilePath(16, 58033, 25895);
    DevServer another;
    EXPECT_EQ(GetPath(another, path).body, GetPath(server, path).body);
    EXPECT_NE(GetPath(another, TilePath(16, 58034, 25895)).body, GetPath(server, path).body);
}

// Whatever is not a tile comes as an HTML page, as real servers send them: paths that name
// no tile, and the tiles the fault switches pick.
TEST(DevServerTiles, AnswersThatAreNotTilesAreHtmlPages) {
    DevServer server, html({"--html-rate", "1"}), busy({"--error-status", "503"});
    struct Case {
        const DevServer* server;
        std::string path;
        long status;
    };
    for (const Case& c : std::vector<Case>{
             {&server, TilePath(16, 50972, 25877), 404},  // 100° E
             {&server, "/xyz/std/11/906/404.png", 404},   // levels 7-11 are on the English map
             {&html, TilePath(16, 58033, 25895), 200},
             {&busy, TilePath(16, 58033, 25895), 503},
         }) {
        HttpResponse r = GetPath(*c.server, c.path);
        EXPECT_EQ(r.status, c.status) << c.path;
        EXPECT_TRUE(IsHtmlPage(r)) << c.path;
    }
    EXPECT_TRUE(GetPath(server, TilePath(7, 107, 49)).ok());  // reaches just into the area
}

// A share of the paths is hit, always the same ones, so that a test's faults repeat (what
// each switch makes of an answer is the tile download's tests).
TEST(DevServerFaults, HtmlRatePicksTheSamePathsEveryTime) {
    DevServer half({"--html-rate", "0.5"});
    int hit = 0;
    for (int i = 0; i < 20; ++i) {
        const std::string p = TilePath(16, 58030 + i % 5, 25890 + i / 5);
        hit += IsHtmlPage(GetPath(half, p));
        EXPECT_EQ(IsHtmlPage(GetPath(half, p)), IsHtmlPage(GetPath(half, p))) << p;
    }
    EXPECT_GT(hit, 0);
    EXPECT_LT(hit, 20);
}

// The whole of 127/8 reaches this machine: a server listening on every address would answer
// on 127.0.0.2 as well.
TEST(DevServerProgram, ListensOnLoopbackOnlyAndRefusesWrongOptions) {
    DevServer server;
    const std::string port = ":" + std::to_string(server.port()) + "/";
    EXPECT_TRUE(HttpClient().Get("http://127.0.0.1" + port).answered);
    EXPECT_FALSE(HttpClient().Get("http://127.0.0.2" + port).answered);
    EXPECT_EQ(server.Stop(), 0);  // also at once after the start
    EXPECT_FALSE(HttpClient().Get("http://127.0.0.1" + port).answered);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--port", "70000"}, {"--tiles-dir", "/nonexistent/folder"}}) {
        ProcessResult r = RunProcess(BuiltProgram("hfp-devserver"), args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_NE(r.err.find("usage: hfp-devserver"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace hfp::test
