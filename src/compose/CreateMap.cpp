#include "compose/CreateMap.h"

#include <QPainter>
#include <cmath>

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

CCreateMap::CCreateMap(int memoryTileLimit, bool highSpeed, int mapType, Messages* messages,
                       std::filesystem::path dataFolder)
    : m_messages(messages),
      m_dataFolder(std::move(dataFolder)),
      m_memoryTileLimit(memoryTileLimit),
      m_highSpeed(highSpeed),
      m_mapType(mapType),
      m_tileBitmap(kTileSize, kTileSize, QImage::Format_RGB32) {
    for (auto& p : m_providers)
        p = std::make_unique<CMapProvider>();
    StartProviders(highSpeed);
}

CCreateMap::~CCreateMap() {
    for (auto& p : m_providers)
        p->Stop();
}

void CCreateMap::StartProviders(bool highSpeed) {
    for (int i = 0; i < kLevelCount; ++i) {
        CMapProvider& provider = *m_providers[static_cast<std::size_t>(i)];
        provider.Stop();
        MapSourceConfig config = MakeMapSourceConfig(LevelOfIndex(i));
        config.memoryTileLimit = m_memoryTileLimit;
        config.highSpeedDownload = highSpeed;
        config.tileReady = [this, i](bool success, int32_t tx, int32_t ty, int32_t generation) {
            OnTileReady(i, success, tx, ty, generation);
        };
        provider.Start(config, m_dataFolder);
    }
}

double CCreateMap::ScaleForArea(int level, int32_t areaWidthGeo, int32_t width) {
    if (areaWidthGeo <= 0 || width <= 0) return 0;
    double worldPixelsPerGeo = 2 * HalfWorldPixels(level) / (360.0 * kGeoUnitsPerDegree);
    return width / (areaWidthGeo * worldPixelsPerGeo);
}

int32_t CCreateMap::generation() const {
    std::lock_guard guard(m_lock);
    return m_generation;
}

int32_t CCreateMap::pending() const {
    std::lock_guard guard(m_lock);
    return m_pending;
}

CCreateMap::Placement CCreateMap::Place(int32_t dx, int32_t dy) const {
    const double scale = m_request.scale;
    return {TruncToInt(dx * 256 * scale + m_originX), TruncToInt(dy * 256 * scale + m_originY),
            TruncToInt(std::ceil(scale * 256))};
}

bool CCreateMap::Visible(const Placement& p) const {
    return -p.size <= p.x && p.x <= m_request.width && -p.size <= p.y && p.y <= m_request.height;
}

void CCreateMap::SettleLocked() {
    if (m_pending == 0 && m_notifying == 0 && !m_done) {
        m_done = true;
        m_doneChanged.notify_all();
    }
}

bool CCreateMap::WaitUntilDone(std::chrono::milliseconds timeout) const {
    std::unique_lock guard(m_lock);
    return m_doneChanged.wait_for(guard, timeout, [&] { return m_done.load(); });
}

void CCreateMap::CancelComposition() {
    std::lock_guard guard(m_lock);
    ++m_generation;
    m_pending = 0;
    SettleLocked();
    m_providers[static_cast<std::size_t>(m_request.levelIndex)]->CancelQueued();
}

bool CCreateMap::CreateMap(MapRequest& request) {
    if (request.levelIndex < 0 || request.levelIndex >= kLevelCount || request.width <= 0 ||
        request.height <= 0)
        return false;
    {
        std::lock_guard rebuild(m_rebuild);
        if (request.highSpeed != m_highSpeed || request.mapType != m_mapType) {
            StartProviders(request.highSpeed);
            m_highSpeed = request.highSpeed;
            m_mapType = request.mapType;
        }
    }

    std::unique_lock guard(m_lock);
    ++m_generation;
    m_pending = 0;
    m_done = false;
    CMapProvider& provider = *m_providers[static_cast<std::size_t>(request.levelIndex)];
    provider.CancelQueued();

    const int level = LevelOfIndex(request.levelIndex);
    const MapSourceConfig& config = provider.config();
    request.boundsOut = {config.west, config.east, config.south, config.north};
    request.levelOut = level;
    m_centerX = LonToPixelX(level, GeoToDegrees(request.centerLon));
    m_centerY = LatToPixelY(level, GeoToDegrees(request.centerLat));
    if (request.scale < 0) request.scale = ScaleForArea(level, request.areaWidthGeo, request.width);
    if (!(request.scale * 256 >= 2.0)) {
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
        int blockSize =
            request.target ? request.target->blockSize() : CDivBitmap::kDefaultBlockSize;
        if (!m_composed.Create(request.width, request.height, blockSize)) {
            SettleLocked();
            guard.unlock();
            if (m_messages)
                m_messages->Show("DivBitmapMap create error [CCreateMap::CreateMap]",
                                 MessageIcon::Error);
            return false;
        }
    }
    m_composed.FillWhite();

    // Every tile that can be visible, from the centre outward: columns by growing distance,
    // each from north to south. The ranges reach past the edges by a tile on every side at
    // any scale; the visibility test keeps what is really on the output.
    const int32_t tileOnOutput = TruncToInt(std::ceil(scale * 256));
    const int32_t columns = TruncToInt((request.width / 2.0 + tileOnOutput) / (256 * scale)) + 2;
    const int32_t rows = TruncToInt((request.height / 2.0 + tileOnOutput) / (256 * scale)) + 2;
    const int32_t centerTx = TruncToInt(m_centerX / 256), centerTy = TruncToInt(m_centerY / 256);
    for (int32_t r = 0; r <= columns; ++r) {
        for (int side = 0; side < (r == 0 ? 1 : 2); ++side) {
            const int32_t dx = side == 0 ? -r : r;
            for (int32_t dy = -rows; dy <= rows; ++dy) {
                Placement p = Place(dx, dy);
                if (!Visible(p)) continue;
                TileStatus status;
                TilePixels pixels;
                if (!provider.GetTile(&status, &pixels, centerTx + dx, centerTy + dy, false, false,
                                      request.forceReload, m_generation))
                    continue;
                if (pixels)
                    DrawTile(p, *pixels);
                else
                    ++m_pending;
            }
        }
    }
    if (!request.preview && request.target) request.target->PasteFrom(0, 0, m_composed);
    SettleLocked();
    return true;
}

void CCreateMap::DrawTile(const Placement& p, const DecodedTile& tile) {
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
    if (m_request.preview && m_request.previewWidth > 0) {
        double f = static_cast<double>(m_request.previewWidth) / m_request.width;
        QPainter painter(m_request.preview);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            QRect(TruncToInt(p.x * f), TruncToInt(p.y * f), TruncToInt(std::ceil(p.size * f)),
                  TruncToInt(std::ceil(p.size * f))),
            m_tileBitmap);
    }
}

void CCreateMap::OnTileReady(int levelIndex, bool success, int32_t tx, int32_t ty,
                             int32_t tileGeneration) {
    std::function<void()> notify;
    {
        std::lock_guard guard(m_lock);
        if (tileGeneration != m_generation || levelIndex != m_request.levelIndex) return;
        if (success) {
            CMapProvider& provider = *m_providers[static_cast<std::size_t>(levelIndex)];
            TileStatus status;
            TilePixels pixels;
            provider.GetTile(&status, &pixels, tx, ty, false, true, false, tileGeneration);
            if (pixels) {
                Placement p =
                    Place(tx - TruncToInt(m_centerX / 256), ty - TruncToInt(m_centerY / 256));
                if (Visible(p)) {
                    DrawTile(p, *pixels);
                    if (!m_request.preview && m_request.target)
                        m_request.target->PasteFrom(0, 0, m_composed,
                                                    QRect(p.x, p.y, p.size, p.size));
                    notify = m_request.notify;
                }
            }
        }
        if (m_pending > 0) --m_pending;
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
