#pragma once

#include <cstdint>
#include <string>

#include "common/DevServer.h"
#include "geo/MapSourceConfig.h"
#include "platform/HttpClient.h"
#include "tiles/PngDecoder.h"

namespace hfp::test {

// The request path of a tile, as the map editor forms it.
inline std::string TilePath(int level, int32_t tx, int32_t ty) {
    return TileRequestPath(MakeMapSourceConfig(level), tx, ty);
}

inline HttpResponse GetPath(const DevServer& server, const std::string& path) {
    HttpClient client;
    return client.Get(server.baseUrl() + path);
}

inline bool StartsWithDoctype(const std::string& body) {
    return body.rfind("<!DOCTYPE html>", 0) == 0;
}

inline bool DecodesTo256(const std::string& body) {
    DecodedTile tile;
    return LoadPngFromMemory(body.data(), body.size(), &tile) && tile.width == 256 &&
           tile.height == 256;
}

}  // namespace hfp::test
