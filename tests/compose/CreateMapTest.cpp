#include "compose/CreateMap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cmath>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "geo/Projection.h"
#include "platform/Messages.h"
#include "platform/Services.h"

namespace hfp {
namespace {

using namespace std::chrono_literals;
using test::DevServer;
using test::TempDir;

constexpr int kLevel = 16;
constexpr int kLevelIndex = kLevel - kMinLevel;
const GeoPoint kCenter{12730626, 49943139};

MapRequest Request(GeoPoint center, int width, int height, double scale) {
    MapRequest r;
    r.levelIndex = kLevelIndex;
    r.width = width;
    r.height = height;
    r.scale = scale;
    r.centerLon = center.lon;
    r.centerLat = center.lat;
    return r;
}

// Tiles of one flat colour each, unique per tile, served from a folder: every output pixel
// can be traced back to the tile it came from.
QRgb TileColour(int32_t tx, int32_t ty) {
    return qRgb((tx * 37) % 251, (ty * 53) % 251, ((tx + ty) * 17) % 251);
}

void WriteFlatTiles(const std::filesystem::path& root, int32_t tx0, int32_t ty0, int count) {
    for (int32_t tx = tx0; tx < tx0 + count; ++tx) {
        auto column = root / std::to_string(kLevel) / std::to_string(tx);
        std::filesystem::create_directories(column);
        for (int32_t ty = ty0; ty < ty0 + count; ++ty) {
            QImage tile(256, 256, QImage::Format_RGB32);
            tile.fill(TileColour(tx, ty));
            ASSERT_TRUE(tile.save(
                QString::fromStdString((column / (std::to_string(ty) + ".png")).string())));
        }
    }
}

struct ComposerFixture : ::testing::Test {
    void Start(const DevServer& server, int memoryTiles = 500) {
        PointAllServicesAt(server.baseUrl());
        composer = std::make_unique<CCreateMap>(memoryTiles, true, 0, &messages, data.path());
    }
    void TearDown() override {
        composer.reset();
        ResetServiceHosts();
    }
    // Composes and waits for every tile.
    MapRequest Compose(MapRequest r) {
        EXPECT_TRUE(composer->CreateMap(r));
        EXPECT_TRUE(composer->WaitUntilDone(30s));
        return r;
    }
    QImage Image(int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        composer->composed().BlitInto(image, 0, 0);
        return image;
    }
    TempDir data;
    RecordingMessages messages;
    std::unique_ptr<CCreateMap> composer;
};

// Every output pixel comes from its tile at any scale; a change of map type rebuilds the
// providers, so the tiles then come from disk, centre outward: columns by growing distance
// from the centre's, each from north to south.
TEST_F(ComposerFixture, TilesArePlacedExactlyAndComeCentreOutward) {
    TempDir tiles;
    const TileAddress c = TileOfGeo(kLevel, kCenter);
    WriteFlatTiles(tiles.path(), c.tx - 8, c.ty - 8, 18);
    DevServer server({"--tiles-dir", tiles.path().string()});
    Start(server);
    for (double scale : {0.6, 1.0, 2.5}) {
        MapRequest r = Compose(Request(kCenter, 600, 400, scale));
        const double tile = 256 * scale;
        for (int py = 0; py < 400; py += 9) {
            for (int px = 0; px < 600; px += 9) {
                const double fx = (px - r.originXOut) / tile, fy = (py - r.originYOut) / tile;
                const double edge = 3 / tile;  // smoothing mixes neighbours at the borders
                if (fx - std::floor(fx) < edge || std::ceil(fx) - fx < edge ||
                    fy - std::floor(fy) < edge || std::ceil(fy) - fy < edge)
                    continue;
                const QRgb want = TileColour(c.tx + static_cast<int32_t>(std::floor(fx)),
                                             c.ty + static_cast<int32_t>(std::floor(fy)));
                ASSERT_EQ(composer->composed().GetPixel(px, py),
                          MakeColorref(qRed(want), qGreen(want), qBlue(want)))
                    << "scale " << scale << " at " << px << "," << py;
            }
        }
    }
    EXPECT_EQ(composer->stats().missing() + composer->stats().notOnServer, 0);

    // Which tiles are drawn after each late tile, watched from the notify of the single file
    // thread: the order in which the file queue worked them.
    std::vector<std::pair<int32_t, int32_t>> order;
    MapRequest r = Request(kCenter, 1000, 600, 1.0);
    r.mapType = 1;
    r.notify = [&] {
        const CDivBitmap& map = composer->composed();
        for (int32_t dx = -3; dx <= 3; ++dx)
            for (int32_t dy = -2; dy <= 2; ++dy) {
                const int x = r.originXOut + dx * 256 + 128, y = r.originYOut + dy * 256 + 128;
                const QRgb want = TileColour(c.tx + dx, c.ty + dy);
                if (x >= 0 && y >= 0 && x < 1000 && y < 600 &&
                    map.GetPixel(x, y) == MakeColorref(qRed(want), qGreen(want), qBlue(want)) &&
                    std::find(order.begin(), order.end(), std::pair{dx, dy}) == order.end())
                    order.emplace_back(dx, dy);
            }
    };
    server.ResetStats();
    ASSERT_TRUE(composer->CreateMap(r));
    ASSERT_TRUE(composer->WaitUntilDone(30s));
    EXPECT_EQ(server.TotalRequests(), 0);
    ASSERT_GE(order.size(), 6u);  // not from memory: the providers were rebuilt
    for (std::size_t i = 1; i < order.size(); ++i) {
        auto [dx0, dy0] = order[i - 1];
        auto [dx1, dy1] = order[i];
        EXPECT_TRUE(std::abs(dx1) > std::abs(dx0) || (dx1 == dx0 && dy1 > dy0) ||
                    (dx1 == -dx0 && dx1 > 0))
            << "(" << dx0 << "," << dy0 << ") before (" << dx1 << "," << dy1 << ")";
    }
}

TEST_F(ComposerFixture, ColourReplacementOnRealTiles) {
    DevServer server;
    Start(server);
    MapRequest plain = Compose(Request(kCenter, 400, 300, 1.0));
    const QImage before = Image(400, 300);
    MapRequest changed = plain;
    changed.colorChange = true;
    changed.fromColors[3] = MakeColorref(255, 255, 255);  // white background to green
    changed.toColors[3] = MakeColorref(0, 255, 0);
    ASSERT_TRUE(composer->CreateMap(changed));
    ASSERT_TRUE(composer->IsDone());  // all from memory
    const QImage after = Image(400, 300);
    int white = 0, other = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const QRgb b = before.pixel(x, y) & 0xFFFFFF, a = after.pixel(x, y) & 0xFFFFFF;
            ASSERT_EQ(a, b == 0xFFFFFF ? 0x00FF00u : b) << x << "," << y;
            ++(b == 0xFFFFFF ? white : other);
        }
    }
    EXPECT_GT(white, 1000);
    EXPECT_GT(other, 100);
}

TEST_F(ComposerFixture, SupersededCompositionIgnoresItsLateTiles) {
    DevServer server({"--delay-ms", "100"});
    Start(server);
    int notifiedA = 0;
    MapRequest ra = Request(kCenter, 800, 600, 1.0);
    ra.notify = [&] { ++notifiedA; };
    ASSERT_TRUE(composer->CreateMap(ra));
    EXPECT_FALSE(composer->IsDone());
    MapRequest rb = Compose(Request({kCenter.lat + 60000, kCenter.lon + 90000}, 800, 600, 1.0));
    const QImage late = Image(800, 600);
    ASSERT_TRUE(composer->CreateMap(rb));  // b from memory alone, nothing of a in between
    ASSERT_TRUE(composer->IsDone());
    EXPECT_EQ(Image(800, 600), late);
    EXPECT_EQ(notifiedA, 0);
    composer->CancelComposition();  // supersedes as well, and counts as done
    EXPECT_TRUE(composer->IsDone());
}

// Tiles that cannot be kept (the level's folder is a file) are asked for a bounded number of
// times, never in a loop, and reported. Whether a tile is evicted before it is drawn depends on
// the threads' timing, so drawn and reported tiles are counted together.
TEST_F(ComposerFixture, FailedSavesAskForATileABoundedNumberOfTimes) {
    DevServer server;
    std::filesystem::create_directories(data / "map");
    test::WriteFile(data / "map" / "xyz16", "in the way");
    Start(server, 1);
    Compose(Request(kCenter, 300, 300, 1.0));
    const CompositionStats stats = composer->stats();
    composer.reset();
    EXPECT_GT(stats.arrived + stats.notStored, 0);
    EXPECT_EQ(stats.notStoredReason.empty(), stats.notStored == 0);
    EXPECT_LE(server.TotalRequests(), CCreateMap::kMaxAsksPerTile * stats.asked);
}

// A second caller thread (a print job) composing while the view composes and switches the
// download mode, which rebuilds the providers.
TEST_F(ComposerFixture, TwoCallerThreadsWithProviderRebuilds) {
    DevServer server;
    Start(server);
    std::thread printer([&] {
        for (int i = 0; i < 16; ++i) {
            MapRequest r = Request(kCenter, 1000, 1000, 0.1);  // 1,600 tiles asked for
            r.mapType = i % 2;
            EXPECT_TRUE(composer->CreateMap(r));
        }
    });
    for (int i = 0; i < 16; ++i) {
        MapRequest r = Request(kCenter, 400, 300, 1.0);
        r.highSpeed = i % 2;
        r.previewWidth = 100;
        EXPECT_TRUE(composer->CreateMap(r));
        composer->Preview();  // painted under the composition's lock
    }
    printer.join();
    Compose(Request(kCenter, 400, 300, 1.0));
    EXPECT_EQ(composer->stats().missing(), 0);
}

using OutputRunComposition = ComposerFixture;

// An output run's composition waits for slow tiles while the screen's composes the same and
// other places, cancels, reloads, changes level and map type: the run's map still gets every
// tile, unchanged in size and content, drawn as it would be alone.
TEST_F(OutputRunComposition, ScreenNeverDisturbsIt) {
    DevServer server({"--delay-ms", "150"});
    Start(server);
    const std::shared_ptr<MapComposition> run = composer->OpenComposition();
    MapRequest printed = Request(kCenter, 700, 500, 1.0);
    printed.previewWidth = 140;
    ASSERT_TRUE(run->CreateMap(printed));
    ASSERT_FALSE(run->IsDone());
    const GeoPoint elsewhere{kCenter.lat + 30000, kCenter.lon - 40000};
    // (place, width, level index, forced reload, map type), each cancelled at once
    const struct {
        GeoPoint center;
        int width, levelIndex;
        bool reload;
        int mapType;
    } screen[] = {{kCenter, 700, kLevelIndex, false, 0},
                  {kCenter, 300, kLevelIndex, true, 0},
                  {elsewhere, 900, kLevelIndex, false, 1},
                  {kCenter, 500, kLevelIndex - 2, true, 0},
                  {kCenter, 700, kLevelIndex, false, 0}};
    for (const auto& s : screen) {
        MapRequest r = Request(s.center, s.width, 400, 1.0);
        r.levelIndex = s.levelIndex;
        r.forceReload = s.reload;
        r.mapType = s.mapType;
        ASSERT_TRUE(composer->CreateMap(r));
        composer->CancelComposition();
    }
    ASSERT_TRUE(run->WaitUntilDone(30s));
    const CompositionStats stats = run->stats();
    EXPECT_EQ(stats.missing(), 0);
    EXPECT_EQ(stats.arrived, stats.asked);
    ASSERT_EQ(run->composed().width(), 700);

    Compose(printed);  // the same request on the screen's composition, alone
    ASSERT_EQ(composer->stats().missing(), 0);
    for (int i = 0; i < run->composed().blockCount(); ++i)
        ASSERT_EQ(run->composed().BlockImage(i), composer->composed().BlockImage(i)) << i;
}

TEST_F(ComposerFixture, ScalesSizesAndTargets) {
    DevServer server;
    Start(server);
    // Tiles under 2 pixels or over 16 times their size compose nothing, without a message.
    for (double scale : {0.005, 1e7}) {
        MapRequest r = Request(kCenter, 100, 100, scale);
        EXPECT_FALSE(composer->CreateMap(r)) << scale;
    }
    EXPECT_TRUE(messages.records().empty());

    CDivBitmap target;
    ASSERT_TRUE(target.Create(700, 500, 256));
    MapRequest withTarget = Request(kCenter, 700, 500, 1.0);
    withTarget.target = &target;
    Compose(withTarget);
    for (int i = 0; i < target.blockCount(); ++i)
        EXPECT_EQ(target.BlockImage(i), composer->composed().BlockImage(i)) << i;

    MapRequest huge = Request(kCenter, 2000000000, 2000000000, 1.0);
    EXPECT_FALSE(composer->CreateMap(huge));
    ASSERT_EQ(messages.records().size(), 1u);
    EXPECT_EQ(messages.records()[0].text, "DivBitmapMap create error [CCreateMap::CreateMap]");
}

}  // namespace
}  // namespace hfp
