#pragma once

#include <QImage>
#include <QRect>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compose/DivBitmap.h"
#include "compose/MapRequest.h"
#include "tiles/MapProvider.h"

namespace hfp {

class CCreateMap;
class Messages;

// What one composition asked for and what it did not get, for the user: the window shows it
// without a box, hfp export prints it, a print names the sheets it touches.
struct CompositionStats {
    int32_t asked = 0;            // tiles asked for inside the level's grid
    int32_t noAnswer = 0;         // no answer: no connection, time-out, temporary server error
    int32_t notOnServer = 0;      // the server says there is no such tile (an HTML page, at sea)
    int32_t notStored = 0;        // downloaded, but the tile cache could not keep it
    int32_t arrived = 0;          // tiles that came late (from disk or the server) and were drawn
    int32_t reported = 0;         // late tiles reported, drawn or not
    std::string noAnswerReason;   // the cause of the first tile without an answer
    std::string notStoredReason;  // the cause of the first tile the cache could not keep
    std::vector<QRect> missingPlaces;  // where the missing tiles lie on the output

    int32_t missing() const { return noAnswer + notStored; }
};

// One composition of a map request into a banded bitmap of its own: its own request,
// generation, pending count, figures, asks per tile and preview, over the composer's shared
// providers. The composer keeps one for the screen; every print or file-out run opens another
// (CCreateMap::OpenComposition), so that nothing the screen does — resize, Refresh, drag, a
// change of level — can cancel, resize or read a run's map.
//
// Threads: its owner composes, cancels and decorates it on one thread; provider threads
// deliver its tiles through the composer; anyone may read its figures and preview and wait
// for it. One lock guards all of its state and images: taken after the composer's rebuild
// lock and before any provider lock, never together with another composition's. A
// composition must be released before its composer.
class MapComposition {
  public:
    // `messages` receives the failures the user must see; none for an output run, whose owner
    // (on a worker thread) tells them.
    MapComposition(CCreateMap& composer, Messages* messages);
    MapComposition(const MapComposition&) = delete;
    MapComposition& operator=(const MapComposition&) = delete;

    // Composes; false on a failure (reported to the user when there is something to say). A
    // new request supersedes the last one: its queued tiles are dropped, its late ones ignored.
    bool CreateMap(MapRequest& request);
    // Supersedes the running composition: its late tiles are ignored and its queued requests
    // dropped (those of other compositions stay). Nothing more arrives for it: it is done.
    void Cancel();
    // Stops waiting: the tiles not come yet count as missing without an answer, then Cancel.
    void StopWaiting();

    // True when every tile asked for has been reported and every notify call made for it has
    // returned: the requester may then let its notify target go.
    bool IsDone() const { return m_done; }
    // Waits until IsDone(), at most `timeout`; returns IsDone().
    bool WaitUntilDone(std::chrono::milliseconds timeout) const;
    // Waits until more tiles than `reported` have been reported or the composition is done,
    // at most until `deadline`; returns the count of reported tiles.
    int32_t WaitForTiles(int32_t reported, std::chrono::steady_clock::time_point deadline) const;
    int32_t generation() const;
    int32_t pending() const;
    CompositionStats stats() const;
    // A copy of the preview (empty without previewWidth).
    QImage Preview() const;

    // The composed map. The owner may draw on it once IsDone(): an output run decorates the
    // map where it lies instead of copying it whole.
    const CDivBitmap& composed() const { return m_composed; }
    CDivBitmap& composed() { return m_composed; }

  private:
    friend class CCreateMap;
    // A provider thread's report of a tile of `levelIndex`.
    void OnTileReady(int levelIndex, const TileReport& report);
    // The providers are restarted: nothing more arrives for the running composition.
    void End();

    // Where tile (dx, dy) from the centre tile lands on the output, and its size there.
    struct Placement {
        int32_t x;
        int32_t y;
        int32_t size;
    };
    Placement Place(int32_t dx, int32_t dy) const;
    Placement PlaceTile(int32_t tx, int32_t ty) const;
    bool Visible(const Placement& p) const;
    // Counts a tile that did not come (under m_lock).
    void CountFailure(DownloadResult result, const std::string& reason, const Placement& p);
    // Draws a tile; `pixels` is kept in the cache of enlarged tiles when the tile is drawn
    // enlarged from it.
    void DrawTile(const Placement& p, const TilePixels& pixels);
    // The enlarged tile of the screen's compositions (no colour change, no preview), made
    // once and kept while the compositions show it; null where none is kept.
    const QImage* ScaledTile(const Placement& p, const TilePixels& pixels);
    // Supersedes the running composition (under m_lock).
    void SupersedeLocked();
    // Marks the composition done when nothing is pending or being notified (under m_lock).
    void SettleLocked();

    CCreateMap& m_composer;
    Messages* const m_messages;
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
    bool m_started = false;  // m_request has been asked for
    CompositionStats m_stats;
    std::map<std::pair<int32_t, int32_t>, int> m_asks;  // per tile, in this composition
    std::set<std::pair<int32_t, int32_t>> m_waiting;    // tiles pending
    int32_t m_generation = 0;
    int32_t m_pending = 0;
    int32_t m_notifying = 0;  // notify calls under way, outside the lock
    std::atomic<bool> m_done{true};
    mutable std::condition_variable m_changed;  // a tile was reported, or the composition is done
    double m_centerX = 0;                       // world pixels of the centre at the level
    double m_centerY = 0;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
};

}  // namespace hfp
