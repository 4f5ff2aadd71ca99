#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "compose/MapComposition.h"
#include "geo/GeoPoint.h"
#include "tiles/MapProvider.h"

namespace hfp {

class Messages;

// Composes map images from tiles: the one way to obtain a map of an area at a level and
// scale, for the view, printing and file output. It owns the twelve level providers, the
// screen's composition and the compositions it opens for output runs. Tiles in memory are
// drawn during CreateMap; the others arrive on provider threads and are handed to every
// composition whose current generation waits for them, which draws them and calls its
// request's notify. Each CreateMap starts a new generation, unique over all compositions, so
// tiles still arriving for an earlier request are ignored.
//
// Threads: any number of callers (the view's, a print worker). A CreateMap holds the rebuild
// lock shared for its whole run and a provider rebuild holds it alone, so a provider is never
// restarted under a caller that is using it, while the screen's CreateMap never waits for a
// print's. Each composition has a lock of its own for its state and images; it is taken after
// the rebuild lock and before any provider lock, and the provider threads' OnTileReady takes
// each composition's lock alone, one after another. The list of compositions has a lock that
// is never held with another. Provider rebuilds (a change of download mode, map type or user
// agent) come only with the screen's compositions and wait while an output run is composing:
// they would end its composition. A composition asks for
// one tile at most kMaxAsksPerTile times, so a tile that keeps coming back unusable cannot
// turn into a download loop.
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

    // The screen's composition (MapComposition says what each does).
    bool CreateMap(MapRequest& request) { return m_screen->CreateMap(request); }
    void CancelComposition() { m_screen->Cancel(); }
    bool IsDone() const { return m_screen->IsDone(); }
    bool WaitUntilDone(std::chrono::milliseconds timeout) const {
        return m_screen->WaitUntilDone(timeout);
    }
    int32_t generation() const { return m_screen->generation(); }
    int32_t pending() const { return m_screen->pending(); }
    CompositionStats stats() const { return m_screen->stats(); }
    QImage Preview() const { return m_screen->Preview(); }
    const CDivBitmap& composed() const { return m_screen->composed(); }

    // A composition of its own for a print or file-out run, over the same providers; its
    // owner tells its failures. Release it before the composer.
    std::shared_ptr<MapComposition> OpenComposition();

    // Sends `agent` with every tile request of every level from now on (restarts the
    // providers when it changes, once no output run composes).
    void SetUserAgent(const std::string& agent);
    CMapProvider& provider(int levelIndex) {
        return *m_providers[static_cast<std::size_t>(levelIndex)];
    }

    // The tile scaling at which `areaWidthGeo` of ground around the centre fills `width`
    // pixels at `level` (exact projection: the world pixels per geo unit of longitude do not
    // depend on the place).
    static double ScaleForArea(int level, int32_t areaWidthGeo, int32_t width);

  private:
    friend class MapComposition;
    // Takes the turn of `composition`'s CreateMap; for the screen's, first restarts the
    // providers when `request` or the user agent asks for other settings and no output run
    // composes.
    std::shared_lock<std::shared_mutex> BeginComposition(const MapComposition& composition,
                                                         const MapRequest& request);
    // True when `request` or the user agent asks for other provider settings and no output
    // run composes (under m_rebuild, shared or alone).
    bool RebuildWanted(const MapRequest& request);
    int32_t NextGeneration() { return ++m_lastGeneration; }
    // Restarts every level's provider with the wanted settings; the running compositions end
    // (nothing more arrives for them). Called with m_rebuild held.
    void RebuildProviders();
    bool OutputRunComposing();
    std::shared_ptr<MapComposition> Open(Messages* messages);
    std::vector<std::shared_ptr<MapComposition>> Compositions();
    void OnTileReady(int levelIndex, const TileReport& report);

    Messages* m_messages;
    std::filesystem::path m_dataFolder;
    int m_memoryTileLimit;
    // The settings the providers run with, and those asked for since.
    bool m_highSpeed;
    int m_mapType;
    std::string m_userAgent;
    std::string m_wantedUserAgent;
    std::array<std::unique_ptr<CMapProvider>, kLevelCount> m_providers;
    // Held shared for a whole CreateMap and alone for a rebuild, before any other lock.
    std::shared_mutex m_rebuild;
    std::atomic<int32_t> m_lastGeneration{0};

    std::mutex m_compositionsLock;
    std::vector<std::weak_ptr<MapComposition>> m_compositions;
    std::shared_ptr<MapComposition> m_screen;
};

}  // namespace hfp
