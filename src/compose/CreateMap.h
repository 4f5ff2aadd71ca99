#pragma once

#include <QImage>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "compose/DivBitmap.h"
#include "compose/MapRequest.h"
#include "geo/GeoPoint.h"
#include "tiles/MapProvider.h"

namespace hfp {

class Messages;

// What one composition asked for and what it did not get, for the user: the window shows it
// without a box, hfp export prints it.
struct CompositionStats {
    int32_t asked = 0;            // tiles asked for inside the level's grid
    int32_t noAnswer = 0;         // no answer: no connection, time-out, temporary server error
    int32_t notOnServer = 0;      // the server says there is no such tile (an HTML page, at sea)
    int32_t notStored = 0;        // downloaded, but the tile cache could not keep it
    int32_t arrived = 0;          // tiles that came late (from disk or the server) and were drawn
    std::string noAnswerReason;   // the cause of the first tile without an answer
    std::string notStoredReason;  // the cause of the first tile the cache could not keep

    int32_t missing() const { return noAnswer + notStored; }
};

// Composes map images from tiles: the one way to obtain a map of an area at a level and
// scale, for the view, printing and file output. It owns the twelve level providers and one
// banded bitmap. Tiles in memory are drawn during CreateMap; the others arrive on provider
// threads and are drawn by OnTileReady, which then calls the request's notify. Each
// CreateMap starts a new generation, so tiles still arriving for an earlier request are
// ignored.
//
// Threads: any number of callers (the view's, a print worker); CreateMap calls and provider
// rebuilds take turns on one lock held for a whole composition, so a provider is never
// restarted under a caller that is using it. A second lock guards the composition's state
// and images; it is taken before any provider lock, and the provider threads' OnTileReady
// takes it alone. A composition asks for one tile at most kMaxAsksPerTile times, so a tile
// that keeps coming back unusable cannot turn into a download loop.
class CCreateMap {
  public:
    static constexpr int kMaxAsksPerTile = 3;
    // Output pixels per tile pixel beyond which a composition is refused: a tile would cover
    // thousands of pixels, and coordinates beyond it overflow.
    static constexpr double kMaxScale = 16.0;

    // Starts the providers; the memory limit is clamped to 1…kMemoryTileLimitMax. `messages`
    // receives the failures the user must see.
    CCreateMap(int memoryTileLimit, bool highSpeed, int mapType, Messages* messages,
               std::filesystem::path dataFolder = {});
    ~CCreateMap();
    CCreateMap(const CCreateMap&) = delete;
    CCreateMap& operator=(const CCreateMap&) = delete;

    // Composes; false on a failure (reported to the user when there is something to say).
    bool CreateMap(MapRequest& request);
    // Sends `agent` with every tile request of every level from now on (restarts the
    // providers when it changes).
    void SetUserAgent(const std::string& agent);
    // Supersedes the running composition: its late tiles are ignored and the queued requests
    // of its level dropped. Nothing more will arrive for it, so it counts as done.
    void CancelComposition();
    // True when every tile asked for by the current composition has been reported and every
    // notify call made for it has returned: the requester may then let its notify target go.
    bool IsDone() const { return m_done; }
    // Waits until IsDone(), at most `timeout`; returns IsDone().
    bool WaitUntilDone(std::chrono::milliseconds timeout) const;
    int32_t generation() const;
    int32_t pending() const;
    // The current composition's figures so far.
    CompositionStats stats() const;
    // A copy of the current composition's preview (empty without previewWidth).
    QImage Preview() const;

    // The composed image of the latest request.
    const CDivBitmap& composed() const { return m_composed; }
    // The same for drawing on, once IsDone(), by the one who asked for it: an output run on a
    // composer of its own decorates the map where it lies instead of copying it whole.
    CDivBitmap& composed() { return m_composed; }
    CMapProvider& provider(int levelIndex) {
        return *m_providers[static_cast<std::size_t>(levelIndex)];
    }

    // The tile scaling at which `areaWidthGeo` of ground around the centre fills `width`
    // pixels at `level` (exact projection: the world pixels per geo unit of longitude do not
    // depend on the place).
    static double ScaleForArea(int level, int32_t areaWidthGeo, int32_t width);

  private:
    // Restarts every level's provider with the current settings; the running composition
    // ends (nothing more arrives for it). Called with m_rebuild held.
    void RebuildProviders();
    // Counts a tile that did not come (under m_lock).
    void CountFailure(DownloadResult result, const std::string& reason);
    void OnTileReady(int levelIndex, const TileReport& report);
    // Where tile (dx, dy) from the centre tile lands on the output, and its size there.
    struct Placement {
        int32_t x;
        int32_t y;
        int32_t size;
    };
    Placement Place(int32_t dx, int32_t dy) const;
    bool Visible(const Placement& p) const;
    // Draws a tile; `pixels` is kept in the cache of enlarged tiles when the tile is drawn
    // enlarged from it.
    void DrawTile(const Placement& p, const TilePixels& pixels);
    // The enlarged tile of the screen's compositions (no colour change, no preview), made
    // once and kept while the compositions show it; null where none is kept.
    const QImage* ScaledTile(const Placement& p, const TilePixels& pixels);
    // Marks the composition done when nothing is pending or being notified (under m_lock).
    void SettleLocked();

    Messages* m_messages;
    std::filesystem::path m_dataFolder;
    int m_memoryTileLimit;
    bool m_highSpeed;
    int m_mapType;
    std::string m_userAgent;
    std::array<std::unique_ptr<CMapProvider>, kLevelCount> m_providers;
    std::mutex m_rebuild;  // held for a whole CreateMap and for a rebuild, before m_lock

    mutable std::mutex m_lock;
    CDivBitmap m_composed;
    QImage m_tileBitmap;  // a tile's pixels, colours replaced, as drawn
    QImage m_preview;
    // Enlarged tiles, by the decoded tile they come from (immutable, held here) and size: the
    // ones the last composition drew and those that arrived for it.
    struct ScaledTileEntry {
        TilePixels source;
        int32_t size;
        QImage image;
        int32_t drawnIn;  // the generation that last drew it
    };
    std::vector<ScaledTileEntry> m_scaledTiles;
    MapRequest m_request;
    CompositionStats m_stats;
    std::map<std::pair<int32_t, int32_t>, int> m_asks;  // per tile, in this composition
    int32_t m_generation = 0;
    int32_t m_pending = 0;
    int32_t m_notifying = 0;  // notify calls under way, outside the lock
    std::atomic<bool> m_done{false};
    mutable std::condition_variable m_doneChanged;
    double m_centerX = 0;  // world pixels of the centre at the level
    double m_centerY = 0;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
};

}  // namespace hfp
