#include "tiles/TileDownload.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "tiles/TestPng.h"

namespace hfp {
namespace {

namespace fs = std::filesystem;
using test::DevServer;

// The tile at the default map centre, at level 16 and at level 7 (one of each path prefix).
constexpr int32_t kTx16 = 58023, kTy16 = 25877;
constexpr int32_t kTx7 = 113, kTy7 = 50;

// A loopback port that takes connections into its backlog but never accepts or answers
// them (listening), or one where nobody listens (refusing).
class DeadPort {
  public:
    explicit DeadPort(bool listening) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        if (listening) ::listen(m_fd, 16);
    }
    ~DeadPort() { ::close(m_fd); }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

  private:
    int m_fd = -1;
    int m_port = 0;
};

// Time-outs for a port that never answers; requests to hfp-devserver keep the ordinary ones.
HttpOptions QuickOptions() {
    HttpOptions options = TileHttpOptions();
    options.connectTimeout = std::chrono::milliseconds(300);
    options.transferTimeout = std::chrono::milliseconds(300);
    return options;
}

// A level's grid under a fresh data folder, its tiles served by `server`.
struct Level {
    Level(int level, const std::string& server) : grid(Config(level, server), data.path()) {
        grid.LoadIndex();
    }
    static MapSourceConfig Config(int level, const std::string& server) {
        MapSourceConfig config = MakeMapSourceConfig(level);
        config.server = server;
        return config;
    }
    std::string Path(int32_t tx, int32_t ty) const {
        return TileRequestPath(grid.config(), tx, ty);
    }
    test::TempDir data;
    TileStatusGrid grid;
};

// A folder of tile files for --tiles-dir, at DIR/{z}/{x}/{y}.png.
struct TileFolder {
    void Put(int level, int32_t tx, int32_t ty, const std::string& bytes) {
        fs::path folder = dir / std::to_string(level) / std::to_string(tx);
        fs::create_directories(folder);
        test::WriteFile(folder / (std::to_string(ty) + ".png"), bytes);
    }
    std::string path() const { return dir.path().string(); }
    test::TempDir dir;
};

std::string TilePng(uint32_t width = 256, uint32_t height = 256) {
    return test::EncodePng(test::PatternImage(width, height));
}

TEST(TileDownload, BothRoutinesFetchAndDecodeServedTiles) {
    DevServer server;
    HighSpeedSession session;
    for (auto [level, tx, ty] : {std::tuple{16, kTx16, kTy16}, std::tuple{7, kTx7, kTy7}}) {
        Level plain(level, server.host());
        DecodedTile tile;
        ASSERT_EQ(DownloadTileToFile(plain.grid, tx, ty, TileHttpOptions(), &tile),
                  DownloadResult::Ok)
            << level;
        EXPECT_EQ(tile.width, 256);
        EXPECT_EQ(tile.height, 256);
        const fs::path file = plain.grid.TileFilePath(tx, ty);
        const std::string stored = test::ReadFile(file);
        EXPECT_EQ(file, plain.data / "map" / ("xyz" + std::to_string(level)) / std::to_string(tx) /
                            (std::to_string(ty) + ".png"));

        std::string data;
        DecodedTile fromMemory;
        ASSERT_EQ(DownloadTileToMemory(plain.grid, session, tx, ty, &data, &fromMemory),
                  DownloadResult::Ok);
        // The file holds the bytes exactly as the server sent them.
        EXPECT_EQ(data, stored);
        EXPECT_EQ(std::memcmp(tile.pixels.get(), fromMemory.pixels.get(), tile.size), 0);
        EXPECT_EQ(server.Requests(plain.Path(tx, ty)), 2);

        // The high-speed routine writes no file; saving it is the caller's.
        Level fast(level, server.host());
        ASSERT_EQ(DownloadTileToMemory(fast.grid, session, tx, ty, &data, &fromMemory),
                  DownloadResult::Ok);
        EXPECT_FALSE(fs::exists(fast.data / "map"));
        ASSERT_TRUE(SaveTileFile(fast.grid, tx, ty, data));
        EXPECT_EQ(test::ReadFile(fast.grid.TileFilePath(tx, ty)), stored);
    }
}

TEST(TileDownload, HtmlPagesAreNeverStored) {
    DevServer server({"--html-rate", "1"});
    Level level(16, server.host());
    const fs::path file = level.grid.TileFilePath(kTx16, kTy16);
    DecodedTile tile;
    EXPECT_EQ(DownloadTileToFile(level.grid, kTx16, kTy16, TileHttpOptions(), &tile),
              DownloadResult::NotATile);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(tile.pixels);
    EXPECT_EQ(HttpGetFile(server.host(), level.Path(kTx16, kTy16), file, TileHttpOptions()),
              DownloadResult::NotATile);
    EXPECT_FALSE(fs::exists(file));

    HighSpeedSession session;
    std::string data;
    EXPECT_EQ(DownloadTileToMemory(level.grid, session, kTx16, kTy16, &data, &tile),
              DownloadResult::NotATile);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(server.Requests(level.Path(kTx16, kTy16)), 3);
    EXPECT_EQ(StatusAfterFailure(DownloadResult::NotATile), TileUnavailable);
}

TEST(TileDownload, RepliesWithoutContentLength) {
    DevServer server({"--no-content-length"});
    Level level(16, server.host());
    // The plain routine stores the body as it comes.
    DecodedTile tile;
    EXPECT_EQ(DownloadTileToFile(level.grid, kTx16, kTy16, TileHttpOptions(), &tile),
              DownloadResult::Ok);
    EXPECT_TRUE(fs::exists(level.grid.TileFilePath(kTx16, kTy16)));
    // The high-speed routine needs the length: the server answered, with nothing it takes.
    HighSpeedSession session;
    std::string data;
    EXPECT_EQ(HttpGetFileHighSpeed(session, server.host(), level.Path(kTx16, kTy16), &data),
              DownloadResult::NotATile);
    EXPECT_TRUE(data.empty());
}

TEST(TileDownload, BodiesAroundTheReadBufferSize) {
    TileFolder tiles;
    const std::string png = TilePng();
    ASSERT_LT(png.size(), 9000u);
    // 10000 bytes is the plain routine's read size: a body of exactly that size, of two
    // reads' worth, and just either side.
    const std::vector<std::size_t> sizes = {9999, 10000, 10001, 20000};
    for (std::size_t i = 0; i < sizes.size(); ++i)
        tiles.Put(16, kTx16 + static_cast<int32_t>(i), kTy16, test::PadPng(png, sizes[i]));
    DevServer server({"--tiles-dir", tiles.path()});
    Level level(16, server.host());
    HighSpeedSession session;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int32_t tx = kTx16 + static_cast<int32_t>(i);
        DecodedTile tile;
        ASSERT_EQ(DownloadTileToFile(level.grid, tx, kTy16, TileHttpOptions(), &tile),
                  DownloadResult::Ok)
            << sizes[i];
        EXPECT_EQ(test::ReadFile(level.grid.TileFilePath(tx, kTy16)), test::PadPng(png, sizes[i]));
        std::string data;
        ASSERT_EQ(DownloadTileToMemory(level.grid, session, tx, kTy16, &data, &tile),
                  DownloadResult::Ok)
            << sizes[i];
        EXPECT_EQ(data.size(), sizes[i]);
    }
}

TEST(TileDownload, TransportFailuresLeaveTheTileToBeAskedForAgain) {
    DevServer dropping({"--drop-rate", "1"});
    DeadPort silent(true);
    DeadPort refusing(false);
    for (const std::string& host : {dropping.host(), silent.host(), refusing.host()}) {
        const HttpOptions options = host == silent.host() ? QuickOptions() : TileHttpOptions();
        Level level(16, host);
        const fs::path file = level.grid.TileFilePath(kTx16, kTy16);
        // An earlier, broken copy of the tile is not left behind either.
        level.grid.CreateTileFolders(kTx16);
        test::WriteFile(file, "stale");
        DecodedTile tile;
        EXPECT_EQ(DownloadTileToFile(level.grid, kTx16, kTy16, options, &tile),
                  DownloadResult::NoAnswer)
            << host;
        EXPECT_FALSE(fs::exists(file)) << host;
        EXPECT_FALSE(tile.pixels);

        HighSpeedSession session(options);
        std::string data;
        EXPECT_EQ(DownloadTileToMemory(level.grid, session, kTx16, kTy16, &data, &tile),
                  DownloadResult::NoAnswer)
            << host;
        EXPECT_TRUE(data.empty());
    }
    EXPECT_EQ(dropping.Requests(TileRequestPath(MakeMapSourceConfig(16), kTx16, kTy16)), 2);
    EXPECT_EQ(StatusAfterFailure(DownloadResult::NoAnswer), TileUnknown);

    // The high-speed session goes on working after a dropped connection.
    DevServer good;
    HighSpeedSession session;
    std::string data;
    const std::string path = TileRequestPath(MakeMapSourceConfig(16), kTx16, kTy16);
    EXPECT_EQ(HttpGetFileHighSpeed(session, dropping.host(), path, &data),
              DownloadResult::NoAnswer);
    EXPECT_EQ(HttpGetFileHighSpeed(session, good.host(), path, &data), DownloadResult::Ok);
    EXPECT_EQ(HttpGetFileHighSpeed(session, dropping.host(), path, &data),
              DownloadResult::NoAnswer);
    EXPECT_EQ(HttpGetFileHighSpeed(session, good.host(), path, &data), DownloadResult::Ok);
}

TEST(TileDownload, RepliesThatAreNotTiles) {
    TileFolder tiles;
    tiles.Put(16, kTx16, kTy16, TilePng(255, 256));
    tiles.Put(16, kTx16 + 1, kTy16, TilePng(512, 512));
    tiles.Put(16, kTx16 + 2, kTy16, "GIF89a not a png at all");
    tiles.Put(16, kTx16 + 3, kTy16, TilePng().substr(0, 300));
    tiles.Put(16, kTx16 + 4, kTy16, "");
    // Far larger than any tile: refused by the length it announces.
    tiles.Put(16, kTx16 + 5, kTy16, TilePng() + std::string(kMaxTileBytes, 'z'));
    DevServer server({"--tiles-dir", tiles.path()});
    Level level(16, server.host());
    HighSpeedSession session;
    for (int32_t tx = kTx16; tx <= kTx16 + 5; ++tx) {
        DecodedTile tile;
        EXPECT_EQ(DownloadTileToFile(level.grid, tx, kTy16, TileHttpOptions(), &tile),
                  DownloadResult::NotATile)
            << tx;
        EXPECT_FALSE(fs::exists(level.grid.TileFilePath(tx, kTy16))) << tx;
        EXPECT_FALSE(tile.pixels);
        std::string data;
        EXPECT_EQ(DownloadTileToMemory(level.grid, session, tx, kTy16, &data, &tile),
                  DownloadResult::NotATile)
            << tx;
        EXPECT_FALSE(tile.pixels);
    }
    // A tile the server does not have: an HTML "not found" page.
    DecodedTile tile;
    EXPECT_EQ(DownloadTileToFile(level.grid, kTx16 + 9, kTy16, TileHttpOptions(), &tile),
              DownloadResult::NotATile);
    EXPECT_FALSE(fs::exists(level.grid.TileFilePath(kTx16 + 9, kTy16)));
}

TEST(TileDownload, TileFilesThatCannotBeWrittenHere) {
    DevServer server;
    Level level(16, server.host());
    // A file where the tile's column folder must go.
    fs::create_directories(level.grid.LevelFolder());
    test::WriteFile(level.grid.LevelFolder() / std::to_string(kTx16), "in the way");
    DecodedTile tile;
    EXPECT_EQ(DownloadTileToFile(level.grid, kTx16, kTy16, TileHttpOptions(), &tile),
              DownloadResult::LocalFailure);
    EXPECT_FALSE(SaveTileFile(level.grid, kTx16, kTy16, "bytes"));
    // A folder where the tile file must go.
    fs::create_directories(level.grid.TileFilePath(kTx16 + 1, kTy16));
    EXPECT_EQ(HttpGetFile(server.host(), level.Path(kTx16 + 1, kTy16),
                          level.grid.TileFilePath(kTx16 + 1, kTy16), TileHttpOptions()),
              DownloadResult::LocalFailure);
    EXPECT_FALSE(SaveTileFile(level.grid, kTx16 + 1, kTy16, "bytes"));
    // Nothing was asked of the server, and the tile will be asked for again.
    EXPECT_EQ(server.TotalRequests(), 0);
    EXPECT_EQ(StatusAfterFailure(DownloadResult::LocalFailure), TileUnknown);
}

TEST(TileDownload, OneHighSpeedSessionServesFourThreads) {
    DevServer server;
    Level level(17, server.host());
    HighSpeedSession session;
    std::vector<std::thread> threads;
    std::vector<int> failures(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int32_t i = 0; i < 8; ++i) {
                std::string data;
                DecodedTile tile;
                if (DownloadTileToMemory(level.grid, session, 116046 + t, 51754 + i, &data,
                                         &tile) != DownloadResult::Ok)
                    ++failures[t];
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    EXPECT_EQ(server.TotalRequests(), 32);
    session.Close();
    std::string data;
    EXPECT_EQ(HttpGetFileHighSpeed(session, server.host(), level.Path(116046, 51754), &data),
              DownloadResult::Ok);
}

// hfp tile get against the server: the status it prints, its exit code, and what it leaves
// in the data folder.
struct TileGet {
    test::ProcessResult Run(const std::string& host, std::vector<std::string> args) {
        std::vector<std::string> all = {
            "--data-dir", data.path().string(), "--services", "http://" + host, "tile", "get"};
        all.insert(all.end(), args.begin(), args.end());
        return test::RunProcess(test::BuiltProgram("hfp"), all);
    }
    std::string Stats(int level) {
        return test::RunProcess(
                   test::BuiltProgram("hfp"),
                   {"--data-dir", data.path().string(), "index", "stats", std::to_string(level)})
            .out;
    }
    fs::path TileFile(int level, int32_t tx, int32_t ty) const {
        return data / "map" / ("xyz" + std::to_string(level)) / std::to_string(tx) /
               (std::to_string(ty) + ".png");
    }
    test::TempDir data;
};

TEST(HfpTileGet, StoresTheTileAndItsStatus) {
    DevServer server;
    for (bool highSpeed : {false, true}) {
        TileGet hfp;
        std::vector<std::string> args = {"16", std::to_string(kTx16), std::to_string(kTy16)};
        if (highSpeed) args.push_back("--high-speed");
        test::ProcessResult r = hfp.Run(server.host(), args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "TileOnDisk\n");
        DecodedTile tile;
        EXPECT_TRUE(LoadTilePng(hfp.TileFile(16, kTx16, kTy16), &tile));
        EXPECT_EQ(hfp.Stats(16), "16 unknown 35160839 inmemory 0 ondisk 1 unavailable 0\n");
    }
}

TEST(HfpTileGet, FailuresAndTheStatusTheyLeave) {
    DevServer html({"--html-rate", "1"});
    DevServer dropping({"--drop-rate", "1"});
    DevServer chunked({"--no-content-length"});
    const std::vector<std::string> tile = {"12", "3630", "1613"};
    auto with = [](std::vector<std::string> args, const char* flag) {
        args.push_back(flag);
        return args;
    };
    struct Case {
        std::string host;
        std::vector<std::string> args;
        const char* status;
    };
    for (const Case& c : std::vector<Case>{
             {html.host(), tile, "TileUnavailable"},
             {html.host(), with(tile, "--high-speed"), "TileUnavailable"},
             {dropping.host(), tile, "TileUnknown"},
             {dropping.host(), with(tile, "--high-speed"), "TileUnknown"},
             {chunked.host(), with(tile, "--high-speed"), "TileUnavailable"},
         }) {
        TileGet hfp;
        test::ProcessResult r = hfp.Run(c.host, c.args);
        EXPECT_EQ(r.exitCode, 1) << c.status << " " << r.err;
        EXPECT_EQ(r.out, std::string(c.status) + "\n");
        EXPECT_FALSE(fs::exists(hfp.TileFile(12, 3630, 1613))) << c.status;
    }

    // A tile that was on disk and turns out not to be a tile any more is marked unavailable
    // in the saved index.
    DevServer good;
    TileGet hfp;
    EXPECT_EQ(hfp.Run(good.host(), {"12", "3630", "1613"}).exitCode, 0);
    EXPECT_EQ(hfp.Run(good.host(), {"12", "3631", "1613"}).exitCode, 0);
    EXPECT_EQ(hfp.Run(html.host(), {"12", "3630", "1613"}).out, "TileUnavailable\n");
    EXPECT_EQ(hfp.Run(dropping.host(), {"12", "3631", "1613"}).out, "TileUnknown\n");
    EXPECT_EQ(hfp.Stats(12), "12 unknown 138631 inmemory 0 ondisk 0 unavailable 1\n");

    // Outside the grid nothing is asked of the server.
    test::ProcessResult r = hfp.Run(good.host(), {"12", "3000", "1613"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "TileUnavailable\n");
    EXPECT_EQ(good.Requests("/xyz/std/12/3000/1613.png"), 0);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"12", "3630"}, {"6", "1", "1"}, {"12", "x", "1613"}, {"12", "1", "2", "--fast"}}) {
        EXPECT_EQ(hfp.Run(good.host(), args).exitCode, 2);
    }
}

}  // namespace
}  // namespace hfp
