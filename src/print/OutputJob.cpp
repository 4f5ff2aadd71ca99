#include "print/OutputJob.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "geo/Projection.h"
#include "platform/DataFolder.h"
#include "print/PageRenderer.h"
#include "spot/SpotLayer.h"
#include "write/Write.h"

namespace hfp {

namespace {

// When this many first tiles got no answer and none came, the tile server cannot be reached:
// without a network every tile would wait for its own failure.
constexpr int32_t kUnreachableAfter = 2 * CMapProvider::kDownloadThreads;
// The longest single sleep of a run without a time-out.
constexpr auto kLongestSleep = std::chrono::hours(1);

std::string Format(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace

void SetColorChanges(MapRequest& request, const OutputSetting& layout) {
    request.colorChange = true;
    for (std::size_t i = 0; i < kColorChangeCount; ++i) {
        request.fromColors[i] = layout.colorChanges[i].beforeColor;
        request.toColors[i] = layout.colorChanges[i].afterColor;
    }
}

OutputJob::OutputJob(CCreateMap& composer, Order order)
    : m_order(std::move(order)), m_composition(composer.OpenComposition()) {}

OutputJob::~OutputJob() {
    m_composition->Cancel();
}

void OutputJob::Abort() {
    m_aborted = true;
    m_composition->Cancel();
}

OutputJob::Outcome OutputJob::Run() {
    MapRequest& request = m_order.request;
    request.previewWidth = m_order.previewWidth;
    request.notify = nullptr;
    request.target = nullptr;
    auto end = [this](Outcome outcome) {
        m_status = outcome == Outcome::Done ? kComplete : kFailed;
        return outcome;
    };
    if (m_aborted) return end(Outcome::Aborted);
    if (!m_composition->CreateMap(request)) {
        if (request.scale * 256 < 2.0)
            m_error = "at this scale a tile would be smaller than 2 pixels";
        else if (request.scale > CCreateMap::kMaxScale)
            m_error = Format("at this scale a tile would be wider than %g pixels",
                             CCreateMap::kMaxScale * 256);
        else
            m_error = "there is no memory for a map of this size";
        return end(Outcome::Failed);
    }
    m_status = kDrawing;
    if (!WaitForMap()) return end(m_aborted ? Outcome::Aborted : Outcome::TimedOut);
    if (m_order.layout) m_declined = Decorate();
    if (m_aborted) return end(Outcome::Aborted);
    if (m_order.sink && !m_order.sink(map(), &m_error)) return end(Outcome::Failed);
    return end(Outcome::Done);
}

bool OutputJob::WaitForMap() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto deadline = m_order.timeoutSeconds > 0
                              ? start + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(m_order.timeoutSeconds))
                              : Clock::time_point::max();
    const int32_t asked = m_composition->pending();
    auto report = [&](bool last) {
        if (m_order.progress) m_order.progress(asked - m_composition->pending(), asked, last);
    };
    auto unreachable = [&] {
        const CompositionStats s = m_composition->stats();
        return s.arrived == 0 && s.notOnServer == 0 && s.noAnswer >= kUnreachableAfter;
    };
    int32_t reported = 0;
    while (!m_composition->IsDone() && !m_aborted && Clock::now() < deadline) {
        if (unreachable()) {
            m_composition->StopWaiting();
            break;
        }
        report(false);
        reported =
            m_composition->WaitForTiles(reported, std::min(deadline, Clock::now() + kLongestSleep));
    }
    report(true);
    if (m_aborted || !m_composition->IsDone()) {
        m_composition->Cancel();
        return false;
    }
    return true;
}

bool OutputJob::Decorate() {
    const MapRequest& request = m_order.request;
    const OutputSetting& layout = *m_order.layout;
    // The ground width of the composed area: asked for, or the image width at the level
    // and scale.
    const double worldPixelsPerGeo =
        2 * HalfWorldPixels(request.levelOut) / (360.0 * kGeoUnitsPerDegree);
    const int32_t widthGeo = request.areaWidthGeo > 0
                                 ? request.areaWidthGeo
                                 : TruncToInt(request.width / (request.scale * worldPixelsPerGeo));
    const PageGeometry page = PageGeometry::OfOutput(request.centerLon, request.centerLat,
                                                     request.width, request.height, widthGeo);
    PageContent content;
    content.logo = FindPrintLogo();
    content.write = m_order.write.get();
    // The spots of the data folder's spot file, as the map editor marks them on output.
    std::optional<SpotLayer> spots;
    if (layout.outputMarker && spots.emplace(DataFolder(), nullptr).Load())
        content.spotMarkers = [&spots](CDivBitmap& target, const PageGeometry& area) {
            spots->DrawForPrint(target, area);
        };
    return RenderPage(map(), page, layout, content, &m_declinationError);
}

std::vector<std::string> OutputJob::Shortfalls() const {
    const CompositionStats stats = m_composition->stats();
    std::vector<std::string> lines;
    if (stats.notOnServer > 0)
        lines.push_back(
            Format("%d of %d tiles do not exist on the server", stats.notOnServer, stats.asked));
    if (stats.noAnswer > 0)
        lines.push_back(Format("missing %d of %d tiles: no answer from the tile server (%s)",
                               stats.noAnswer, stats.asked, stats.noAnswerReason.c_str()));
    if (stats.notStored > 0)
        lines.push_back(Format("missing %d of %d tiles: the tile cache cannot store them (%s)",
                               stats.notStored, stats.asked, stats.notStoredReason.c_str()));
    if (!m_declined) lines.emplace_back("Magnetic declination getting error.");
    return lines;
}

}  // namespace hfp
