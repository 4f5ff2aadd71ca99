#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HttpClient.h"
#include "tiles/PngDecoder.h"
#include "tiles/TileStatusGrid.h"

namespace hfp {

// What became of a tile download. The caller tells from it what the tile's status becomes:
// only NotATile makes a tile TileUnavailable (StatusAfterFailure).
enum class DownloadResult {
    Ok,
    // No complete answer: no connection, a time-out, a connection dropped before the end of
    // the body (a body shorter than its Content-Length), or a temporary server error (5xx,
    // 429, 408). The tile is asked for again later.
    NoAnswer,
    // The server answered with something that is not a tile: an HTML page, a body that does
    // not decode or is not 256 × 256 pixels, a body above kMaxTileBytes.
    NotATile,
    // The tile file could not be created or written on this side.
    LocalFailure,
};

const char* DownloadResultName(DownloadResult result);

// The status a tile takes after a download that did not succeed: TileUnavailable when the
// server's answer was not a tile, else TileUnknown, so that it is asked for again.
TileStatus StatusAfterFailure(DownloadResult result);

// What a provider reports for a tile it had queued: the requests still waiting for it (their
// generations), the outcome and, for a failure, its cause in words ("Couldn't connect to
// server", "HTTP 503") for the user.
struct TileReport {
    int32_t tx = 0;
    int32_t ty = 0;
    std::vector<int32_t> generations;
    DownloadResult result = DownloadResult::Ok;
    std::string reason;

    bool success() const { return result == DownloadResult::Ok; }
    bool WaitedForBy(int32_t generation) const {
        return std::find(generations.begin(), generations.end(), generation) != generations.end();
    }
};

// No tile is anywhere near this size; a larger reply is refused before it is read.
constexpr std::size_t kMaxTileBytes = std::size_t{16} * 1024 * 1024;

// The HTTP options of tile downloads: connect and transfer time-outs, the body limit above,
// and the user agent (empty until the spot service names one).
HttpOptions TileHttpOptions(const std::string& userAgent = {});

// The high-speed routine's internet session of one level: the connections its download
// threads keep alive to the tile server. Each download borrows a client (one curl handle, so
// never shared by two threads at once) and gives it back; clients are made on first need,
// under the session's lock. Close() (the provider's stop) drops every connection.
class HighSpeedSession {
  public:
    explicit HighSpeedSession(HttpOptions options = TileHttpOptions());
    ~HighSpeedSession();
    HighSpeedSession(const HighSpeedSession&) = delete;
    HighSpeedSession& operator=(const HighSpeedSession&) = delete;

    void Close();

  private:
    friend DownloadResult HttpGetFileHighSpeed(HighSpeedSession& session, const std::string& server,
                                               const std::string& requestPath, std::string* data,
                                               std::string* reason);
    std::unique_ptr<HttpClient> Borrow();
    void GiveBack(std::unique_ptr<HttpClient> client);

    std::mutex m_lock;
    HttpOptions m_options;
    std::vector<std::unique_ptr<HttpClient>> m_idle;
};

// The plain routine: GET http://server + requestPath with a connection of its own, the body
// streamed straight into filePath (created or truncated). An HTML page ("<!DOCTYPE" at the
// start of the body) is not kept; neither is the part of a body whose transfer failed, nor
// the answer to a temporary server error. Any other complete answer is kept whatever its
// HTTP status: the decoder decides. `reason` (when given) receives the cause of a failure.
DownloadResult HttpGetFile(const std::string& server, const std::string& requestPath,
                           const std::filesystem::path& filePath,
                           const HttpOptions& options = TileHttpOptions(),
                           std::string* reason = nullptr);

// The high-speed routine: the same request over the session's kept-alive connections, the
// body returned in `data`. Refuses a Content-Length above kMaxTileBytes and a body shorter
// than it; a chunked body (no Content-Length) is taken when it arrived whole.
DownloadResult HttpGetFileHighSpeed(HighSpeedSession& session, const std::string& server,
                                    const std::string& requestPath, std::string* data,
                                    std::string* reason = nullptr);

// A tile is a PNG of exactly 256 × 256 pixels; anything else decoded from a tile file or a
// tile download is refused, so that nothing downstream reads past a tile's pixels.
bool IsTileSized(const DecodedTile& tile);
bool LoadTilePng(const std::filesystem::path& filePath, DecodedTile* tile);
bool LoadTilePngFromMemory(const void* data, std::size_t size, DecodedTile* tile);
// The same check for a tile that is stored, not shown: a whole PNG (CheckPngStructure) of the
// tile's size, its pixels not decoded.
bool IsWholeTilePng(const void* data, std::size_t size);

// The whole road of one tile in plain mode: create the tile's folders, download into a
// temporary file beside the tile's, decode it, and only then rename it over the tile's file.
// A failure of any kind leaves the tile's file as it was (a refresh without a network keeps
// the offline cache), and a reader never sees a partly written tile. The caller sets the
// tile's status from the result. Without `tile` the tile is stored, not shown: its structure
// is checked (IsWholeTilePng) in place of decoding its pixels.
DownloadResult DownloadTileToFile(const TileStatusGrid& grid, int32_t tx, int32_t ty,
                                  const HttpOptions& options, DecodedTile* tile,
                                  std::string* reason = nullptr);
// The same in high-speed mode: download into memory and decode (or, without `tile`, check)
// from there. `data` keeps the PNG bytes for SaveTileFile.
DownloadResult DownloadTileToMemory(const TileStatusGrid& grid, HighSpeedSession& session,
                                    int32_t tx, int32_t ty, std::string* data, DecodedTile* tile,
                                    std::string* reason = nullptr);
// Writes downloaded PNG bytes as the tile's file, creating its folders: through a temporary
// file renamed over the tile's, so that a concurrent load reads the old file or the new one,
// never a part. On failure the tile's file is as it was.
bool SaveTileFile(const TileStatusGrid& grid, int32_t tx, int32_t ty, const std::string& data);

}  // namespace hfp
