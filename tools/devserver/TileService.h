#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "devserver/TileCache.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace hfp::devserver {

class Faults;
struct Options;

// A tile named by a request path of the GSI tile server.
struct TileRequest {
    int level = 0;
    int32_t tx = 0;
    int32_t ty = 0;
};

// "/xyz/english/{z}/{x}/{y}.png" for levels 7-11 and "/xyz/std/{z}/{x}/{y}.png" for 12-18,
// with plain decimal numbers and the tile inside the level's world; nothing else.
std::optional<TileRequest> ParseTilePath(const std::string& path);
// False for a tile wholly outside the service area (122-152 E, 22.5-50 N).
bool InServiceArea(const TileRequest& tile);

// The GSI tile server: synthetic tiles drawn on demand and kept in memory, or the files of
// a tile folder served as they are.
class TileService {
  public:
    // Tiles kept in memory: a few thousand, some tens of megabytes.
    static constexpr std::size_t kCacheTiles = 3000;

    TileService(const Options& options, Faults& faults);

    void Register(httplib::Server& server);

  private:
    void Serve(const httplib::Request& req, httplib::Response& res);
    TileCache::Png RenderedTile(const TileRequest& tile);
    TileCache::Png StoredTile(const TileRequest& tile) const;

    std::string m_tilesDir;
    Faults& m_faults;
    TileCache m_cache{kCacheTiles};
};

}  // namespace hfp::devserver
