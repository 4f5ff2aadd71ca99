#include "tiles/MapProvider.h"

#include <algorithm>
#include <system_error>

#include "platform/DataFolder.h"

namespace hfp {

CMapProvider::~CMapProvider() {
    Stop();
}

void CMapProvider::RequestQueue::Push(int32_t tx, int32_t ty, int32_t generation) {
    {
        std::lock_guard guard(lock);
        if (stopping) return;
        for (QueueEntry& e : entries) {
            if (e.tx == tx && e.ty == ty) {
                if (std::find(e.generations.begin(), e.generations.end(), generation) ==
                    e.generations.end())
                    e.generations.push_back(generation);
                return;
            }
        }
        entries.push_back({tx, ty, {generation}});
    }
    wake.notify_one();
}

void CMapProvider::RequestQueue::Cancel(std::optional<int32_t> generation) {
    std::lock_guard guard(lock);
    for (QueueEntry& e : entries) {
        if (generation)
            std::erase(e.generations, *generation);
        else
            e.generations.clear();
    }
    std::erase_if(entries, [](const QueueEntry& e) { return !e.claimed && e.generations.empty(); });
}

bool CMapProvider::Start(const MapSourceConfig& config, const std::filesystem::path& dataFolder) {
    Stop();
    m_config = config;
    m_config.memoryTileLimit = std::clamp(config.memoryTileLimit, 1, kMemoryTileLimitMax);
    m_grid =
        std::make_unique<TileStatusGrid>(config, dataFolder.empty() ? DataFolder() : dataFolder);
    if (!m_grid->LoadIndex()) {
        m_grid.reset();
        return false;
    }
    m_slots.assign(static_cast<std::size_t>(m_config.memoryTileLimit), Slot{});
    m_writeIndex = 0;
    m_httpOptions = TileHttpOptions(config.userAgent);
    if (config.highSpeedDownload) m_session = std::make_unique<HighSpeedSession>(m_httpOptions);
    // A request left over from the previous run must not be worked in this one.
    for (RequestQueue* queue : {&m_files, &m_downloads}) {
        std::lock_guard guard(queue->lock);
        queue->entries.clear();
        queue->stopping = false;
    }
    m_loadClaims = m_loadsReported = 0;
    m_stopSaving = false;
    m_unsaved.clear();

    {
        std::lock_guard guard(m_threadsLock);
        m_threadsClosed = false;
    }
    m_running = true;
    return true;
}

void CMapProvider::StartThreads(bool downloads) {
    std::lock_guard guard(m_threadsLock);
    if (m_threadsClosed) return;
    if (!downloads && !m_fileThreadsStarted) {
        m_fileThreadsStarted = true;
        for (int i = 0; i < FileThreads(); ++i)
            m_requestThreads.emplace_back(&CMapProvider::FileThread, this);
    } else if (downloads && !m_downloadThreadsStarted) {
        m_downloadThreadsStarted = true;
        for (int i = 0; i < kDownloadThreads; ++i) {
            m_requestThreads.emplace_back(&CMapProvider::DownloadThread, this);
            if (m_session && !m_config.storeOnly)
                m_saveThreads.emplace_back(&CMapProvider::SaveThread, this);
        }
    }
}

void CMapProvider::Stop() {
    if (!m_running) return;
    // The file and download threads end first (finishing what they are doing), so that no
    // downloaded tile can join the save queue after the save threads have drained it.
    for (RequestQueue* queue : {&m_files, &m_downloads}) {
        std::lock_guard guard(queue->lock);
        queue->stopping = true;
        queue->entries.clear();
    }
    // Taken out under the lock, joined without it: a file thread's report may ask for a tile
    // (which starts no thread any more) while it is joined.
    std::vector<std::thread> requestThreads, saveThreads;
    {
        std::lock_guard guard(m_threadsLock);
        m_threadsClosed = true;
        m_fileThreadsStarted = m_downloadThreadsStarted = false;
        requestThreads.swap(m_requestThreads);
        saveThreads.swap(m_saveThreads);
    }
    m_files.wake.notify_all();
    m_downloads.wake.notify_all();
    for (std::thread& t : requestThreads)
        t.join();

    {
        std::lock_guard guard(m_saveLock);
        m_stopSaving = true;
    }
    m_saveWake.notify_all();
    for (std::thread& t : saveThreads)
        t.join();

    if (m_session) m_session->Close();
    m_session.reset();
    m_running = false;
    m_grid->SaveIndex();
    m_grid.reset();
    {
        std::lock_guard guard(m_memoryLock);
        m_slots.clear();
        m_writeIndex = 0;
    }
}

bool CMapProvider::GetTile(TileStatus* status, TilePixels* pixels, int32_t tx, int32_t ty,
                           bool downloadNow, bool loadNow, bool forceReload, int32_t generation) {
    pixels->reset();
    if (!m_running || !m_grid->geometry().Contains(tx, ty)) {
        *status = TileUnavailable;
        return false;
    }
    TileStatus s = forceReload ? TileUnknown : m_grid->GetTileStatus(tx, ty);
    if (s == TileInMemory) {
        if ((*pixels = Lookup(tx, ty))) {
            *status = TileInMemory;
            return true;
        }
        // Evicted between the status and the lookup: it is on disk now (or about to be).
        s = m_grid->GetTileStatus(tx, ty);
        if (s == TileInMemory) s = TileOnDisk;
    }
    *status = s;
    switch (s) {
        case TileUnknown: {
            if (m_config.server.empty()) return false;
            // A download now may queue its tile for the save threads.
            StartThreads(true);
            if (!downloadNow) {
                m_downloads.Push(tx, ty, generation);
                return true;
            }
            std::unique_lock serial(m_plainDownload, std::defer_lock);
            if (!m_session) serial.lock();
            std::string reason;
            DownloadResult result = Download(tx, ty, pixels, &reason);
            // A store-only level stored the tile without its pixels: read them back.
            if (result == DownloadResult::Ok && !*pixels) result = LoadFile(tx, ty, pixels);
            if (result == DownloadResult::Ok) {
                *status = TileInMemory;
                return true;
            }
            SetStatusAfterDownloadFailure(tx, ty, result);
            *status = m_grid->GetTileStatus(tx, ty);
            return false;
        }
        case TileOnDisk: {
            if (!loadNow) {
                StartThreads(false);
                m_files.Push(tx, ty, generation);
                return true;
            }
            DownloadResult result = LoadFile(tx, ty, pixels);
            if (result == DownloadResult::Ok) {
                *status = TileInMemory;
                return true;
            }
            *status = StatusAfterFailure(result);
            m_grid->SetTileStatus(tx, ty, *status);
            return false;
        }
        default:
            return false;
    }
}

void CMapProvider::CancelQueued() {
    m_files.Cancel(std::nullopt);
    m_downloads.Cancel(std::nullopt);
}

void CMapProvider::CancelQueued(int32_t generation) {
    m_files.Cancel(generation);
    m_downloads.Cancel(generation);
}

int CMapProvider::FileThreads() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::size_t CMapProvider::QueuedLoads() const {
    std::lock_guard guard(m_files.lock);
    return m_files.entries.size();
}

std::size_t CMapProvider::QueuedDownloads() const {
    std::lock_guard guard(m_downloads.lock);
    return m_downloads.entries.size();
}

std::size_t CMapProvider::QueuedSaves() const {
    std::lock_guard guard(m_saveLock);
    return m_saveQueue.size() + m_saving.size();
}

bool CMapProvider::NextRequest(RequestQueue& queue, QueueEntry* entry,
                               std::unique_lock<std::mutex>* turn) {
    for (;;) {
        {
            std::unique_lock guard(queue.lock);
            queue.wake.wait(guard, [&] { return queue.stopping || !queue.entries.empty(); });
            if (queue.stopping) return false;
            if (!turn || turn->owns_lock()) {
                *entry = std::move(queue.entries.front());
                queue.entries.pop_front();
                return true;
            }
        }
        // The queue's lock is never held with another: wait for the turn without it, then
        // look again (another thread may have taken the request, or a cancel dropped it).
        turn->lock();
        std::lock_guard guard(queue.lock);
        if (queue.stopping) return false;
        if (!queue.entries.empty()) {
            *entry = std::move(queue.entries.front());
            queue.entries.pop_front();
            return true;
        }
        turn->unlock();
    }
}

bool CMapProvider::ClaimLoad(QueueEntry* entry) {
    std::unique_lock guard(m_files.lock);
    auto unclaimed = [&] {
        return std::find_if(m_files.entries.begin(), m_files.entries.end(),
                            [](const QueueEntry& e) { return !e.claimed; });
    };
    m_files.wake.wait(guard,
                      [&] { return m_files.stopping || unclaimed() != m_files.entries.end(); });
    if (m_files.stopping) return false;
    auto it = unclaimed();
    it->claimed = true;
    it->ticket = m_loadClaims++;
    *entry = *it;
    return true;
}

void CMapProvider::PublishLoad(QueueEntry entry, DownloadResult result, TilePixels pixels) {
    {
        std::unique_lock guard(m_files.lock);
        m_loadTurn.wait(guard, [&] { return m_loadsReported == entry.ticket; });
        // Requests made or cancelled while the file was decoded changed the generations
        // waiting for it; a stop emptied the queue, and the load is reported to those it was
        // claimed for.
        auto it = std::find_if(
            m_files.entries.begin(), m_files.entries.end(),
            [&](const QueueEntry& e) { return e.claimed && e.ticket == entry.ticket; });
        if (it != m_files.entries.end()) {
            entry.generations = std::move(it->generations);
            m_files.entries.erase(it);
        }
    }
    if (result == DownloadResult::Ok)
        PutTile(entry.tx, entry.ty, std::move(pixels));
    else
        m_grid->SetTileStatus(entry.tx, entry.ty, StatusAfterFailure(result));
    Report(entry, result, result == DownloadResult::Ok ? "" : "cannot read the tile file");
    {
        std::lock_guard guard(m_files.lock);
        ++m_loadsReported;
    }
    m_loadTurn.notify_all();
}

void CMapProvider::FileThread() {
    QueueEntry e;
    while (ClaimLoad(&e)) {
        TilePixels pixels;
        DownloadResult result = DecodeFile(e.tx, e.ty, &pixels);
        PublishLoad(e, result, std::move(pixels));
    }
}

void CMapProvider::DownloadThread() {
    QueueEntry e;
    for (;;) {
        // Plain-mode downloads take turns.
        std::unique_lock serial(m_plainDownload, std::defer_lock);
        if (!NextRequest(m_downloads, &e, m_session ? nullptr : &serial)) return;
        TilePixels pixels;
        std::string reason;
        DownloadResult result = Download(e.tx, e.ty, &pixels, &reason);
        if (serial.owns_lock()) serial.unlock();
        if (result != DownloadResult::Ok) SetStatusAfterDownloadFailure(e.tx, e.ty, result);
        Report(e, result, std::move(reason));
    }
}

// A stored tile that decodes goes into the memory cache. A file that is gone (the user
// cleared the cache folder) makes the tile unknown again, so that it is downloaded; a file
// that does not decode makes it unavailable.
DownloadResult CMapProvider::DecodeFile(int32_t tx, int32_t ty, TilePixels* pixels) const {
    std::filesystem::path file = m_grid->TileFilePath(tx, ty);
    auto tile = std::make_shared<DecodedTile>();
    if (!LoadTilePng(file, tile.get())) {
        std::error_code ec;
        return std::filesystem::exists(file, ec) ? DownloadResult::NotATile
                                                 : DownloadResult::LocalFailure;
    }
    *pixels = std::move(tile);
    return DownloadResult::Ok;
}

DownloadResult CMapProvider::LoadFile(int32_t tx, int32_t ty, TilePixels* pixels) {
    DownloadResult result = DecodeFile(tx, ty, pixels);
    if (result == DownloadResult::Ok) PutTile(tx, ty, *pixels);
    return result;
}

DownloadResult CMapProvider::Download(int32_t tx, int32_t ty, TilePixels* pixels,
                                      std::string* reason) {
    if (m_config.storeOnly) return Store(tx, ty, reason);
    auto tile = std::make_shared<DecodedTile>();
    if (!m_session) {
        DownloadResult result =
            DownloadTileToFile(*m_grid, tx, ty, m_httpOptions, tile.get(), reason);
        if (result != DownloadResult::Ok) return result;
        *pixels = tile;
        PutTile(tx, ty, tile);
        return result;
    }
    std::string data;
    DownloadResult result =
        DownloadTileToMemory(*m_grid, *m_session, tx, ty, &data, tile.get(), reason);
    if (result != DownloadResult::Ok) return result;
    // Queued before the tile is visible: an eviction of it then waits for its file.
    {
        std::lock_guard guard(m_saveLock);
        m_saveQueue.push_back({tx, ty, std::move(data)});
    }
    m_saveWake.notify_one();
    *pixels = tile;
    PutTile(tx, ty, tile);
    return result;
}

DownloadResult CMapProvider::Store(int32_t tx, int32_t ty, std::string* reason) {
    DownloadResult result;
    if (!m_session) {
        result = DownloadTileToFile(*m_grid, tx, ty, m_httpOptions, nullptr, reason);
    } else {
        std::string data;
        result = DownloadTileToMemory(*m_grid, *m_session, tx, ty, &data, nullptr, reason);
        if (result == DownloadResult::Ok && !SaveTileFile(*m_grid, tx, ty, data)) {
            if (reason) *reason = "cannot store the tile";
            result = DownloadResult::LocalFailure;
        }
    }
    if (result == DownloadResult::Ok) m_grid->SetTileStatus(tx, ty, TileOnDisk);
    return result;
}

void CMapProvider::SetStatusAfterDownloadFailure(int32_t tx, int32_t ty, DownloadResult result) {
    const TileStatus now = m_grid->GetTileStatus(tx, ty);
    if (now == TileOnDisk || now == TileInMemory) return;
    m_grid->SetTileStatus(tx, ty, StatusAfterFailure(result));
}

void CMapProvider::Report(const QueueEntry& entry, DownloadResult result, std::string reason) {
    if (!m_config.tileReady) return;
    m_config.tileReady(
        TileReport{entry.tx, entry.ty, entry.generations, result, std::move(reason)});
}

void CMapProvider::SaveThread() {
    for (;;) {
        SaveEntry entry;
        {
            std::unique_lock guard(m_saveLock);
            m_saveWake.wait(guard, [&] { return m_stopSaving || !m_saveQueue.empty(); });
            // Stopping drains the queue first: every downloaded tile gets its file.
            if (m_saveQueue.empty()) return;
            entry = std::move(m_saveQueue.front());
            m_saveQueue.pop_front();
            m_saving.insert({entry.tx, entry.ty});
        }
        // A tile whose file cannot be written is downloaded again when next asked for; its
        // decoded pixels stay in memory for this run. The status is set under the save lock,
        // which PutTile holds while it makes the tile TileInMemory.
        const bool saved = SaveTileFile(*m_grid, entry.tx, entry.ty, entry.data);
        {
            std::lock_guard guard(m_saveLock);
            if (saved) {
                // A tile saved at last after a failure is on disk (also when in memory).
                if (m_unsaved.erase({entry.tx, entry.ty}) &&
                    m_grid->GetTileStatus(entry.tx, entry.ty) == TileUnknown)
                    m_grid->SetTileStatus(entry.tx, entry.ty, TileOnDisk);
            } else {
                m_unsaved.insert({entry.tx, entry.ty});
                m_grid->SetTileStatus(entry.tx, entry.ty, TileUnknown);
            }
            m_saving.erase({entry.tx, entry.ty});
        }
        m_saveDone.notify_all();
    }
}

bool CMapProvider::SavePending(int32_t tx, int32_t ty) const {
    if (m_saving.count({tx, ty})) return true;
    return std::any_of(m_saveQueue.begin(), m_saveQueue.end(),
                       [&](const SaveEntry& e) { return e.tx == tx && e.ty == ty; });
}

TilePixels CMapProvider::Lookup(int32_t tx, int32_t ty) const {
    std::lock_guard guard(m_memoryLock);
    const std::size_t capacity = m_slots.size();
    for (std::size_t k = 0; k < capacity; ++k) {
        const Slot& slot = m_slots[(m_writeIndex + capacity - 1 - k) % capacity];
        if (!slot.pixels) break;
        if (slot.tx == tx && slot.ty == ty) return slot.pixels;
    }
    return nullptr;
}

// The memory cache is a ring: the oldest insert is evicted first and lookups do not refresh
// a tile's age.
void CMapProvider::PutTile(int32_t tx, int32_t ty, TilePixels pixels) {
    std::lock_guard guard(m_memoryLock);
    const std::size_t capacity = m_slots.size();
    Slot& victim = m_slots[m_writeIndex];
    if (victim.pixels) {
        // The evicted tile is on disk once its file is written.
        {
            std::unique_lock saveGuard(m_saveLock);
            m_saveDone.wait(saveGuard, [&] { return !SavePending(victim.tx, victim.ty); });
        }
        if (m_grid->GetTileStatus(victim.tx, victim.ty) != TileUnknown)
            m_grid->SetTileStatus(victim.tx, victim.ty, TileOnDisk);
        victim = Slot{};
    }
    bool replaced = false;
    for (std::size_t k = 1; k < capacity && !replaced; ++k) {
        Slot& slot = m_slots[(m_writeIndex + capacity - k) % capacity];
        if (!slot.pixels) break;
        if (slot.tx == tx && slot.ty == ty) {
            slot.pixels = std::move(pixels);
            replaced = true;
        }
    }
    if (!replaced) {
        victim = Slot{tx, ty, std::move(pixels)};
        m_writeIndex = (m_writeIndex + 1) % capacity;
    }
    std::lock_guard saveGuard(m_saveLock);
    m_grid->SetTileStatus(tx, ty, m_unsaved.count({tx, ty}) ? TileUnknown : TileInMemory);
}

}  // namespace hfp
