#pragma once

#include <QImage>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

#include "compose/DivBitmap.h"
#include "compose/MapRequest.h"
#include "geo/GeoPoint.h"
#include "tiles/MapProvider.h"

namespace hfp {

class Messages;

// Composes map images from tiles: the one way to obtain a map of an area at a level and
// scale, for the view, printing and file output. It owns the twelve level providers and one
// banded bitmap. Tiles in memory are drawn during CreateMap; the others arrive on provider
// threads and are drawn by OnTileReady, which then calls the request's notify. Each
// CreateMap starts a new generation, so tiles still arriving for an earlier request are
// ignored.
//
// One lock guards the composition; it is taken before any provider lock.
class CCreateMap {
  public:
    // Starts the providers. `messages` receives the failures the user must see.
    CCreateMap(int memoryTileLimit, bool highSpeed, int mapType, Messages* messages,
               std::filesystem::path dataFolder = {});
    ~CCreateMap();
    CCreateMap(const CCreateMap&) = delete;
    CCreateMap& operator=(const CCreateMap&) = delete;

    // Composes; false on a failure (reported to the user when there is something to say).
    bool CreateMap(MapRequest& request);
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

    // The composed image of the latest request.
    const CDivBitmap& composed() const { return m_composed; }
    CMapProvider& provider(int levelIndex) {
        return *m_providers[static_cast<std::size_t>(levelIndex)];
    }

    // The tile scaling at which `areaWidthGeo` of ground around the centre fills `width`
    // pixels at `level` (exact projection: the world pixels per geo unit of longitude do not
    // depend on the place).
    static double ScaleForArea(int level, int32_t areaWidthGeo, int32_t width);

  private:
    void StartProviders(bool highSpeed);
    void OnTileReady(int levelIndex, bool success, int32_t tx, int32_t ty, int32_t generation);
    // Where tile (dx, dy) from the centre tile lands on the output, and its size there.
    struct Placement {
        int32_t x;
        int32_t y;
        int32_t size;
    };
    Placement Place(int32_t dx, int32_t dy) const;
    bool Visible(const Placement& p) const;
    void DrawTile(const Placement& p, const DecodedTile& tile);
    // Marks the composition done when nothing is pending or being notified (under m_lock).
    void SettleLocked();

    Messages* m_messages;
    std::filesystem::path m_dataFolder;
    int m_memoryTileLimit;
    bool m_highSpeed;
    int m_mapType;
    std::array<std::unique_ptr<CMapProvider>, kLevelCount> m_providers;
    std::mutex m_rebuild;  // one provider rebuild at a time, outside the composition lock

    mutable std::mutex m_lock;
    CDivBitmap m_composed;
    QImage m_tileBitmap;  // a tile's pixels, colours replaced, as drawn
    MapRequest m_request;
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
