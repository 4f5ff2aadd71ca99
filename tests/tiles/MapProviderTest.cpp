#include "tiles/MapProvider.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <random>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"

namespace hfp {
namespace {

using namespace std::chrono_literals;
using test::DevServer;
using test::TempDir;

// The tile at the default map centre at level 16.
constexpr int32_t kTx = 58023, kTy = 25877;

// Everything the provider reported through its callback. While `hold` is set, the first call
// waits for Release(): the provider's thread stays busy, so requests pile up in its queue.
class CallbackLog {
  public:
    std::function<void(const TileReport&)> Callback() {
        return [this](const TileReport& report) {
            std::unique_lock guard(m_lock);
            m_calls.push_back(report);
            m_changed.notify_all();
            m_changed.wait(guard, [&] { return !m_hold; });
        };
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, 30s, [&] { return m_calls.size() >= count; });
    }
    void Hold() {
        std::lock_guard guard(m_lock);
        m_hold = true;
    }
    void Release() {
        std::lock_guard guard(m_lock);
        m_hold = false;
        m_changed.notify_all();
    }
    std::vector<TileReport> calls() {
        std::lock_guard guard(m_lock);
        return m_calls;
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<TileReport> m_calls;
    bool m_hold = false;
};

MapSourceConfig Config(const std::string& server, bool highSpeed, CallbackLog& log,
                       int memoryTiles = 500) {
    MapSourceConfig config = MakeMapSourceConfig(16);
    config.server = server;
    config.highSpeedDownload = highSpeed;
    config.memoryTileLimit = memoryTiles;
    config.tileReady = log.Callback();
    return config;
}

// Asks without loading or downloading on the calling thread, as the composer does.
bool Ask(CMapProvider& provider, int32_t tx, int32_t ty, int32_t generation, TileStatus* status,
         TilePixels* pixels = nullptr, bool force = false) {
    TilePixels ignored;
    return provider.GetTile(status, pixels ? pixels : &ignored, tx, ty, false, false, force,
                            generation);
}

class MapProviderModes : public ::testing::TestWithParam<bool> {};

TEST_P(MapProviderModes, DownloadsCachesSavesAndReloads) {
    DevServer server;
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), GetParam(), log), data.path()));
    TileStatus status;
    for (int32_t d = 0; d < 4; ++d)
        ASSERT_TRUE(Ask(provider, kTx + d, kTy, 7, &status));
    ASSERT_TRUE(log.WaitFor(4));
    for (const auto& call : log.calls())
        EXPECT_TRUE(call.success() && call.generations == std::vector<int32_t>{7});
    TilePixels first;
    ASSERT_TRUE(Ask(provider, kTx, kTy, 8, &status, &first));
    EXPECT_EQ(status, TileInMemory);

    // Stopping saves every tile and the index; the next run loads them from disk.
    provider.Stop();
    CallbackLog log2;
    ASSERT_TRUE(provider.Start(Config(server.host(), GetParam(), log2), data.path()));
    ASSERT_TRUE(Ask(provider, kTx, kTy, 9, &status));
    EXPECT_EQ(status, TileOnDisk);
    ASSERT_TRUE(log2.WaitFor(1));
    TilePixels reloaded;
    ASSERT_TRUE(Ask(provider, kTx, kTy, 9, &status, &reloaded));
    EXPECT_EQ(std::memcmp(reloaded->pixels.get(), first->pixels.get(), 256 * 256 * 4), 0);
    EXPECT_EQ(server.TotalRequests(), 4);
}

INSTANTIATE_TEST_SUITE_P(PlainAndHighSpeed, MapProviderModes, ::testing::Values(false, true));

TEST(MapProvider, QueuedDuplicatesAreOneLoadForEveryGeneration) {
    DevServer server;
    TempDir data;
    TileStatus status;
    CMapProvider provider;
    {
        CallbackLog log;
        ASSERT_TRUE(provider.Start(Config(server.host(), true, log), data.path()));
        for (int32_t d = 0; d < 2; ++d)
            ASSERT_TRUE(Ask(provider, kTx + d, kTy, 1, &status));
        ASSERT_TRUE(log.WaitFor(2));
        provider.Stop();
    }
    CallbackLog log;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log), data.path()));
    log.Hold();  // the file thread stops in its first callback
    ASSERT_TRUE(Ask(provider, kTx, kTy, 1, &status));
    ASSERT_TRUE(log.WaitFor(1));
    for (int32_t generation = 1; generation <= 3; ++generation)
        ASSERT_TRUE(Ask(provider, kTx + 1, kTy, generation, &status));
    EXPECT_EQ(provider.QueuedLoads(), 1u);
    log.Release();
    ASSERT_TRUE(log.WaitFor(2));
    provider.Stop();
    ASSERT_EQ(log.calls().size(), 2u);
    EXPECT_EQ(log.calls()[1].tx, kTx + 1);
    EXPECT_EQ(log.calls()[1].generations, (std::vector<int32_t>{1, 2, 3}));
}

// A tile whose file cannot be written is TileUnknown; downloaded again into the memory slot
// that still holds it, once the file can be written, it is on disk.
TEST(MapProvider, FailedSaveResetsTheTile) {
    DevServer server;
    TempDir data;
    CallbackLog log;
    const auto column = data / "map" / "xyz16" / std::to_string(kTx);
    std::filesystem::create_directories(column.parent_path());
    test::WriteFile(column, "in the way");
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log), data.path()));
    TileStatus status;
    TilePixels pixels;
    ASSERT_TRUE(provider.GetTile(&status, &pixels, kTx, kTy, true, false, false, 1));
    while (provider.QueuedSaves() != 0)
        std::this_thread::yield();
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileUnknown);
    std::filesystem::remove(column);
    ASSERT_TRUE(provider.GetTile(&status, &pixels, kTx, kTy, true, false, false, 2));
    provider.Stop();
    TileStatusGrid grid(MakeMapSourceConfig(16), data.path());
    ASSERT_TRUE(grid.LoadIndex());
    EXPECT_EQ(grid.GetTileStatus(kTx, kTy), TileOnDisk);
    // A tile reset while its pixels stay in their slot is in memory once it comes again.
    ASSERT_TRUE(provider.Start(Config(server.host(), false, log), data.path()));
    for (int i = 0; i < 2; ++i) {
        provider.grid()->SetTileStatus(kTx, kTy, TileUnknown);
        ASSERT_TRUE(provider.GetTile(&status, &pixels, kTx, kTy, true, false, false, 3));
        EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileInMemory) << i;
    }
}

// A forced reload that brings no tile keeps the tile, its file and its status.
TEST(MapProvider, ForcedReloadWithoutATileKeepsTheOfflineCache) {
    TempDir data;
    DevServer good;
    DevServer dropping({"--drop-rate", "1"});
    DevServer html({"--html-rate", "1"});
    for (bool highSpeed : {false, true}) {
        CallbackLog log;
        CMapProvider provider;
        ASSERT_TRUE(provider.Start(Config(good.host(), highSpeed, log), data.path()));
        TileStatus status;
        TilePixels pixels;
        ASSERT_TRUE(provider.GetTile(&status, &pixels, kTx, kTy, true, false, true, 1));
        provider.Stop();
        const auto file =
            data / "map" / "xyz16" / std::to_string(kTx) / (std::to_string(kTy) + ".png");
        const std::string bytes = test::ReadFile(file);
        int generation = 2;
        for (const DevServer* bad : {&dropping, &html}) {
            ASSERT_TRUE(provider.Start(Config(bad->host(), highSpeed, log), data.path()));
            ASSERT_TRUE(Ask(provider, kTx, kTy, generation, &status, nullptr, true));
            ASSERT_TRUE(log.WaitFor(static_cast<std::size_t>(generation - 1)));
            EXPECT_FALSE(log.calls().back().success());
            EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileOnDisk) << bad->host();
            EXPECT_FALSE(provider.GetTile(&status, &pixels, kTx, kTy, true, false, true, 0));
            EXPECT_EQ(status, TileOnDisk);
            provider.Stop();
            EXPECT_EQ(test::ReadFile(file), bytes) << bad->host();
            ++generation;
        }
    }
}

// Limits outside 1…kMemoryTileLimitMax are clamped: a limit of 0 still serves tiles, a huge
// one does not try to allocate its slots.
TEST(MapProvider, MemoryLimitOutsideItsRangeIsClampedAndNoServerServesNothing) {
    DevServer server;
    for (int limit : {0, -5, 2147483647}) {
        TempDir data;
        CallbackLog log;
        CMapProvider provider;
        ASSERT_TRUE(provider.Start(Config(server.host(), true, log, limit), data.path()));
        TileStatus status;
        TilePixels pixels;
        EXPECT_TRUE(provider.GetTile(&status, &pixels, kTx, kTy, true, false, false, 1)) << limit;
        EXPECT_TRUE(pixels) << limit;
    }
    // Without a server there is nothing to draw.
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config("", true, log), data.path()));
    TileStatus status;
    EXPECT_FALSE(Ask(provider, kTx, kTy, 1, &status));
    EXPECT_EQ(status, TileUnknown);
}

TEST(MapProvider, TileRequestsOfBothModesCarryTheUserAgent) {
    httplib::Server server;
    std::atomic<int> carried{0};
    server.Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
        carried += req.get_header_value("User-Agent") == "HollowfernPlotter/test";
        res.status = 404;
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    for (bool highSpeed : {false, true}) {
        TempDir data;
        CallbackLog log;
        MapSourceConfig config = Config("127.0.0.1:" + std::to_string(port), highSpeed, log);
        config.userAgent = "HollowfernPlotter/test";
        CMapProvider provider;
        ASSERT_TRUE(provider.Start(config, data.path()));
        TileStatus status;
        TilePixels pixels;
        provider.GetTile(&status, &pixels, kTx, kTy, true, false, false, 1);
    }
    server.stop();
    serving.join();
    EXPECT_EQ(carried, 2);
}

// Plain-mode downloads wait in the queue for their turn; a cancel drops them, and nothing
// asked before a stop is worked after the next start.
TEST(MapProvider, CancelAndRestartDropEveryWaitingRequest) {
    DevServer server({"--delay-ms", "200"});
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), false, log), data.path()));
    TileStatus status;
    for (int32_t d = 0; d < CMapProvider::kDownloadThreads; ++d)
        ASSERT_TRUE(Ask(provider, kTx + d, kTy, 1, &status));
    while (provider.QueuedDownloads() != CMapProvider::kDownloadThreads - 1)
        std::this_thread::yield();
    provider.CancelQueued();
    ASSERT_TRUE(log.WaitFor(1));
    for (int32_t d = 4; d < 8; ++d)
        ASSERT_TRUE(Ask(provider, kTx + d, kTy, 2, &status));
    provider.Stop();
    ASSERT_TRUE(provider.Start(Config(server.host(), false, log), data.path()));
    EXPECT_EQ(provider.QueuedDownloads(), 0u);
    provider.Stop();
    EXPECT_LE(log.calls().size(), 2u);
    EXPECT_LE(server.TotalRequests(), 2);
}

// Threads asking, cancelling and evicting at once with one tile of memory: every tile is
// saved before its eviction marks it on disk, and no load ever reads a part of a tile file.
TEST(MapProvider, EvictionNeverRacesTheSave) {
    DevServer server;
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log, 1), data.path()));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t));
            for (int i = 0; i < 300; ++i) {
                TileStatus status;
                TilePixels pixels;
                provider.GetTile(&status, &pixels, kTx + static_cast<int32_t>(random() % 8),
                                 kTy + static_cast<int32_t>(random() % 8), false, i % 3 == 0, false,
                                 i);
                if (i % 50 == 0) provider.CancelQueued();
            }
        });
    }
    for (auto& th : threads)
        th.join();
    provider.Stop();
    for (const auto& call : log.calls())
        EXPECT_NE(call.result, DownloadResult::NotATile) << call.tx << "," << call.ty;
    TileStatusGrid grid(MakeMapSourceConfig(16), data.path());
    ASSERT_TRUE(grid.LoadIndex());
    EXPECT_EQ(grid.CountStatuses()[TileUnavailable], 0);
    EXPECT_EQ(grid.CountStatuses()[TileInMemory], 0);
}

}  // namespace
}  // namespace hfp
