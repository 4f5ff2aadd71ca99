#include "compose/MapComposition.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "compose/CreateMap.h"
#include "geo/MapSourceConfig.h"
#include "geo/Projection.h"
#include "platform/Messages.h"

namespace hfp {

namespace {

// A COLORREF (0x00BBGGRR) as the red-green-blue value of a pixel in memory (0x00RRGGBB).
uint32_t PixelRgb(COLORREF c) {
    return (static_cast<uint32_t>(RedOf(c)) << 16) | (static_cast<uint32_t>(GreenOf(c)) << 8) |
           static_cast<uint32_t>(BlueOf(c));
}

}  // namespace

MapComposition::MapComposition(CCreateMap& composer, Messages* messages)
    : m_composer(composer),
      m_messages(messages),
      m_tileBitmap(kTileSize, kTileSize, QImage::Format_RGB32) {}

CompositionStats MapComposition::stats() const {
    std::lock_guard guard(m_lock);
    return m_stats;
}

QImage MapComposition::Preview() const {
    std::lock_guard guard(m_lock);
    return m_preview.copy();
}

int32_t MapComposition::generation() const {
    std::lock_guard guard(m_lock);
    return m_generation;
}

int32_t MapComposition::pending() const {
    std::lock_guard guard(m_lock);
    return m_pending;
}

void MapComposition::CountFailure(DownloadResult result, const std::string& reason,
                                  const Placement& p) {
    switch (result) {
        case DownloadResult::NotATile:
            ++m_stats.notOnServer;
            return;
        case DownloadResult::NoAnswer:
            if (m_stats.noAnswer++ == 0) m_stats.noAnswerReason = reason;
            break;
        default:
            if (m_stats.notStored++ == 0) m_stats.notStoredReason = reason;
            break;
    }
    m_stats.missingPlaces.emplace_back(p.x, p.y, p.size, p.size);
}

MapComposition::Placement MapComposition::Place(int32_t dx, int32_t dy) const {
    const double scale = m_request.scale;
    return {TruncToInt(dx * 256 * scale + m_originX), TruncToInt(dy * 256 * scale + m_originY),
            TruncToInt(std::ceil(scale * 256))};
}

MapComposition::Placement MapComposition::PlaceTile(int32_t tx, int32_t ty) const {
    return Place(tx - TruncToInt(m_centerX / 256), ty - TruncToInt(m_centerY / 256));
}

bool MapComposition::Visible(const Placement& p) const {
    return -p.size <= p.x && p.x <= m_request.width && -p.size <= p.y && p.y <= m_request.height;
}

void MapComposition::SettleLocked() {
    if (m_pending == 0 && m_notifying == 0 && !m_done) {
        m_done = true;
        m_changed.notify_all();
    }
}

bool MapComposition::WaitUntilDone(std::chrono::milliseconds timeout) const {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, timeout, [&] { return m_done.load(); });
}

int32_t MapComposition::WaitForTiles(int32_t reported,
                                     std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock guard(m_lock);
    m_changed.wait_until(guard, deadline,
                         [&] { return m_done.load() || m_stats.reported != reported; });
    return m_stats.reported;
}

void MapComposition::SupersedeLocked() {
    if (m_started) m_composer.provider(m_request.levelIndex).CancelQueued(m_generation);
    m_generation = m_composer.NextGeneration();
    m_pending = 0;
    m_waiting.clear();
    SettleLocked();
}

void MapComposition::Cancel() {
    std::lock_guard guard(m_lock);
    SupersedeLocked();
}

void MapComposition::StopWaiting() {
    std::lock_guard guard(m_lock);
    for (const auto& [tx, ty] : m_waiting)
        CountFailure(DownloadResult::NoAnswer, "the tile server does not answer",
                     PlaceTile(tx, ty));
    SupersedeLocked();
}

void MapComposition::End() {
    std::lock_guard guard(m_lock);
    m_generation = m_composer.NextGeneration();
    m_pending = 0;
    m_waiting.clear();
    SettleLocked();
}

bool MapComposition::CreateMap(MapRequest& request) {
    if (request.levelIndex < 0 || request.levelIndex >= kLevelCount || request.width <= 0 ||
        request.height <= 0)
        return false;
    const auto turn = m_composer.BeginComposition(*this, request);

    std::unique_lock guard(m_lock);
    SupersedeLocked();
    m_started = true;
    m_done = false;
    m_stats = CompositionStats{};
    m_asks.clear();
    CMapProvider& provider = m_composer.provider(request.levelIndex);

    const int level = LevelOfIndex(request.levelIndex);
    const MapSourceConfig& config = provider.config();
    request.boundsOut = {config.west, config.east, config.south, config.north};
    request.levelOut = level;
    m_centerX = LonToPixelX(level, GeoToDegrees(request.centerLon));
    m_centerY = LatToPixelY(level, GeoToDegrees(request.centerLat));
    if (request.scale < 0)
        request.scale = CCreateMap::ScaleForArea(level, request.areaWidthGeo, request.width);
    m_request = request;
    if (!(request.scale * 256 >= 2.0) || request.scale > CCreateMap::kMaxScale) {
        SettleLocked();
        return false;
    }
    const double scale = request.scale;
    m_originX = TruncToInt(request.width / 2 - (TruncToInt(m_centerX) % 256) * scale);
    m_originY = TruncToInt(request.height / 2 - (TruncToInt(m_centerY) % 256) * scale);
    request.originXOut = m_originX;
    request.originYOut = m_originY;
    m_request = request;

    if (m_composed.empty() || m_composed.width() != request.width ||
        m_composed.height() != request.height) {
        const int blockSize = request.target ? request.target->blockSize() : request.blockSize;
        if (!m_composed.Create(request.width, request.height, blockSize)) {
            SettleLocked();
            guard.unlock();
            if (m_messages)
                m_messages->Show("DivBitmapMap create error [CCreateMap::CreateMap]",
                                 MessageIcon::Error);
            return false;
        }
    }
    if (request.previewWidth > 0) {
        const int previewHeight = std::max(1, TruncToInt(static_cast<double>(request.height) *
                                                         request.previewWidth / request.width));
        m_preview = QImage(request.previewWidth, previewHeight, QImage::Format_RGB32);
        m_preview.fill(Qt::white);
    } else {
        m_preview = QImage();
    }

    // Every tile that can be visible, from the centre outward: columns by growing distance,
    // each from north to south. The ranges reach past the edges by a tile on every side at
    // any scale; the visibility test keeps what is really on the output.
    const int32_t tileOnOutput = TruncToInt(std::ceil(scale * 256));
    const int32_t columns = TruncToInt((request.width / 2.0 + tileOnOutput) / (256 * scale)) + 2;
    const int32_t rows = TruncToInt((request.height / 2.0 + tileOnOutput) / (256 * scale)) + 2;
    const int32_t centerTx = TruncToInt(m_centerX / 256), centerTy = TruncToInt(m_centerY / 256);
    // The tiles are asked for first and drawn after, in the same order. The places of those
    // not drawn now are made white before any tile is drawn, so that the whole output is
    // filled white only when the places do not cover it.
    std::vector<std::pair<Placement, TilePixels>> ready;
    std::vector<Placement> blank;
    for (int32_t r = 0; r <= columns; ++r) {
        for (int side = 0; side < (r == 0 ? 1 : 2); ++side) {
            const int32_t dx = side == 0 ? -r : r;
            for (int32_t dy = -rows; dy <= rows; ++dy) {
                Placement p = Place(dx, dy);
                if (!Visible(p)) continue;
                const int32_t tx = centerTx + dx, ty = centerTy + dy;
                if (!provider.grid() || !provider.grid()->geometry().Contains(tx, ty)) {
                    blank.push_back(p);
                    continue;
                }
                ++m_stats.asked;
                ++m_asks[{tx, ty}];
                TileStatus status;
                TilePixels pixels;
                if (!provider.GetTile(&status, &pixels, tx, ty, false, false, request.forceReload,
                                      m_generation)) {
                    if (status == TileUnavailable)
                        ++m_stats.notOnServer;
                    else
                        CountFailure(DownloadResult::NoAnswer, "no tile server is configured", p);
                    blank.push_back(p);
                    continue;
                }
                if (pixels) {
                    ready.emplace_back(p, std::move(pixels));
                } else {
                    ++m_pending;
                    m_waiting.insert({tx, ty});
                    blank.push_back(p);
                }
            }
        }
    }
    // Neighbouring places meet or overlap, so the outermost ones bound all of them.
    const Placement first = Place(-columns, -rows), last = Place(columns, rows);
    if (first.x <= 0 && first.y <= 0 && last.x + last.size >= request.width &&
        last.y + last.size >= request.height) {
        for (const Placement& p : blank)
            m_composed.FillRectangle(Qt::white, QRectF(p.x, p.y, p.size, p.size));
    } else {
        m_composed.FillWhite();
    }
    for (const auto& [p, pixels] : ready)
        DrawTile(p, pixels);
    std::erase_if(m_scaledTiles,
                  [&](const ScaledTileEntry& e) { return e.drawnIn != m_generation; });
    if (request.previewWidth <= 0 && request.target) request.target->PasteFrom(0, 0, m_composed);
    SettleLocked();
    return true;
}

const QImage* MapComposition::ScaledTile(const Placement& p, const TilePixels& pixels) {
    // Enlarged tiles of a composition take about its output's area with a tile's margin
    // around it; a larger composition (an export) enlarges its tiles as it draws them.
    constexpr double kScaledTilesBytes = 64.0 * 1024 * 1024;
    if (m_request.colorChange || !m_preview.isNull() || p.size == kTileSize ||
        (m_request.width + 2.0 * p.size) * (m_request.height + 2.0 * p.size) * 4 >
            kScaledTilesBytes)
        return nullptr;
    for (ScaledTileEntry& e : m_scaledTiles) {
        if (e.source != pixels || e.size != p.size) continue;
        e.drawnIn = m_generation;
        return &e.image;
    }
    const uint32_t* from = reinterpret_cast<const uint32_t*>(pixels->pixels.get());
    uint32_t* to = reinterpret_cast<uint32_t*>(m_tileBitmap.bits());
    for (int i = 0; i < kTileSize * kTileSize; ++i)
        to[i] = from[i] | 0xFF000000u;
    m_scaledTiles.push_back(
        {pixels, p.size,
         m_tileBitmap.scaled(p.size, p.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
         m_generation});
    return &m_scaledTiles.back().image;
}

void MapComposition::DrawTile(const Placement& p, const TilePixels& pixels) {
    const DecodedTile& tile = *pixels;
    if (!m_request.colorChange && m_preview.isNull() && p.size == kTileSize) {
        m_composed.PutOpaque(p.x, p.y, reinterpret_cast<const uint32_t*>(tile.pixels.get()),
                             kTileSize, kTileSize, kTileSize);
        return;
    }
    if (const QImage* scaled = ScaledTile(p, pixels)) {
        m_composed.PutOpaque(p.x, p.y, reinterpret_cast<const uint32_t*>(scaled->constBits()),
                             p.size, p.size, static_cast<int>(scaled->bytesPerLine() / 4));
        return;
    }
    // The tile as drawn: opaque (a tile's alpha is not shown), with the replacement colours.
    const uint32_t* from = reinterpret_cast<const uint32_t*>(tile.pixels.get());
    uint32_t* to = reinterpret_cast<uint32_t*>(m_tileBitmap.bits());
    constexpr int kPixels = kTileSize * kTileSize;
    for (int i = 0; i < kPixels; ++i)
        to[i] = from[i] | 0xFF000000u;
    if (m_request.colorChange) {
        for (int c = 0; c < kColorChangeCount; ++c) {
            uint32_t before = PixelRgb(m_request.fromColors[static_cast<std::size_t>(c)]);
            uint32_t after = PixelRgb(m_request.toColors[static_cast<std::size_t>(c)]);
            if (before == after) continue;
            for (int i = 0; i < kPixels; ++i)
                if ((to[i] & 0xFFFFFFu) == before) to[i] = 0xFF000000u | after;
        }
    }
    m_composed.StretchIn(p.x, p.y, p.size, p.size, m_tileBitmap);
    if (!m_preview.isNull()) {
        double f = static_cast<double>(m_request.previewWidth) / m_request.width;
        QPainter painter(&m_preview);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            QRect(TruncToInt(p.x * f), TruncToInt(p.y * f), TruncToInt(std::ceil(p.size * f)),
                  TruncToInt(std::ceil(p.size * f))),
            m_tileBitmap);
    }
}

void MapComposition::OnTileReady(int levelIndex, const TileReport& report) {
    std::function<void()> notify;
    {
        std::lock_guard guard(m_lock);
        if (!report.WaitedForBy(m_generation) || levelIndex != m_request.levelIndex ||
            !m_waiting.count({report.tx, report.ty}))
            return;
        bool drawn = false, askedAgain = false;
        DownloadResult result = report.result;
        std::string reason = report.reason;
        const Placement p = PlaceTile(report.tx, report.ty);
        int& asks = m_asks[{report.tx, report.ty}];
        if (report.success() && asks >= CCreateMap::kMaxAsksPerTile) {
            // It came, but every time it was gone again before it could be drawn.
            result = DownloadResult::LocalFailure;
            reason = "the tile file cannot be written";
        } else if (report.success()) {
            ++asks;
            TileStatus status;
            TilePixels pixels;
            askedAgain = m_composer.provider(levelIndex)
                             .GetTile(&status, &pixels, report.tx, report.ty, false, true, false,
                                      m_generation);
            if (pixels) {
                askedAgain = false;
                if (Visible(p)) {
                    DrawTile(p, pixels);
                    if (m_preview.isNull() && m_request.target)
                        m_request.target->PasteFrom(0, 0, m_composed,
                                                    QRect(p.x, p.y, p.size, p.size));
                    drawn = true;
                    ++m_stats.arrived;
                }
            } else if (!askedAgain) {
                result = DownloadResult::LocalFailure;
                reason = "cannot read the tile file";
            }
        }
        if (!askedAgain && !drawn && result != DownloadResult::Ok) CountFailure(result, reason, p);
        if (!askedAgain) {
            m_waiting.erase({report.tx, report.ty});
            if (m_pending > 0) --m_pending;
            ++m_stats.reported;
            notify = m_request.notify;
            m_changed.notify_all();
        }
        if (notify) ++m_notifying;
        SettleLocked();
    }
    if (!notify) return;
    notify();
    std::lock_guard guard(m_lock);
    --m_notifying;
    SettleLocked();
}

}  // namespace hfp
