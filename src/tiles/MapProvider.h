#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "geo/MapSourceConfig.h"
#include "tiles/PngDecoder.h"
#include "tiles/TileDownload.h"
#include "tiles/TileStatusGrid.h"

namespace hfp {

// Decoded tile pixels as handed out by a provider: shared and immutable, so that a lookup
// costs no copy and the pixels stay valid for as long as the caller holds them, also after
// the tile has left the memory cache.
using TilePixels = std::shared_ptr<const DecodedTile>;

// Serves the tiles of one zoom level. A request is answered at once from the memory tile
// cache, or queued for loading from disk or for download and answered "pending"; background
// threads work the queues in FIFO order and report every queued tile through the level's
// tileReady callback, with the outcome and the generations of the requests waiting for it.
// Several requesters (the screen's composition, a print's) share the queues: a tile asked for
// by two of them is queued once and carries both generations, and a requester's cancel drops
// only its own generation, so it never takes a tile away from another.
//
// Threads: a file thread per processor core, four download threads and, in high-speed
// mode, four save threads (none for a store-only level, whose download threads write). They sleep
// on condition variables while there is no work. The file threads start with the level's first
// queued file load, the download and save threads with its first download, so that the levels
// nobody looks at cost no threads. The file threads decode queued tile files side by side but put
// them into the memory cache and report them one after another in the order of the queue, as a
// single thread would; a file load stays in its queue, counted and refreshed by a repeated request,
// until it is reported. Locks, in the order in which they may be taken: memory cache, save queue,
// status grid (the grid's lock is taken last and only for one access). The file and download queues
// each have a lock of their own that is never held with another. The callback runs with no provider
// lock held.
//
// A downloaded tile is queued for saving before it enters the memory cache, so that an
// eviction always finds its save and waits for it; a tile whose save failed stays
// TileUnknown. A download that brings no tile never takes the place of a tile the level
// already has: a forced reload without an answer keeps the tile, its file and its status.
class CMapProvider {
  public:
    static constexpr int kDownloadThreads = 4;
    static int FileThreads();

    CMapProvider() = default;
    ~CMapProvider();
    CMapProvider(const CMapProvider&) = delete;
    CMapProvider& operator=(const CMapProvider&) = delete;

    // Loads the level's index and starts the threads; the memory limit is clamped to
    // 1…kMemoryTileLimitMax. False when the grid cannot be set up; the level then serves
    // nothing.
    bool Start(const MapSourceConfig& config,
               const std::filesystem::path& dataFolder = std::filesystem::path());
    // Writes every downloaded tile still waiting to be saved, ends the threads (a download in
    // progress is finished first), drops what is still queued, saves the index and frees the
    // memory cache.
    void Stop();
    bool running() const { return m_running; }

    // Asks for a tile. Returns:
    //   true with TileInMemory and `pixels`: ready;
    //   true with another status: pending, the callback follows;
    //   false: nothing to draw (outside the grid, unavailable, no server, or a failure of a
    //   load or download done at once).
    // downloadNow and loadNow do the download or the file load on the calling thread;
    // forceReload treats the tile as unknown, so that it is downloaded again.
    bool GetTile(TileStatus* status, TilePixels* pixels, int32_t tx, int32_t ty, bool downloadNow,
                 bool loadNow, bool forceReload, int32_t generation);
    // Drops every queued file load and download. File loads and downloads in progress go on;
    // downloaded tiles waiting to be saved are still written. A dropped request is not
    // reported.
    void CancelQueued();
    // The same for the requests of one generation: a queued tile another generation waits for
    // stays, and a tile in progress is no longer reported to this one.
    void CancelQueued(int32_t generation);

    const MapSourceConfig& config() const { return m_config; }
    TileStatusGrid* grid() { return m_grid.get(); }
    std::size_t QueuedLoads() const;
    std::size_t QueuedDownloads() const;
    std::size_t QueuedSaves() const;

  private:
    struct QueueEntry {
        int32_t tx;
        int32_t ty;
        std::vector<int32_t> generations;  // the requests waiting for it, in the order asked
        bool claimed = false;              // a file thread decodes it; a cancel leaves it
        uint64_t ticket = 0;               // the order of the claim, in which it is reported
    };
    struct SaveEntry {
        int32_t tx;
        int32_t ty;
        std::string data;
    };
    struct Slot {
        int32_t tx = 0;
        int32_t ty = 0;
        TilePixels pixels;  // empty: the slot is free
    };
    // A queue of tile requests with its own lock; a request for a queued tile only adds its
    // generation to it. Nothing is queued while the provider stops.
    struct RequestQueue {
        mutable std::mutex lock;
        std::condition_variable wake;
        std::deque<QueueEntry> entries;
        bool stopping = true;  // the provider is stopped or stops: the threads waiting here end
        void Push(int32_t tx, int32_t ty, int32_t generation);
        // Takes `generation` (all of them when empty) from every entry and drops the
        // unclaimed entries nobody waits for any more.
        void Cancel(std::optional<int32_t> generation);
    };

    void FileThread();
    void DownloadThread();
    void SaveThread();
    // Waits for the next request; false when the provider stops. With `turn` (plain-mode
    // downloads, which take turns) the request is taken from the queue only once the turn is
    // held, so that a cancel while waiting for it still drops it.
    bool NextRequest(RequestQueue& queue, QueueEntry* entry,
                     std::unique_lock<std::mutex>* turn = nullptr);
    // The file threads' turns: claim the first unclaimed load; after decoding, wait for the
    // claims before it, then take the load from the queue, cache and report it.
    bool ClaimLoad(QueueEntry* entry);
    void PublishLoad(QueueEntry entry, DownloadResult result, TilePixels pixels);

    // Downloads in the level's mode; plain-mode callers hold m_plainDownload.
    DownloadResult Download(int32_t tx, int32_t ty, TilePixels* pixels, std::string* reason);
    // A store-only level's download: checked, written on this thread and TileOnDisk.
    DownloadResult Store(int32_t tx, int32_t ty, std::string* reason);
    DownloadResult DecodeFile(int32_t tx, int32_t ty, TilePixels* pixels) const;
    DownloadResult LoadFile(int32_t tx, int32_t ty, TilePixels* pixels);
    // The status after a failed download: a tile the level already has keeps its status.
    void SetStatusAfterDownloadFailure(int32_t tx, int32_t ty, DownloadResult result);
    // Reports a queued tile to the callback.
    void Report(const QueueEntry& entry, DownloadResult result, std::string reason);

    TilePixels Lookup(int32_t tx, int32_t ty) const;
    void PutTile(int32_t tx, int32_t ty, TilePixels pixels);
    bool SavePending(int32_t tx, int32_t ty) const;  // under m_saveLock
    // Starts the file threads, or the download and save threads, unless they run or the
    // level stops (then nothing starts: Stop joins the threads without the lock).
    void StartThreads(bool downloads);

    MapSourceConfig m_config;
    std::unique_ptr<TileStatusGrid> m_grid;
    HttpOptions m_httpOptions;
    std::unique_ptr<HighSpeedSession> m_session;
    std::atomic<bool> m_running{false};

    RequestQueue m_files;
    std::condition_variable m_loadTurn;  // with m_files.lock: a load was reported
    uint64_t m_loadClaims = 0;           // under m_files.lock
    uint64_t m_loadsReported = 0;        // under m_files.lock
    RequestQueue m_downloads;
    std::mutex m_plainDownload;  // plain-mode downloads of a level run one after another

    mutable std::mutex m_saveLock;
    std::condition_variable m_saveWake;  // new entry, or stop
    std::condition_variable m_saveDone;  // an entry was written
    std::deque<SaveEntry> m_saveQueue;
    std::set<std::pair<int32_t, int32_t>> m_saving;   // taken from the queue, being written
    std::set<std::pair<int32_t, int32_t>> m_unsaved;  // their last save failed: TileUnknown
    bool m_stopSaving = false;

    mutable std::mutex m_memoryLock;
    std::vector<Slot> m_slots;
    std::size_t m_writeIndex = 0;

    std::mutex m_threadsLock;     // the thread lists and flags below; never held with another
    bool m_threadsClosed = true;  // stopped or stopping: no thread starts
    bool m_fileThreadsStarted = false;
    bool m_downloadThreadsStarted = false;
    std::vector<std::thread> m_requestThreads;
    std::vector<std::thread> m_saveThreads;
};

}  // namespace hfp
