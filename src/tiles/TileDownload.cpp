#include "tiles/TileDownload.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>

#include "geo/MapSourceConfig.h"
#include "platform/ReadWholeFile.h"
#include "platform/Services.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

// What a server sends in place of a missing tile begins so.
constexpr std::string_view kHtmlStart = "<!DOCTYPE";

bool StartsWithHtml(const char* data, std::size_t size) {
    return size >= kHtmlStart.size() &&
           std::memcmp(data, kHtmlStart.data(), kHtmlStart.size()) == 0;
}

bool FileStartsWithHtml(const std::filesystem::path& file) {
    char start[kHtmlStart.size()];
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return false;
    std::size_t n = std::fread(start, 1, sizeof start, in);
    std::fclose(in);
    return StartsWithHtml(start, n);
}

void RemoveFile(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
}

// A server that is overloaded, rate-limiting or timing out has said nothing about the tile.
bool IsTemporaryServerError(long status) {
    return status >= 500 || status == 429 || status == 408;
}

void SetReason(std::string* reason, std::string text) {
    if (reason) *reason = std::move(text);
}

// Removes from a level's folder of temporary tile files those of writers that have ended: a
// writer killed mid-write leaves its file behind. Once per folder and run.
void SweepEndedWriters(const std::filesystem::path& folder) {
    static std::mutex lock;
    static std::set<std::filesystem::path> swept;
    {
        std::lock_guard guard(lock);
        if (!swept.insert(folder).second) return;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const pid_t writer = static_cast<pid_t>(std::atol(name.c_str()));
        if (writer > 0 && writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry.path(), ec);
    }
}

// A file in the level's "part" folder, named after this process and a counter, into which a
// tile is written before it is renamed over the tile's file: concurrent writers, in this
// process or another, never share one. Tile files are not synced: the cache can be downloaded
// again, and a file that does not decode after a crash is refused by the decoder.
std::filesystem::path TemporaryTilePath(const TileStatusGrid& grid) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = grid.LevelFolder() / "part";
    ::mkdir(folder.c_str(), 0777);  // a failure shows when the file is created in it
    SweepEndedWriters(folder);
    return folder / (std::to_string(getpid()) + "-" + std::to_string(counter++));
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (!ec) return true;
    Trace("cannot rename %s: %s", from.c_str(), ec.message().c_str());
    RemoveFile(from);
    return false;
}

}  // namespace

const char* DownloadResultName(DownloadResult result) {
    switch (result) {
        case DownloadResult::Ok:
            return "ok";
        case DownloadResult::NoAnswer:
            return "no answer";
        case DownloadResult::NotATile:
            return "not a tile";
        case DownloadResult::LocalFailure:
            return "local failure";
    }
    return "?";
}

TileStatus StatusAfterFailure(DownloadResult result) {
    return result == DownloadResult::NotATile ? TileUnavailable : TileUnknown;
}

HttpOptions TileHttpOptions(const std::string& userAgent) {
    HttpOptions options;
    options.userAgent = userAgent;
    options.connectTimeout = std::chrono::milliseconds(10000);
    options.transferTimeout = std::chrono::milliseconds(30000);
    options.maxBodyBytes = kMaxTileBytes;
    return options;
}

HighSpeedSession::HighSpeedSession(HttpOptions options) : m_options(std::move(options)) {}

HighSpeedSession::~HighSpeedSession() = default;

void HighSpeedSession::Close() {
    std::lock_guard lock(m_lock);
    m_idle.clear();
}

std::unique_ptr<HttpClient> HighSpeedSession::Borrow() {
    std::lock_guard lock(m_lock);
    if (m_idle.empty()) return std::make_unique<HttpClient>(m_options);
    std::unique_ptr<HttpClient> client = std::move(m_idle.back());
    m_idle.pop_back();
    return client;
}

void HighSpeedSession::GiveBack(std::unique_ptr<HttpClient> client) {
    std::lock_guard lock(m_lock);
    m_idle.push_back(std::move(client));
}

DownloadResult HttpGetFile(const std::string& server, const std::string& requestPath,
                           const std::filesystem::path& filePath, const HttpOptions& options,
                           std::string* reason) {
    Trace("HttpGetFile in");
    HttpClient client(options);
    HttpResponse response = client.GetToFile(HttpUrl(server, requestPath), filePath);
    // GetToFile has already removed the file of a failed or oversized transfer.
    if (!response.answered) {
        SetReason(reason, response.error);
        return response.localFailure ? DownloadResult::LocalFailure : DownloadResult::NoAnswer;
    }
    if (IsTemporaryServerError(response.status)) {
        RemoveFile(filePath);
        SetReason(reason, "HTTP " + std::to_string(response.status));
        return DownloadResult::NoAnswer;
    }
    if (response.tooLarge || FileStartsWithHtml(filePath)) {
        RemoveFile(filePath);
        SetReason(reason, response.tooLarge ? "reply too large" : "HTML page");
        return DownloadResult::NotATile;
    }
    Trace("HttpGetFile out");
    return DownloadResult::Ok;
}

DownloadResult HttpGetFileHighSpeed(HighSpeedSession& session, const std::string& server,
                                    const std::string& requestPath, std::string* data,
                                    std::string* reason) {
    Trace("HttpGetFileHighSpeed in%s", requestPath.c_str());
    data->clear();
    std::unique_ptr<HttpClient> client = session.Borrow();
    HttpResponse response = client->Get(HttpUrl(server, requestPath));
    session.GiveBack(std::move(client));

    // The routine's failures keep their numbers: 3 nothing came back for the request, 5 the
    // body could not be had in full, 6 an HTML page, 7 a temporary server error. A chunked
    // body that curl received whole is as good as one with a Content-Length.
    int error = 0;
    DownloadResult result = DownloadResult::Ok;
    if (!response.answered) {
        error = response.status == 0 ? 3 : 5;
        result = DownloadResult::NoAnswer;
        SetReason(reason, response.error);
    } else if (IsTemporaryServerError(response.status)) {
        error = 7;
        result = DownloadResult::NoAnswer;
        SetReason(reason, "HTTP " + std::to_string(response.status));
    } else if (response.tooLarge) {
        error = 5;
        result = DownloadResult::NotATile;
        SetReason(reason, "reply too large");
    } else if (response.contentLength >= 0 &&
               response.body.size() < static_cast<uint64_t>(response.contentLength)) {
        error = 5;
        result = DownloadResult::NoAnswer;
        SetReason(reason, "reply cut short");
    } else if (StartsWithHtml(response.body.data(), response.body.size())) {
        error = 6;
        result = DownloadResult::NotATile;
        SetReason(reason, "HTML page");
    }
    if (error) {
        Trace("HttpGetFileHighSpeed error%d", error);
    } else {
        *data = std::move(response.body);
    }
    Trace("HttpGetFileHighSpeed out");
    return result;
}

bool IsTileSized(const DecodedTile& tile) {
    return tile.pixels && tile.width == kTileSize && tile.height == kTileSize;
}

bool LoadTilePng(const std::filesystem::path& filePath, DecodedTile* tile) {
    if (!LoadPng(filePath, tile)) return false;
    if (IsTileSized(*tile)) return true;
    Trace("not a tile: %s is %d x %d pixels", filePath.c_str(), tile->width, tile->height);
    *tile = DecodedTile{};
    return false;
}

bool LoadTilePngFromMemory(const void* data, std::size_t size, DecodedTile* tile) {
    if (!LoadPngFromMemory(data, size, tile)) return false;
    if (IsTileSized(*tile)) return true;
    Trace("not a tile: %d x %d pixels", tile->width, tile->height);
    *tile = DecodedTile{};
    return false;
}

bool IsWholeTilePng(const void* data, std::size_t size) {
    uint32_t width = 0, height = 0;
    return CheckPngStructure(data, size, &width, &height) && width == kTileSize &&
           height == kTileSize;
}

DownloadResult DownloadTileToFile(const TileStatusGrid& grid, int32_t tx, int32_t ty,
                                  const HttpOptions& options, DecodedTile* tile,
                                  std::string* reason) {
    if (tile) *tile = DecodedTile{};
    if (!grid.CreateTileFolders(tx)) {
        SetReason(reason, "cannot create the folder of the tile");
        return DownloadResult::LocalFailure;
    }
    const std::filesystem::path file = grid.TileFilePath(tx, ty);
    const std::filesystem::path temporary = TemporaryTilePath(grid);
    DownloadResult result = HttpGetFile(
        grid.config().server, TileRequestPath(grid.config(), tx, ty), temporary, options, reason);
    if (result != DownloadResult::Ok) return result;
    std::vector<char> data;
    if (tile ? !LoadTilePng(temporary, tile)
             : ReadWholeFile(temporary, &data, kMaxTileBytes) != ReadResult::Whole ||
                   !IsWholeTilePng(data.data(), data.size())) {
        RemoveFile(temporary);
        SetReason(reason, "not a tile");
        return DownloadResult::NotATile;
    }
    if (!RenameOver(temporary, file)) {
        if (tile) *tile = DecodedTile{};
        SetReason(reason, "cannot store the tile");
        return DownloadResult::LocalFailure;
    }
    return DownloadResult::Ok;
}

DownloadResult DownloadTileToMemory(const TileStatusGrid& grid, HighSpeedSession& session,
                                    int32_t tx, int32_t ty, std::string* data, DecodedTile* tile,
                                    std::string* reason) {
    if (tile) *tile = DecodedTile{};
    DownloadResult result = HttpGetFileHighSpeed(
        session, grid.config().server, TileRequestPath(grid.config(), tx, ty), data, reason);
    if (result != DownloadResult::Ok) return result;
    if (tile ? !LoadTilePngFromMemory(data->data(), data->size(), tile)
             : !IsWholeTilePng(data->data(), data->size())) {
        data->clear();
        SetReason(reason, "not a tile");
        return DownloadResult::NotATile;
    }
    return DownloadResult::Ok;
}

bool SaveTileFile(const TileStatusGrid& grid, int32_t tx, int32_t ty, const std::string& data) {
    if (!grid.CreateTileFolders(tx)) return false;
    const std::filesystem::path file = grid.TileFilePath(tx, ty);
    const std::filesystem::path temporary = TemporaryTilePath(grid);
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (!out) {
        Trace("cannot create the tile file %s", temporary.c_str());
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), out) == data.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        Trace("cannot write the tile file %s", temporary.c_str());
        RemoveFile(temporary);
        return false;
    }
    return RenameOver(temporary, file);
}

}  // namespace hfp
