#include "compose/CreateMap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cmath>
#include <set>

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

// Counts the late tiles a composition reported to its requester.
class Completion {
  public:
    std::function<void()> Notify() {
        return [this] {
            std::lock_guard guard(m_lock);
            ++m_notified;
        };
    }
    static bool WaitDone(const CCreateMap& composer) { return composer.WaitUntilDone(30s); }
    int notified() {
        std::lock_guard guard(m_lock);
        return m_notified;
    }

  private:
    std::mutex m_lock;
    int m_notified = 0;
};

// A centre whose world pixel lies just inside the top-left corner of tile (tx, ty).
GeoPoint TileCorner(int32_t tx, int32_t ty) {
    double lon = PixelXToLon(kLevel, tx * 256.0), lat = PixelYToLat(kLevel, ty * 256.0);
    return {static_cast<int32_t>(std::floor(lat * 360000)),
            static_cast<int32_t>(std::ceil(lon * 360000))};
}

MapRequest Request(GeoPoint center, int width, int height, double scale, Completion& done) {
    MapRequest r;
    r.highSpeed = true;
    r.levelIndex = kLevelIndex;
    r.width = width;
    r.height = height;
    r.scale = scale;
    r.centerLon = center.lon;
    r.centerLat = center.lat;
    r.notify = done.Notify();
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
    void Start(DevServer& server) {
        PointAllServicesAt(server.baseUrl());
        composer = std::make_unique<CCreateMap>(500, true, 0, &messages, data.path());
    }
    void TearDown() override {
        composer.reset();
        ResetServiceHosts();
    }
    TempDir data;
    RecordingMessages messages;
    std::unique_ptr<CCreateMap> composer;
};

TEST_F(ComposerFixture, TilesAroundACornerAreAskedInclusivelyAndPlacedExactly) {
    DevServer server;
    Start(server);
    const int32_t tx = 58023, ty = 25877;
    Completion done;
    MapRequest r = Request(TileCorner(tx, ty), 512, 512, 1.0, done);
    ASSERT_TRUE(composer->CreateMap(r));
    EXPECT_EQ(r.originXOut, 256);
    EXPECT_EQ(r.originYOut, 256);
    EXPECT_EQ(r.levelOut, kLevel);
    EXPECT_EQ(r.boundsOut,
              (std::array<int32_t, 4>{kServiceWest, kServiceEast, kServiceSouth, kServiceNorth}));
    ASSERT_TRUE(done.WaitDone(*composer));
    EXPECT_EQ(composer->pending(), 0);
    // Four tiles cover the output; those with corners at -256 and 512 touch it inclusively.
    EXPECT_EQ(server.TotalRequests(), 16);
    for (int32_t dx = -2; dx <= 1; ++dx)
        for (int32_t dy = -2; dy <= 1; ++dy)
            EXPECT_EQ(server.Requests("/xyz/std/16/" + std::to_string(tx + dx) + "/" +
                                      std::to_string(ty + dy) + ".png"),
                      1);
    // The centre tile's pixels lie at (256, 256) exactly as decoded.
    TileStatus status;
    TilePixels tile;
    ASSERT_TRUE(
        composer->provider(kLevelIndex).GetTile(&status, &tile, tx, ty, false, true, false, 0));
    ASSERT_TRUE(tile);
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(tile->pixels.get());
    for (auto [x, y] : {std::pair{0, 0}, {255, 0}, {17, 200}, {255, 255}}) {
        uint32_t p = pixels[y * 256 + x];
        EXPECT_EQ(composer->composed().GetPixel(256 + x, 256 + y),
                  MakeColorref((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    EXPECT_GT(done.notified(), 0);

    // The same request again: everything comes from memory during the call.
    server.ResetStats();
    int notified = done.notified();
    ASSERT_TRUE(composer->CreateMap(r));
    EXPECT_TRUE(composer->IsDone());
    EXPECT_EQ(done.notified(), notified);
    EXPECT_EQ(server.TotalRequests(), 0);
}

TEST_F(ComposerFixture, EveryOutputPixelComesFromItsTileAtAnyScale) {
    TempDir tiles;
    const int32_t tx = 58020, ty = 25874;
    WriteFlatTiles(tiles.path(), tx - 8, ty - 8, 18);
    DevServer server({"--tiles-dir", tiles.path().string()});
    Start(server);
    GeoPoint center{12730626, 49943139};
    for (double scale : {0.2, 0.6, 1.0, 1.5, 2.0, 3.0}) {
        for (auto [w, h] : {std::pair{600, 400}, {333, 517}}) {
            Completion done;
            MapRequest r = Request(center, w, h, scale, done);
            ASSERT_TRUE(composer->CreateMap(r)) << scale;
            ASSERT_TRUE(done.WaitDone(*composer)) << scale;
            double X = LonToPixelX(kLevel, GeoToDegrees(center.lon));
            double Y = LatToPixelY(kLevel, GeoToDegrees(center.lat));
            int32_t ctx = static_cast<int32_t>(X / 256), cty = static_cast<int32_t>(Y / 256);
            const double tile = 256 * scale;
            int checked = 0;
            for (int py = 0; py < h; py += 7) {
                for (int px = 0; px < w; px += 7) {
                    double fx = (px - r.originXOut) / tile, fy = (py - r.originYOut) / tile;
                    // Away from tile borders, where smoothing mixes neighbours.
                    double edge = 3 / tile;
                    if (fx - std::floor(fx) < edge || std::ceil(fx) - fx < edge ||
                        fy - std::floor(fy) < edge || std::ceil(fy) - fy < edge)
                        continue;
                    QRgb want = TileColour(ctx + static_cast<int32_t>(std::floor(fx)),
                                           cty + static_cast<int32_t>(std::floor(fy)));
                    ASSERT_EQ(composer->composed().GetPixel(px, py),
                              MakeColorref(qRed(want), qGreen(want), qBlue(want)))
                        << "scale " << scale << " at " << px << "," << py;
                    ++checked;
                }
            }
            EXPECT_GT(checked, 100) << scale;
        }
    }
}

TEST_F(ComposerFixture, ColourReplacementOnRealTiles) {
    DevServer server;
    Start(server);
    Completion done;
    GeoPoint center{12730626, 49943139};
    MapRequest plain = Request(center, 400, 300, 1.0, done);
    ASSERT_TRUE(composer->CreateMap(plain));
    ASSERT_TRUE(done.WaitDone(*composer));
    ASSERT_TRUE(composer->CreateMap(plain));  // all in memory now
    QImage before(400, 300, QImage::Format_RGB32);
    composer->composed().BlitInto(before, 0, 0);

    MapRequest changed = plain;
    changed.colorChange = true;
    changed.fromColors[3] = MakeColorref(255, 255, 255);  // white background to green
    changed.toColors[3] = MakeColorref(0, 255, 0);
    changed.fromColors[7] = MakeColorref(1, 2, 3);  // an unchanged pair is skipped
    changed.toColors[7] = MakeColorref(1, 2, 3);
    ASSERT_TRUE(composer->CreateMap(changed));
    ASSERT_TRUE(composer->IsDone());
    QImage after(400, 300, QImage::Format_RGB32);
    composer->composed().BlitInto(after, 0, 0);
    int white = 0, other = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            QRgb b = before.pixel(x, y) & 0xFFFFFF, a = after.pixel(x, y) & 0xFFFFFF;
            if (b == 0xFFFFFF) {
                ASSERT_EQ(a, 0x00FF00u) << x << "," << y;
                ++white;
            } else {
                ASSERT_EQ(a, b) << x << "," << y;
                ++other;
            }
        }
    }
    EXPECT_GT(white, 1000);
    EXPECT_GT(other, 100);
}

TEST_F(ComposerFixture, SupersededCompositionIgnoresItsLateTiles) {
    DevServer server({"--delay-ms", "100"});
    Start(server);
    Completion first, second;
    GeoPoint a{12730626, 49943139}, b{12730626 + 60000, 49943139 + 90000};
    MapRequest ra = Request(a, 800, 600, 1.0, first);
    ASSERT_TRUE(composer->CreateMap(ra));
    EXPECT_FALSE(composer->IsDone());
    MapRequest rb = Request(b, 800, 600, 1.0, second);
    ASSERT_TRUE(composer->CreateMap(rb));
    ASSERT_TRUE(second.WaitDone(*composer));
    EXPECT_EQ(composer->pending(), 0);
    QImage late(800, 600, QImage::Format_RGB32);
    composer->composed().BlitInto(late, 0, 0);
    // What b looks like when composed from memory alone, without any tile of a in between.
    ASSERT_TRUE(composer->CreateMap(rb));
    ASSERT_TRUE(composer->IsDone());
    QImage clean(800, 600, QImage::Format_RGB32);
    composer->composed().BlitInto(clean, 0, 0);
    EXPECT_EQ(late, clean);
    EXPECT_EQ(first.notified(), 0);  // a's tiles never reached its requester

    // Cancelling supersedes as well, and counts as done.
    MapRequest again = Request(a, 800, 600, 1.0, first);
    again.forceReload = true;
    ASSERT_TRUE(composer->CreateMap(again));
    composer->CancelComposition();
    EXPECT_TRUE(composer->IsDone());
    EXPECT_EQ(composer->pending(), 0);
}

TEST_F(ComposerFixture, BitmapSizesTargetsScalesAndRebuilds) {
    DevServer server;
    Start(server);
    Completion done;
    GeoPoint center{12730626, 49943139};

    // A scale derived from the area: the output width shows exactly that ground width.
    MapRequest area = Request(center, 1000, 700, -1, done);
    area.areaWidthGeo = 6000;  // one arc-minute
    ASSERT_TRUE(composer->CreateMap(area));
    double worldPixels = LonToPixelX(kLevel, GeoToDegrees(center.lon + 3000)) -
                         LonToPixelX(kLevel, GeoToDegrees(center.lon - 3000));
    EXPECT_NEAR(area.scale * worldPixels, 1000.0, 1e-6);
    ASSERT_TRUE(done.WaitDone(*composer));

    // Too small a tile (under 2 pixels) composes nothing, without a message.
    MapRequest tiny = Request(center, 100, 100, 0.005, done);
    EXPECT_FALSE(composer->CreateMap(tiny));
    EXPECT_TRUE(messages.records().empty());

    // A target receives the composition; its block size shapes the composed bitmap.
    CDivBitmap target;
    ASSERT_TRUE(target.Create(700, 500, 256));
    MapRequest withTarget = Request(center, 700, 500, 1.0, done);
    withTarget.target = &target;
    ASSERT_TRUE(composer->CreateMap(withTarget));
    ASSERT_TRUE(done.WaitDone(*composer));
    EXPECT_EQ(composer->composed().blockSize(), 256);
    for (int i = 0; i < target.blockCount(); ++i)
        EXPECT_EQ(target.BlockImage(i), composer->composed().BlockImage(i)) << i;

    // A bitmap that cannot be made is reported.
    MapRequest huge = Request(center, 2000000000, 2000000000, 1.0, done);
    EXPECT_FALSE(composer->CreateMap(huge));
    ASSERT_EQ(messages.records().size(), 1u);
    EXPECT_EQ(messages.records()[0].text, "DivBitmapMap create error [CCreateMap::CreateMap]");

    // Toggling the download mode rebuilds the providers, which saves every level's index (in
    // the level's folder, made when its first tile was stored).
    for (int level = kMinLevel; level <= kMaxLevel; ++level)
        std::filesystem::create_directories(data / "map" / ("xyz" + std::to_string(level)));
    MapRequest plain = Request(center, 300, 200, 1.0, done);
    plain.highSpeed = false;
    ASSERT_TRUE(composer->CreateMap(plain));
    for (int level = kMinLevel; level <= kMaxLevel; ++level)
        EXPECT_TRUE(
            std::filesystem::exists(data / "map" / ("xyz" + std::to_string(level)) / "mst.dat"))
            << level;
    ASSERT_TRUE(done.WaitDone(*composer));
}

}  // namespace
}  // namespace hfp
