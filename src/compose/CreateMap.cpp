#include "compose/CreateMap.h"

#include <algorithm>

#include "geo/MapSourceConfig.h"
#include "geo/Projection.h"

namespace hfp {

CCreateMap::CCreateMap(int memoryTileLimit, bool highSpeed, int mapType, Messages* messages,
                       std::filesystem::path dataFolder)
    : m_messages(messages),
      m_dataFolder(std::move(dataFolder)),
      m_memoryTileLimit(std::clamp(memoryTileLimit, 1, kMemoryTileLimitMax)),
      m_highSpeed(highSpeed),
      m_mapType(mapType) {
    for (auto& p : m_providers)
        p = std::make_unique<CMapProvider>();
    m_screen = Open(m_messages);
    RebuildProviders();
}

CCreateMap::~CCreateMap() {
    for (auto& p : m_providers)
        p->Stop();
}

std::shared_ptr<MapComposition> CCreateMap::OpenComposition() {
    return Open(nullptr);
}

std::shared_ptr<MapComposition> CCreateMap::Open(Messages* messages) {
    auto composition = std::make_shared<MapComposition>(*this, messages);
    std::lock_guard guard(m_compositionsLock);
    std::erase_if(m_compositions, [](const auto& c) { return c.expired(); });
    m_compositions.push_back(composition);
    return composition;
}

std::vector<std::shared_ptr<MapComposition>> CCreateMap::Compositions() {
    std::vector<std::shared_ptr<MapComposition>> live;
    std::lock_guard guard(m_compositionsLock);
    for (const auto& c : m_compositions)
        if (auto composition = c.lock()) live.push_back(std::move(composition));
    return live;
}

bool CCreateMap::OutputRunComposing() {
    const auto compositions = Compositions();
    return std::any_of(compositions.begin(), compositions.end(),
                       [&](const auto& c) { return c != m_screen && !c->IsDone(); });
}

void CCreateMap::RebuildProviders() {
    for (const auto& c : Compositions())
        c->End();
    m_userAgent = m_wantedUserAgent;
    for (int i = 0; i < kLevelCount; ++i) {
        CMapProvider& provider = *m_providers[static_cast<std::size_t>(i)];
        provider.Stop();
        MapSourceConfig config = MakeMapSourceConfig(LevelOfIndex(i));
        config.memoryTileLimit = m_memoryTileLimit;
        config.highSpeedDownload = m_highSpeed;
        config.userAgent = m_userAgent;
        config.tileReady = [this, i](const TileReport& report) { OnTileReady(i, report); };
        provider.Start(config, m_dataFolder);
    }
}

bool CCreateMap::RebuildWanted(const MapRequest& request) {
    return (request.highSpeed != m_highSpeed || request.mapType != m_mapType ||
            m_wantedUserAgent != m_userAgent) &&
           !OutputRunComposing();
}

std::shared_lock<std::shared_mutex> CCreateMap::BeginComposition(const MapComposition& composition,
                                                                 const MapRequest& request) {
    if (&composition == m_screen.get()) {
        bool wanted;
        {
            std::shared_lock look(m_rebuild);
            wanted = RebuildWanted(request);
        }
        if (wanted) {
            std::unique_lock rebuild(m_rebuild);
            if (RebuildWanted(request)) {
                m_highSpeed = request.highSpeed;
                m_mapType = request.mapType;
                RebuildProviders();
            }
        }
    }
    return std::shared_lock(m_rebuild);
}

void CCreateMap::SetUserAgent(const std::string& agent) {
    std::unique_lock rebuild(m_rebuild);
    m_wantedUserAgent = agent;
    if (m_wantedUserAgent != m_userAgent && !OutputRunComposing()) RebuildProviders();
}

void CCreateMap::OnTileReady(int levelIndex, const TileReport& report) {
    for (const auto& c : Compositions())
        c->OnTileReady(levelIndex, report);
}

double CCreateMap::ScaleForArea(int level, int32_t areaWidthGeo, int32_t width) {
    if (areaWidthGeo <= 0 || width <= 0) return 0;
    double worldPixelsPerGeo = 2 * HalfWorldPixels(level) / (360.0 * kGeoUnitsPerDegree);
    return width / (areaWidthGeo * worldPixelsPerGeo);
}

}  // namespace hfp
