#include "cli/OutputRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "cli/Cli.h"
#include "geo/Projection.h"
#include "platform/DataFolder.h"
#include "print/PageRenderer.h"
#include "spot/SpotLayer.h"
#include "write/Write.h"

namespace hfp::cli {

namespace {

// When this many first tiles got no answer and none came, the tile server cannot be reached.
constexpr int32_t kUnreachableAfter = 2 * CMapProvider::kDownloadThreads;

}  // namespace

void SetColorChanges(MapRequest& request, const OutputSetting& layout) {
    request.colorChange = true;
    for (std::size_t i = 0; i < kColorChangeCount; ++i) {
        request.fromColors[i] = layout.colorChanges[i].beforeColor;
        request.toColors[i] = layout.colorChanges[i].afterColor;
    }
}

int OutputRun::Compose(MapRequest& request, double timeoutSeconds) {
    if (!m_composer.CreateMap(request)) {
        if (request.scale * 256 < 2.0)
            std::fprintf(stderr, "hfp: at this scale a tile would be smaller than 2 pixels\n");
        else if (request.scale > CCreateMap::kMaxScale)
            std::fprintf(stderr, "hfp: at this scale a tile would be wider than %g pixels\n",
                         CCreateMap::kMaxScale * 256);
        return kExitFailure;
    }
    const int32_t asked = m_composer.pending();
    ProgressLine line;
    auto report = [&](bool last) {
        line.Update(
            std::to_string(asked - m_composer.pending()) + "/" + std::to_string(asked) + " tiles",
            last);
    };
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeoutSeconds));
    // Without a network every tile would wait for its own failure: once the first answers
    // are all missing, the tiles still queued are not waited for and count as missing too.
    auto unreachable = [&] {
        const CompositionStats s = m_composer.stats();
        return s.arrived == 0 && s.notOnServer == 0 && s.noAnswer >= kUnreachableAfter;
    };
    while (!m_composer.IsDone() && std::chrono::steady_clock::now() < deadline && !unreachable()) {
        report(false);
        m_composer.WaitUntilDone(std::min(std::chrono::milliseconds(250),
                                          std::chrono::duration_cast<std::chrono::milliseconds>(
                                              deadline - std::chrono::steady_clock::now())));
    }
    report(true);
    if (!m_composer.IsDone() && unreachable()) {
        m_notWaitedFor = m_composer.pending();
        m_composer.CancelComposition();
    }
    if (!m_composer.IsDone()) {
        m_composer.CancelComposition();
        std::fprintf(stderr, "hfp: the map was not complete after %g s; nothing written\n",
                     timeoutSeconds);
        return kExitTimeout;
    }
    return kExitOk;
}

bool OutputRun::Decorate(const MapRequest& request, const OutputSetting& layout) {
    // The ground width of the composed area: asked for, or the image width at the level
    // and scale.
    const double worldPixelsPerGeo =
        2 * HalfWorldPixels(request.levelOut) / (360.0 * kGeoUnitsPerDegree);
    const int32_t widthGeo = request.areaWidthGeo > 0
                                 ? request.areaWidthGeo
                                 : TruncToInt(request.width / (request.scale * worldPixelsPerGeo));
    const PageGeometry page = PageGeometry::OfOutput(request.centerLon, request.centerLat,
                                                     request.width, request.height, widthGeo);
    CWrite write;
    std::string reason;
    const std::filesystem::path writeFile = DataFolder() / CWrite::kFileName;
    std::error_code ec;
    if (std::filesystem::exists(writeFile, ec) && !write.LoadFile(writeFile, &reason))
        std::fprintf(stderr, "hfp: the write sets are drawn as far as they could be read: %s\n",
                     reason.c_str());
    PageContent content;
    content.logo = FindPrintLogo();
    content.write = &write;
    // The spots of the data folder's spot file, as the map editor marks them on output.
    std::optional<SpotLayer> spots;
    if (layout.outputMarker && spots.emplace(DataFolder(), nullptr).Load())
        content.spotMarkers = [&spots](CDivBitmap& target, const PageGeometry& area) {
            spots->DrawForPrint(target, area);
        };
    return RenderPage(map(), page, layout, content);
}

int OutputRun::ReportShortfalls(bool declined) const {
    // The output is written either way; a map with holes must not pass for a whole one.
    const CompositionStats stats = m_composer.stats();
    if (stats.notOnServer > 0)
        std::fprintf(stderr, "hfp: %d of %d tiles do not exist on the server\n", stats.notOnServer,
                     stats.asked);
    if (stats.noAnswer > 0)
        std::fprintf(stderr, "hfp: missing %d of %d tiles: no answer from the tile server (%s)\n",
                     stats.noAnswer + m_notWaitedFor, stats.asked, stats.noAnswerReason.c_str());
    if (stats.notStored > 0)
        std::fprintf(stderr, "hfp: missing %d of %d tiles: the tile cache cannot store them (%s)\n",
                     stats.notStored, stats.asked, stats.notStoredReason.c_str());
    if (!declined) std::fprintf(stderr, "hfp: Magnetic declination getting error.\n");
    return stats.missing() > 0 || !declined ? kExitTilesMissing : kExitOk;
}

}  // namespace hfp::cli
