#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "devserver/DevServerTestUtil.h"

namespace hfp::test {
namespace {

struct TileId {
    int level;
    int32_t tx;
    int32_t ty;
};

// A town with a wide road at level 16, a coast at level 12 and its English-map counterpart
// at level 9: places where tiles have plenty drawn across their borders.
constexpr TileId kTown16{16, 58033, 25895};
constexpr TileId kCoast12{12, 3625, 1616};
constexpr TileId kLand9{9, 453, 202};

constexpr uint32_t kWhite = 0xffffff;
constexpr uint32_t kBuildingFace = 0xffe6be;
constexpr uint32_t kBuildingEdge = 0x969696;

// The same colour, or both parts of a building: a building's face on one side of a border
// may go on as its edge on the other.
bool Kin(uint32_t a, uint32_t b) {
    auto building = [](uint32_t c) { return c == kBuildingFace || c == kBuildingEdge; };
    return a == b || (building(a) && building(b));
}

uint32_t Pixel(const DecodedTile& tile, int x, int y) {
    const uint8_t* p = tile.pixels.get() + (static_cast<std::size_t>(y) * tile.width + x) * 4;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

DecodedTile FetchTile(const DevServer& server, TileId id) {
    HttpResponse r = GetPath(server, TilePath(id.level, id.tx, id.ty));
    EXPECT_TRUE(r.ok()) << id.level << "/" << id.tx << "/" << id.ty << " " << r.status;
    EXPECT_EQ(r.contentType, "image/png");
    EXPECT_EQ(r.contentLength, static_cast<int64_t>(r.body.size()));
    DecodedTile tile;
    EXPECT_TRUE(LoadPngFromMemory(r.body.data(), r.body.size(), &tile));
    EXPECT_EQ(tile.width, 256);
    EXPECT_EQ(tile.height, 256);
    return tile;
}

// How well two tiles agree along their shared border: every drawn (not white) pixel of a
// tile's outermost line should be continued on the other side, by a pixel of its colour among
// the neighbour's first four lines, within two pixels along the border. Lines, areas and
// labels that cross a border pass this; a feature cut off at the border does not.
struct Agreement {
    int drawn = 0;
    int matched = 0;
};

// `a(k, d)` and `b(k, d)` give the pixel k along the border at depth d into either tile, 0
// being the tile's outermost line.
template <typename A, typename B>
void CompareBorder(A a, B b, Agreement* agreement) {
    auto oneWay = [agreement](auto from, auto to) {
        for (int k = 0; k < 256; ++k) {
            uint32_t colour = from(k, 0);
            if (colour == kWhite) continue;
            ++agreement->drawn;
            bool found = false;
            for (int d = 0; d < 4 && !found; ++d)
                for (int s = -2; s <= 2 && !found; ++s)
                    found = k + s >= 0 && k + s < 256 && Kin(to(k + s, d), colour);
            agreement->matched += found;
        }
    };
    oneWay(a, b);
    oneWay(b, a);
}

TEST(DevServerTiles, TilesAreWholePngsThatJoinAcrossTheirBorders) {
    DevServer server;
    for (TileId origin : {kTown16, kCoast12, kLand9}) {
        DecodedTile block[3][3];
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                block[j][i] = FetchTile(server, {origin.level, origin.tx + i, origin.ty + j});
        ASSERT_FALSE(HasFailure());

        Agreement agreement;
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                const DecodedTile& tile = block[j][i];
                if (i < 2) {
                    const DecodedTile& east = block[j][i + 1];
                    CompareBorder([&](int k, int d) { return Pixel(tile, 255 - d, k); },
                                  [&](int k, int d) { return Pixel(east, d, k); }, &agreement);
                }
                if (j < 2) {
                    const DecodedTile& south = block[j + 1][i];
                    CompareBorder([&](int k, int d) { return Pixel(tile, k, 255 - d); },
                                  [&](int k, int d) { return Pixel(south, k, d); }, &agreement);
                }
            }
        }
        SCOPED_TRACE("level " + std::to_string(origin.level));
        EXPECT_GE(agreement.drawn, 100);
        // Not all: a line or a building's side may lie along the border itself. Tiles that
        // do not touch agree on about a third.
        EXPECT_GE(agreement.matched, agreement.drawn * 80 / 100)
            << agreement.matched << " of " << agreement.drawn;
    }
}

TEST(DevServerTiles, Level16TilesUseTheStandardMapColours) {
    const std::vector<std::pair<uint32_t, const char*>> colours = {
        {0xffffff, "background"},    {0xc8a03c, "contour"},      {0x145aff, "water edge"},
        {0xbed2ff, "water face"},    {0x646464, "road or path"}, {0xff7a7a, "wide road face"},
        {0xffe6be, "building face"}, {0x000000, "text"}};
    DevServer server;
    std::set<uint32_t> seen;
    // A town with a wide road, and a coast.
    for (TileId id : {TileId{16, 58033, 25896}, TileId{16, 58001, 25900}}) {
        DecodedTile tile = FetchTile(server, id);
        ASSERT_FALSE(HasFailure());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                seen.insert(Pixel(tile, x, y));
    }
    for (const auto& [rgb, name] : colours)
        EXPECT_TRUE(seen.count(rgb)) << name;
}

TEST(DevServerTiles, ATileIsTheSameOnEveryRequestAndInEveryRun) {
    const std::string path = TilePath(kTown16.level, kTown16.tx, kTown16.ty);
    std::string first;
    {
        DevServer server;
        first = GetPath(server, path).body;
        EXPECT_EQ(GetPath(server, path).body, first);  // from the server's memory
    }
    DevServer another;
    EXPECT_EQ(GetPath(another, path).body, first);
    EXPECT_NE(GetPath(another, TilePath(16, kTown16.tx + 1, kTown16.ty)).body, first);
}

TEST(DevServerTiles, PathsThatNameNoTileAre404HtmlPages) {
    DevServer server;
    const std::vector<std::string> paths = {
        TilePath(16, 50972, 25877),  // 100° E
        TilePath(12, 3626, 0),       // 85° N
        TilePath(7, 0, 0),
        "/xyz/std/11/906/404.png",  // levels 7-11 are on the English map
        "/xyz/english/12/3626/1617.png",
        "/xyz/std/19/464256/207000.png",
        "/xyz/english/6/56/25.png",
        "/xyz/std/16/65536/25892.png",  // beyond the world's last tile
        "/xyz/std/16/58034/25892.jpg",
        "/xyz/std/16/58034.png",
        "/xyz/std/16/a/b.png",
        "/xyz/std/16/058034/25892.png",
        "/xyz/std/16/-1/25892.png",
        "/xyz/std/16/58034/25892.png/more",
        "/xyz/",
        "/somewhere/else",
        "/",
    };
    for (const std::string& path : paths) {
        HttpResponse r = GetPath(server, path);
        EXPECT_TRUE(r.answered) << path;
        EXPECT_EQ(r.status, 404) << path;
        EXPECT_EQ(r.contentType.rfind("text/html", 0), 0u) << path << " " << r.contentType;
        EXPECT_TRUE(StartsWithDoctype(r.body)) << path;
    }
    // A tile reaching just into the service area is served.
    EXPECT_TRUE(GetPath(server, TilePath(7, 107, 49)).ok());  // 121.1° - 123.8° E
}

TEST(DevServerTiles, ATilesFolderIsServedByteForByte) {
    TempDir dir;
    std::mt19937 random(7);
    std::string noise(10000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const std::string broken = std::string("\x89PNG\r\n\x1a\n", 8) + "not really";
    const std::vector<std::tuple<int, int, int, std::string>> files = {{16, 58034, 25892, noise},
                                                                       {9, 453, 202, broken},
                                                                       {12, 1, 1, "far outside"},
                                                                       {16, 1, 2, ""}};
    for (const auto& [z, x, y, data] : files) {
        std::filesystem::path folder = dir.path() / std::to_string(z) / std::to_string(x);
        std::filesystem::create_directories(folder);
        WriteFile(folder / (std::to_string(y) + ".png"), data);
    }
    DevServer server({"--tiles-dir", dir.path().string()});
    for (const auto& [z, x, y, data] : files) {
        HttpResponse r = GetPath(server, TilePath(z, x, y));
        EXPECT_TRUE(r.ok()) << z << "/" << x << "/" << y;
        EXPECT_EQ(r.contentType, "image/png");
        EXPECT_EQ(r.contentLength, static_cast<int64_t>(data.size()));
        EXPECT_EQ(r.body, data);
    }
    // A file that is not there is not drawn either.
    HttpResponse missing = GetPath(server, TilePath(16, 58035, 25892));
    EXPECT_EQ(missing.status, 404);
    EXPECT_TRUE(StartsWithDoctype(missing.body));
    // The folder's files are served under their level's prefix only.
    EXPECT_EQ(GetPath(server, "/xyz/std/9/453/202.png").status, 404);
}

TEST(DevServerStats, CountsTheRequestsReceivedPerPath) {
    DevServer server;
    const std::string a = TilePath(16, 58034, 25892);
    const std::string b = TilePath(9, 453, 202);
    EXPECT_EQ(server.TotalRequests(), 0);
    GetPath(server, a);
    GetPath(server, a);
    GetPath(server, b);
    GetPath(server, "/nothing/here");
    EXPECT_EQ(server.Requests(a), 2);
    EXPECT_EQ(server.Requests(b), 1);
    EXPECT_EQ(server.Requests("/nothing/here"), 1);
    EXPECT_EQ(server.Requests(TilePath(16, 58035, 25892)), 0);
    EXPECT_EQ(server.TotalRequests(), 4);  // asking for the counts is not counted

    HttpResponse stats = GetPath(server, "/__stats");
    EXPECT_EQ(stats.contentType, "application/json");
    EXPECT_NE(stats.body.find("\"" + a + "\":2"), std::string::npos) << stats.body;

    server.ResetStats();
    EXPECT_EQ(server.TotalRequests(), 0);
    EXPECT_EQ(server.Requests(a), 0);
    GetPath(server, b);
    EXPECT_EQ(server.Requests(b), 1);
    EXPECT_TRUE(GetPath(server, "/__reset").ok());
    EXPECT_EQ(server.TotalRequests(), 0);
}

}  // namespace
}  // namespace hfp::test
