#include "tiles/TileDownload.h"

#include <gtest/gtest.h>

#include <QImage>

#include <atomic>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"

namespace hfp {
namespace {

namespace fs = std::filesystem;
using test::DevServer;

// The tile at the default map centre at level 16.
constexpr int32_t kTx16 = 58023, kTy16 = 25877;

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
    test::TempDir data;
    TileStatusGrid grid;
};

std::string TilePng(int width = 256, int height = 256) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(200, 160, 60));
    return test::PngBytes(image);
}

// Every kind of reply, through both routines: what it makes of the tile, and that a tile
// already on disk is never truncated, deleted or replaced by a reply that is not a tile.
TEST(TileDownload, RepliesDecideTheResultAndNeverHarmTheStoredTile) {
    test::TempDir folder;
    const std::string png = TilePng();
    const std::vector<std::pair<std::string, std::string>> files = {
        {"2", TilePng(255, 256)},
        {"5", png + std::string(kMaxTileBytes, 'z')},  // refused by its length
    };
    for (const auto& [ty, bytes] : files) {
        fs::create_directories(folder / "16" / std::to_string(kTx16));
        test::WriteFile(folder / "16" / std::to_string(kTx16) / (ty + ".png"), bytes);
    }
    DevServer served({"--tiles-dir", folder.path().string()});
    DevServer html({"--html-rate", "1"}), chunked({"--no-content-length"});
    DevServer dropping({"--drop-rate", "1"});
    DevServer busy({"--error-status", "503"}), limited({"--error-status", "429"});
    DevServer slow({"--error-status", "408"});
    struct Case {
        std::string host;
        int32_t ty;
        DownloadResult result;
    };
    for (const Case& c : std::vector<Case>{
             {html.host(), kTy16, DownloadResult::NotATile},
             {chunked.host(), kTy16, DownloadResult::Ok},
             {dropping.host(), kTy16, DownloadResult::NoAnswer},
             {busy.host(), kTy16, DownloadResult::NoAnswer},
             {limited.host(), kTy16, DownloadResult::NoAnswer},
             {slow.host(), kTy16, DownloadResult::NoAnswer},
             {"127.0.0.1:1", kTy16, DownloadResult::NoAnswer},
             {served.host(), 1, DownloadResult::NotATile},  // a 404 page
             {served.host(), 2, DownloadResult::NotATile},
             {served.host(), 5, DownloadResult::NotATile},
         }) {
        const std::string what = c.host + " " + std::to_string(c.ty);
        HighSpeedSession session;
        for (bool highSpeed : {false, true}) {
            Level level(16, c.host);
            const fs::path file = level.grid.TileFilePath(kTx16, c.ty);
            ASSERT_TRUE(level.grid.CreateTileFolders(kTx16));
            test::WriteFile(file, png);
            DecodedTile tile;
            std::string data, reason;
            DownloadResult result =
                highSpeed
                    ? DownloadTileToMemory(level.grid, session, kTx16, c.ty, &data, &tile, &reason)
                    : DownloadTileToFile(level.grid, kTx16, c.ty, TileHttpOptions(), &tile,
                                         &reason);
            EXPECT_EQ(result, c.result) << what << (highSpeed ? " high-speed" : " plain");
            EXPECT_EQ(tile.pixels != nullptr, c.result == DownloadResult::Ok) << what;
            EXPECT_EQ(reason.empty(), c.result == DownloadResult::Ok) << what << ": " << reason;
            if (c.result != DownloadResult::Ok) {
                EXPECT_EQ(test::ReadFile(file), png) << what;
            }
            EXPECT_EQ(
                std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
                1)
                << what << ": a temporary file was left";
        }
    }
    EXPECT_EQ(StatusAfterFailure(DownloadResult::NoAnswer), TileUnknown);
    EXPECT_EQ(StatusAfterFailure(DownloadResult::NotATile), TileUnavailable);
}

// A tile file is replaced whole: a reader at the same time reads the old tile or the new one.
TEST(TileDownload, ConcurrentLoadsNeverSeeAPartlyWrittenTile) {
    Level level(16, "");
    const std::string png = TilePng();
    ASSERT_TRUE(SaveTileFile(level.grid, kTx16, kTy16, png));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 300; ++i)
            ASSERT_TRUE(SaveTileFile(level.grid, kTx16, kTy16, png));
        stop = true;
    });
    int failures = 0;
    while (!stop) {
        DecodedTile tile;
        if (!LoadTilePng(level.grid.TileFilePath(kTx16, kTy16), &tile)) ++failures;
    }
    writer.join();
    EXPECT_EQ(failures, 0);
}

// hfp tile get: the status it prints, its exit code, and what it leaves in the data folder.
TEST(HfpTileGet, FetchesOnceKeepsTheTileOnFailureAndNamesWrongArguments) {
    DevServer good, html({"--html-rate", "1"}), dropping({"--drop-rate", "1"});
    test::TempDir data;
    auto run = [&](const DevServer& server, std::vector<std::string> args) {
        std::vector<std::string> all = {
            "--data-dir", data.path().string(), "--services", server.baseUrl(), "tile", "get"};
        all.insert(all.end(), args.begin(), args.end());
        return test::RunProcess(test::BuiltProgram("hfp"), all);
    };
    const fs::path file = data / "map/xyz12/3630/1613.png";
    struct Step {
        const DevServer* server;
        std::vector<std::string> args;
        int exitCode;
        const char* status;
    };
    for (const Step& s : std::vector<Step>{
             {&good, {"12", "3630", "1613"}, 0, "TileOnDisk"},
             {&good, {"12", "3630", "1613", "--high-speed"}, 0, "TileOnDisk"},  // not fetched
             {&dropping, {"12", "3630", "1613", "--force"}, 1, "TileOnDisk"},
             {&html, {"12", "3630", "1613", "--force", "--high-speed"}, 1, "TileOnDisk"},
             {&html, {"12", "3631", "1613"}, 1, "TileUnavailable"},
             {&dropping, {"12", "3632", "1613", "--high-speed"}, 1, "TileUnknown"},
             {&good, {"12", "3000", "1613"}, 1, "TileUnavailable"},  // outside the grid
         }) {
        test::ProcessResult r = run(*s.server, s.args);
        EXPECT_EQ(r.exitCode, s.exitCode) << s.args[1] << " " << r.err;
        EXPECT_EQ(r.out, std::string(s.status) + "\n") << s.args[1];
        EXPECT_TRUE(fs::exists(file));
    }
    EXPECT_EQ(good.TotalRequests(), 1);
    test::ProcessResult index = test::RunProcess(
        test::BuiltProgram("hfp"), {"--data-dir", data.path().string(), "index", "stats", "12"});
    EXPECT_EQ(index.out, "12 unknown 138630 inmemory 0 ondisk 1 unavailable 1\n");

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"19", "1", "2"}, {"12", "3630"}, {"12", "x", "1613"}, {"12", "1", "2", "--fast"}})
        EXPECT_EQ(run(good, args).exitCode, 2);
}

}  // namespace
}  // namespace hfp
