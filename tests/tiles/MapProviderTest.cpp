#include "tiles/MapProvider.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <random>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "geo/Projection.h"

namespace hfp {
namespace {

using namespace std::chrono_literals;
using test::DevServer;
using test::TempDir;

// The tile at the default map centre at level 16.
constexpr int32_t kTx = 58023, kTy = 25877;

std::string TilePath(int32_t tx, int32_t ty) {
    return "/xyz/std/16/" + std::to_string(tx) + "/" + std::to_string(ty) + ".png";
}

// Everything the provider reported through its callback.
class CallbackLog {
  public:
    struct Call {
        bool success;
        int32_t tx, ty, generation;
    };
    std::function<void(bool, int32_t, int32_t, int32_t)> Callback() {
        return [this](bool success, int32_t tx, int32_t ty, int32_t generation) {
            {
                std::lock_guard guard(m_lock);
                m_calls.push_back({success, tx, ty, generation});
            }
            m_changed.notify_all();
        };
    }
    // Waits until `count` callbacks came; false after a generous time-out.
    bool WaitFor(std::size_t count) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, 30s, [&] { return m_calls.size() >= count; });
    }
    std::vector<Call> calls() {
        std::lock_guard guard(m_lock);
        return m_calls;
    }
    std::size_t size() {
        std::lock_guard guard(m_lock);
        return m_calls.size();
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Call> m_calls;
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
         TilePixels* pixels = nullptr) {
    TilePixels ignored;
    return provider.GetTile(status, pixels ? pixels : &ignored, tx, ty, false, false, false,
                            generation);
}

class MapProviderModes : public ::testing::TestWithParam<bool> {};

TEST_P(MapProviderModes, DownloadsCachesSavesAndReloads) {
    const bool highSpeed = GetParam();
    DevServer server;
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), highSpeed, log), data.path()));

    // A 3 x 3 block around the centre: all pending at first.
    for (int32_t dy = -1; dy <= 1; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
            TileStatus status;
            ASSERT_TRUE(Ask(provider, kTx + dx, kTy + dy, 7, &status));
            EXPECT_EQ(status, TileUnknown);
        }
    }
    ASSERT_TRUE(log.WaitFor(9));
    for (const auto& call : log.calls()) {
        EXPECT_TRUE(call.success);
        EXPECT_EQ(call.generation, 7);
    }
    // Now they come from memory, shared and without another request.
    TileStatus status;
    TilePixels first, second;
    ASSERT_TRUE(Ask(provider, kTx, kTy, 8, &status, &first));
    EXPECT_EQ(status, TileInMemory);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 256);
    EXPECT_EQ(first->height, 256);
    ASSERT_TRUE(Ask(provider, kTx, kTy, 8, &status, &second));
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(server.Requests(TilePath(kTx, kTy)), 1);
    EXPECT_EQ(server.TotalRequests(), 9);

    // Stopping saves every tile and the index; a new run finds them on disk.
    provider.Stop();
    EXPECT_TRUE(std::filesystem::exists(data / "map" / "xyz16" / std::to_string(kTx + 1) /
                                        (std::to_string(kTy - 1) + ".png")));
    CallbackLog log2;
    ASSERT_TRUE(provider.Start(Config(server.host(), highSpeed, log2), data.path()));
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileOnDisk);
    ASSERT_TRUE(Ask(provider, kTx, kTy, 9, &status));
    EXPECT_EQ(status, TileOnDisk);
    ASSERT_TRUE(log2.WaitFor(1));
    EXPECT_TRUE(log2.calls()[0].success);
    EXPECT_EQ(log2.calls()[0].generation, 9);
    TilePixels reloaded;
    ASSERT_TRUE(Ask(provider, kTx, kTy, 9, &status, &reloaded));
    EXPECT_EQ(status, TileInMemory);
    EXPECT_EQ(std::memcmp(reloaded->pixels.get(), first->pixels.get(), 256 * 256 * 4), 0);
    // The old pixels stayed valid after their tile left the cache.
    EXPECT_EQ(first->width, 256);
    EXPECT_EQ(server.TotalRequests(), 9);

    // loadNow and downloadNow work on the calling thread and return the pixels at once.
    TilePixels now;
    ASSERT_TRUE(provider.GetTile(&status, &now, kTx + 1, kTy, false, true, false, 10));
    EXPECT_EQ(status, TileInMemory);
    ASSERT_TRUE(now);
    ASSERT_TRUE(provider.GetTile(&status, &now, kTx + 5, kTy, true, false, false, 10));
    EXPECT_EQ(status, TileInMemory);
    ASSERT_TRUE(now);
    EXPECT_EQ(server.Requests(TilePath(kTx + 5, kTy)), 1);
    EXPECT_EQ(log2.size(), 1u);  // no callback for work done on the calling thread
}

INSTANTIATE_TEST_SUITE_P(PlainAndHighSpeed, MapProviderModes, ::testing::Values(false, true));

TEST(MapProvider, DuplicateRequestsQueueOneDownloadWithTheLatestGeneration) {
    // Each download takes a second: the four download threads are busy with the first four
    // tiles while the fifth is asked for three times.
    DevServer server({"--delay-ms", "1000"});
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log), data.path()));
    TileStatus status;
    for (int32_t i = 0; i < CMapProvider::kDownloadThreads; ++i)
        ASSERT_TRUE(Ask(provider, kTx + i, kTy, 1, &status));
    for (int32_t generation = 1; generation <= 3; ++generation)
        ASSERT_TRUE(Ask(provider, kTx + 9, kTy, generation, &status));
    EXPECT_LE(provider.QueuedDownloads(), 1u + CMapProvider::kDownloadThreads);
    ASSERT_TRUE(log.WaitFor(CMapProvider::kDownloadThreads + 1));
    auto calls = log.calls();
    EXPECT_EQ(calls.size(), CMapProvider::kDownloadThreads + 1u);
    EXPECT_EQ(calls.back().tx, kTx + 9);  // FIFO: the last asked comes last
    EXPECT_EQ(calls.back().generation, 3);
    EXPECT_EQ(server.Requests(TilePath(kTx + 9, kTy)), 1);
}

TEST(MapProvider, OneTileInMemoryEvictsToDiskAndReloads) {
    DevServer server;
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log, 1), data.path()));
    TileStatus status;
    ASSERT_TRUE(Ask(provider, kTx, kTy, 1, &status));
    ASSERT_TRUE(log.WaitFor(1));
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileInMemory);
    ASSERT_TRUE(Ask(provider, kTx + 1, kTy, 1, &status));
    ASSERT_TRUE(log.WaitFor(2));
    // The first tile was evicted once its file was written.
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileOnDisk);
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx + 1, kTy), TileInMemory);
    ASSERT_TRUE(Ask(provider, kTx, kTy, 2, &status));
    EXPECT_EQ(status, TileOnDisk);
    ASSERT_TRUE(log.WaitFor(3));
    EXPECT_TRUE(log.calls()[2].success);
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileInMemory);
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx + 1, kTy), TileOnDisk);
    EXPECT_EQ(server.Requests(TilePath(kTx, kTy)), 1);
}

TEST(MapProvider, CancelKeepsTheDownloadInProgress) {
    DevServer server({"--delay-ms", "300"});
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), false, log), data.path()));
    TileStatus status;
    ASSERT_TRUE(Ask(provider, kTx, kTy, 4, &status));
    // Once a download thread has taken it, cancel everything else that is queued.
    while (provider.QueuedDownloads() != 0)
        std::this_thread::yield();
    for (int32_t i = 1; i <= 8; ++i)
        ASSERT_TRUE(Ask(provider, kTx + i, kTy, 4, &status));
    provider.CancelQueued();
    EXPECT_EQ(provider.QueuedDownloads(), 0u);
    ASSERT_TRUE(log.WaitFor(1));
    provider.Stop();
    // The tile being downloaded came with its old generation; the cancelled ones never came
    // (apart from those a thread had already taken).
    auto calls = log.calls();
    EXPECT_EQ(calls[0].tx, kTx);
    EXPECT_EQ(calls[0].generation, 4);
    EXPECT_TRUE(calls[0].success);
    EXPECT_LE(calls.size(), 1u + CMapProvider::kDownloadThreads);
}

TEST(MapProvider, StopWritesEveryDownloadedTile) {
    DevServer server;
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log, 4), data.path()));
    TileStatus status;
    for (int32_t dy = 0; dy < 5; ++dy)
        for (int32_t dx = 0; dx < 6; ++dx)
            ASSERT_TRUE(Ask(provider, kTx + dx, kTy + dy, 1, &status));
    ASSERT_TRUE(log.WaitFor(30));
    provider.Stop();  // may still find tiles waiting to be saved
    TileStatusGrid grid(MakeMapSourceConfig(16), data.path());
    ASSERT_TRUE(grid.LoadIndex());
    for (int32_t dy = 0; dy < 5; ++dy) {
        for (int32_t dx = 0; dx < 6; ++dx) {
            EXPECT_EQ(grid.GetTileStatus(kTx + dx, kTy + dy), TileOnDisk);
            DecodedTile tile;
            EXPECT_TRUE(LoadTilePng(grid.TileFilePath(kTx + dx, kTy + dy), &tile));
        }
    }
}

TEST(MapProvider, FailuresAndForcedReload) {
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    TileStatus status;
    {
        // Every answer is an HTML page: the tile is unavailable and not asked for again...
        DevServer html({"--html-rate", "1"});
        ASSERT_TRUE(provider.Start(Config(html.host(), true, log), data.path()));
        ASSERT_TRUE(Ask(provider, kTx, kTy, 1, &status));
        ASSERT_TRUE(log.WaitFor(1));
        EXPECT_FALSE(log.calls()[0].success);
        EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileUnavailable);
        EXPECT_FALSE(Ask(provider, kTx, kTy, 2, &status));
        EXPECT_EQ(status, TileUnavailable);
        EXPECT_EQ(html.Requests(TilePath(kTx, kTy)), 1);
        // The index is kept in the level's folder, which exists once a tile has been saved.
        std::filesystem::create_directories(provider.grid()->LevelFolder());
        provider.Stop();
    }
    {
        // ...while a connection dropped mid-body leaves it unknown, to be asked for again.
        DevServer dropping({"--drop-rate", "1"});
        ASSERT_TRUE(provider.Start(Config(dropping.host(), false, log), data.path()));
        ASSERT_TRUE(Ask(provider, kTx + 1, kTy, 3, &status));
        ASSERT_TRUE(log.WaitFor(2));
        EXPECT_FALSE(log.calls()[1].success);
        EXPECT_EQ(provider.grid()->GetTileStatus(kTx + 1, kTy), TileUnknown);
        EXPECT_FALSE(std::filesystem::exists(provider.grid()->TileFilePath(kTx + 1, kTy)));
        provider.Stop();
    }
    // A forced reload asks for the unavailable tile again; a good server fills it in.
    DevServer good;
    ASSERT_TRUE(provider.Start(Config(good.host(), true, log), data.path()));
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileUnavailable);
    TilePixels pixels;
    ASSERT_TRUE(provider.GetTile(&status, &pixels, kTx, kTy, false, false, true, 4));
    ASSERT_TRUE(log.WaitFor(3));
    EXPECT_TRUE(log.calls()[2].success);
    EXPECT_EQ(provider.grid()->GetTileStatus(kTx, kTy), TileInMemory);

    // Outside the grid, and without a server, there is nothing to draw.
    EXPECT_FALSE(Ask(provider, 1, 1, 5, &status));
    EXPECT_EQ(status, TileUnavailable);
    provider.Stop();
    MapSourceConfig offline = Config("", true, log);
    ASSERT_TRUE(provider.Start(offline, data.path()));
    EXPECT_FALSE(Ask(provider, kTx + 7, kTy, 6, &status));
    EXPECT_EQ(status, TileUnknown);
}

TEST(MapProvider, ManyThreadsAskCancelAndEvictAtOnce) {
    DevServer server;
    TempDir data;
    CallbackLog log;
    CMapProvider provider;
    ASSERT_TRUE(provider.Start(Config(server.host(), true, log, 3), data.path()));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t));
            for (int i = 0; i < 200; ++i) {
                int32_t tx = kTx + static_cast<int32_t>(random() % 6);
                int32_t ty = kTy + static_cast<int32_t>(random() % 6);
                TileStatus status;
                TilePixels pixels;
                provider.GetTile(&status, &pixels, tx, ty, false, i % 17 == 0, false, i);
                if (pixels) {
                    ASSERT_EQ(pixels->size, 256 * 256 * 4);
                }
                if (i % 25 == 0) provider.CancelQueued();
            }
        });
    }
    for (auto& th : threads)
        th.join();
    provider.Stop();
    for (const auto& call : log.calls())
        EXPECT_TRUE(call.success);
    TileStatusGrid grid(MakeMapSourceConfig(16), data.path());
    ASSERT_TRUE(grid.LoadIndex());
    auto counts = grid.CountStatuses();
    EXPECT_EQ(counts[TileInMemory], 0);
    EXPECT_EQ(counts[TileUnavailable], 0);
}

}  // namespace
}  // namespace hfp
