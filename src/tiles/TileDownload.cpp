#include "tiles/TileDownload.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "geo/MapSourceConfig.h"
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
                           const std::filesystem::path& filePath, const HttpOptions& options) {
    Trace("HttpGetFile in");
    HttpClient client(options);
    HttpResponse response = client.GetToFile(HttpUrl(server, requestPath), filePath);
    // GetToFile has already removed the file of a failed or oversized transfer.
    if (!response.answered)
        return response.localFailure ? DownloadResult::LocalFailure : DownloadResult::NoAnswer;
    if (response.tooLarge) return DownloadResult::NotATile;
    if (FileStartsWithHtml(filePath)) {
        RemoveFile(filePath);
        return DownloadResult::NotATile;
    }
    Trace("HttpGetFile out");
    return DownloadResult::Ok;
}

DownloadResult HttpGetFileHighSpeed(HighSpeedSession& session, const std::string& server,
                                    const std::string& requestPath, std::string* data) {
    Trace("HttpGetFileHighSpeed in%s", requestPath.c_str());
    data->clear();
    std::unique_ptr<HttpClient> client = session.Borrow();
    HttpResponse response = client->Get(HttpUrl(server, requestPath));
    session.GiveBack(std::move(client));

    // The routine's failures keep their numbers: 3 nothing came back for the request, 4 no
    // Content-Length, 5 the body could not be had in full, 6 an HTML page.
    int error = 0;
    DownloadResult result = DownloadResult::Ok;
    if (!response.answered) {
        error = response.status == 0 ? 3 : 5;
        result = DownloadResult::NoAnswer;
    } else if (response.contentLength < 0) {
        error = 4;
        result = DownloadResult::NotATile;
    } else if (response.tooLarge) {
        error = 5;
        result = DownloadResult::NotATile;
    } else if (response.body.size() < static_cast<uint64_t>(response.contentLength)) {
        error = 5;
        result = DownloadResult::NoAnswer;
    } else if (StartsWithHtml(response.body.data(), response.body.size())) {
        error = 6;
        result = DownloadResult::NotATile;
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

DownloadResult DownloadTileToFile(const TileStatusGrid& grid, int32_t tx, int32_t ty,
                                  const HttpOptions& options, DecodedTile* tile) {
    *tile = DecodedTile{};
    if (!grid.CreateTileFolders(tx)) return DownloadResult::LocalFailure;
    const std::filesystem::path file = grid.TileFilePath(tx, ty);
    DownloadResult result =
        HttpGetFile(grid.config().server, TileRequestPath(grid.config(), tx, ty), file, options);
    if (result != DownloadResult::Ok) return result;
    if (!LoadTilePng(file, tile)) {
        RemoveFile(file);
        return DownloadResult::NotATile;
    }
    return DownloadResult::Ok;
}

DownloadResult DownloadTileToMemory(const TileStatusGrid& grid, HighSpeedSession& session,
                                    int32_t tx, int32_t ty, std::string* data, DecodedTile* tile) {
    *tile = DecodedTile{};
    DownloadResult result = HttpGetFileHighSpeed(session, grid.config().server,
                                                 TileRequestPath(grid.config(), tx, ty), data);
    if (result != DownloadResult::Ok) return result;
    if (!LoadTilePngFromMemory(data->data(), data->size(), tile)) {
        data->clear();
        return DownloadResult::NotATile;
    }
    return DownloadResult::Ok;
}

bool SaveTileFile(const TileStatusGrid& grid, int32_t tx, int32_t ty, const std::string& data) {
    if (!grid.CreateTileFolders(tx)) return false;
    const std::filesystem::path file = grid.TileFilePath(tx, ty);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) {
        Trace("cannot create the tile file %s", file.c_str());
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), out) == data.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        Trace("cannot write the tile file %s", file.c_str());
        RemoveFile(file);
    }
    return ok;
}

}  // namespace hfp
