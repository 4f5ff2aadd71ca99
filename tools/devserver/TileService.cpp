#include "devserver/TileService.h"

#include <httplib.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "devserver/Faults.h"
#include "devserver/Html.h"
#include "devserver/Options.h"
#include "devserver/TileRenderer.h"
#include "geo/GeoPoint.h"
#include "geo/Projection.h"

namespace hfp::devserver {

namespace {

constexpr std::string_view kEnglishPrefix = "/xyz/english/";
constexpr std::string_view kStdPrefix = "/xyz/std/";
constexpr int kLastEnglishLevel = 11;

// A decimal number without sign or leading zeros, ended by `end`; moves `text` past both.
bool TakeNumber(std::string_view& text, std::string_view end, int64_t* value) {
    std::size_t stop = text.find(end);
    if (stop == std::string_view::npos || stop == 0 || stop > 9) return false;
    std::string_view digits = text.substr(0, stop);
    if (digits.size() > 1 && digits[0] == '0') return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    std::from_chars(digits.data(), digits.data() + digits.size(), *value);
    text.remove_prefix(stop + end.size());
    return true;
}

}  // namespace

std::optional<TileRequest> ParseTilePath(const std::string& path) {
    std::string_view rest = path;
    bool english = rest.starts_with(kEnglishPrefix);
    if (english)
        rest.remove_prefix(kEnglishPrefix.size());
    else if (rest.starts_with(kStdPrefix))
        rest.remove_prefix(kStdPrefix.size());
    else
        return std::nullopt;

    int64_t level = 0, tx = 0, ty = 0;
    if (!TakeNumber(rest, "/", &level) || !TakeNumber(rest, "/", &tx) ||
        !TakeNumber(rest, ".png", &ty) || !rest.empty())
        return std::nullopt;
    if (!IsValidLevel(static_cast<int>(level)) || english != (level <= kLastEnglishLevel))
        return std::nullopt;
    int64_t tiles = int64_t{1} << level;
    if (tx >= tiles || ty >= tiles) return std::nullopt;
    return TileRequest{static_cast<int>(level), static_cast<int32_t>(tx), static_cast<int32_t>(ty)};
}

bool InServiceArea(const TileRequest& tile) {
    double left = static_cast<double>(tile.tx) * kTileSize;
    double top = static_cast<double>(tile.ty) * kTileSize;
    double west = PixelXToLon(tile.level, left);
    double east = PixelXToLon(tile.level, left + kTileSize);
    double north = PixelYToLat(tile.level, top);
    double south = PixelYToLat(tile.level, top + kTileSize);
    return east > GeoToDegrees(kServiceWest) && west < GeoToDegrees(kServiceEast) &&
           north > GeoToDegrees(kServiceSouth) && south < GeoToDegrees(kServiceNorth);
}

TileService::TileService(const Options& options, Faults& faults)
    : m_tilesDir(options.tilesDir), m_faults(faults) {}

void TileService::Register(httplib::Server& server) {
    server.Get(R"(/xyz/.*)",
               [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res); });
}

void TileService::Serve(const httplib::Request& req, httplib::Response& res) {
    m_faults.Delay();
    std::optional<TileRequest> tile = ParseTilePath(req.path);
    if (!tile) return SendNotFound(res);
    // A tile folder decides by itself which tiles exist.
    TileCache::Png png;
    if (!m_tilesDir.empty())
        png = StoredTile(*tile);
    else if (InServiceArea(*tile))
        png = RenderedTile(*tile);
    if (!png) return SendNotFound(res);
    m_faults.Send(req.path, std::move(png), "image/png", res);
}

TileCache::Png TileService::RenderedTile(const TileRequest& tile) {
    uint64_t key = TileCache::Key(tile.level, tile.tx, tile.ty);
    if (TileCache::Png png = m_cache.Find(key)) return png;
    // Two requests for a tile not yet cached may both draw it; they draw the same bytes.
    auto png =
        std::make_shared<const std::string>(EncodePng(RenderTile(tile.level, tile.tx, tile.ty)));
    m_cache.Insert(key, png);
    return png;
}

TileCache::Png TileService::StoredTile(const TileRequest& tile) const {
    std::filesystem::path file = std::filesystem::path(m_tilesDir) / std::to_string(tile.level) /
                                 std::to_string(tile.tx) / (std::to_string(tile.ty) + ".png");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return nullptr;
    std::ifstream in(file, std::ios::binary);
    if (!in) return nullptr;
    return std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                               std::istreambuf_iterator<char>());
}

}  // namespace hfp::devserver
