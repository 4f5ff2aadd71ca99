#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "cli/Cli.h"
#include "compose/CreateMap.h"
#include "compose/ImageFile.h"
#include "geo/Projection.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "print/PageRenderer.h"
#include "settings/SetData.h"
#include "spot/SpotLayer.h"
#include "write/Write.h"

namespace hfp::cli {

namespace {

constexpr int kExitTimeout = 3;
constexpr int kExitTilesMissing = 4;
// When this many first tiles got no answer and none came, the tile server cannot be reached.
constexpr int32_t kUnreachableAfter = 2 * CMapProvider::kDownloadThreads;

bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
    std::size_t x = text.find('x');
    long long w, h;
    if (x == std::string::npos || !ParseInt(text.substr(0, x), &w) ||
        !ParseInt(text.substr(x + 1), &h) || w <= 0 || h <= 0 || w > 1'000'000 || h > 1'000'000)
        return false;
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return true;
}

// Decorates the composed map with every decoration of the layout, as a filed map has them.
// False (after drawing everything) when the declination could not be had.
bool DecorateExport(CDivBitmap& map, const MapRequest& request, int level,
                    const OutputSetting& layout) {
    // The ground width of the composed area: asked for, or the image width at the level
    // and scale.
    const double worldPixelsPerGeo = 2 * HalfWorldPixels(level) / (360.0 * kGeoUnitsPerDegree);
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
    return RenderPage(map, page, layout, content);
}

int Export(Args& args) {
    std::string lonText, latText, levelText, scaleText, areaText, sizeText, out, highSpeedText,
        timeoutText, layoutText;
    bool ok = args.Option("--center-lon", &lonText) & args.Option("--center-lat", &latText) &
              args.Option("--level", &levelText) & args.Option("--size", &sizeText) &
              args.Option("--out", &out);
    bool hasScale = args.Option("--scale", &scaleText);
    bool hasArea = args.Option("--area-width", &areaText);
    bool hasHighSpeed = args.Option("--high-speed", &highSpeedText);
    bool hasTimeout = args.Option("--timeout", &timeoutText);
    bool hasLayout = args.Option("--layout", &layoutText);
    if (!args.Positionals().empty() || args.wrong() || !ok || hasScale == hasArea)
        return kExitUsage;

    MapRequest request;
    long long area = 0;
    int level;
    double timeout = 300;
    int32_t lon, lat;
    if (!ReadGeoValue(args, "--center-lon", lonText, true, &lon) ||
        !ReadGeoValue(args, "--center-lat", latText, false, &lat) ||
        !ParseLevel(args, levelText, &level))
        return kExitUsage;
    if (hasScale && (!ParseDouble(scaleText, &request.scale) || !(request.scale > 0) ||
                     request.scale > CCreateMap::kMaxScale)) {
        args.SetWrong("--scale must be more than 0 and at most 16 (output pixels per tile pixel)");
        return kExitUsage;
    }
    if (!ParseSize(sizeText, &request.width, &request.height) ||
        (hasArea && (!ParseInt(areaText, &area) || area <= 0 || area > INT32_MAX)) ||
        (hasHighSpeed && highSpeedText != "on" && highSpeedText != "off") ||
        (hasTimeout && (!ParseDouble(timeoutText, &timeout) || !(timeout > 0))))
        return kExitUsage;
    long long layoutIndex = -1;
    if (hasLayout && (!ParseInt(layoutText, &layoutIndex) || layoutIndex < 0 ||
                      layoutIndex >= kOutputSettingCount)) {
        args.SetWrong("--layout must be an output layout number, 0 to 9");
        return kExitUsage;
    }
    if (ImageFormatForFileName(out) == ImageFileFormat::None) {
        std::fprintf(stderr,
                     "hfp: no image format for %s: name the file .bmp, .jpg, .gif, .tif or .png\n",
                     out.c_str());
        return kExitFailure;
    }

    // The download mode and the memory cache are the map editor's, from its settings.
    CSetData settings;
    if (!settings.Load())
        std::fprintf(stderr, "hfp: cannot read the settings; using the defaults\n");
    request.highSpeed = hasHighSpeed ? highSpeedText == "on" : settings.m_mapHighSpeedDownload;
    request.levelIndex = LevelIndex(level);
    request.centerLon = lon;
    request.centerLat = lat;
    if (hasArea) {
        request.scale = -1;
        request.areaWidthGeo = static_cast<int32_t>(area);
    }
    const OutputSetting* layout = nullptr;
    if (hasLayout) {
        layout = &settings.m_outputSettings[static_cast<std::size_t>(layoutIndex)];
        request.colorChange = true;
        for (int i = 0; i < kColorChangeCount; ++i) {
            request.fromColors[static_cast<std::size_t>(i)] =
                layout->colorChanges[static_cast<std::size_t>(i)].beforeColor;
            request.toColors[static_cast<std::size_t>(i)] =
                layout->colorChanges[static_cast<std::size_t>(i)].afterColor;
        }
    }

    PrintingMessages messages;
    CCreateMap composer(settings.m_memoryMapMax, request.highSpeed, 0, &messages, DataFolder());
    if (!composer.CreateMap(request)) {
        if (request.scale * 256 < 2.0)
            std::fprintf(stderr, "hfp: at this scale a tile would be smaller than 2 pixels\n");
        else if (request.scale > CCreateMap::kMaxScale)
            std::fprintf(stderr, "hfp: at this scale a tile would be wider than %g pixels\n",
                         CCreateMap::kMaxScale * 256);
        return kExitFailure;
    }
    const int32_t asked = composer.pending();
    ProgressLine line;
    auto report = [&](bool last) {
        line.Update(
            std::to_string(asked - composer.pending()) + "/" + std::to_string(asked) + " tiles",
            last);
    };
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeout));
    // Without a network every tile would wait for its own failure: once the first answers
    // are all missing, the tiles still queued are not waited for and count as missing too.
    auto unreachable = [&] {
        const CompositionStats s = composer.stats();
        return s.arrived == 0 && s.notOnServer == 0 && s.noAnswer >= kUnreachableAfter;
    };
    while (!composer.IsDone() && std::chrono::steady_clock::now() < deadline && !unreachable()) {
        report(false);
        composer.WaitUntilDone(std::min(std::chrono::milliseconds(250),
                                        std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())));
    }
    report(true);
    int32_t notWaitedFor = 0;
    if (!composer.IsDone() && unreachable()) {
        notWaitedFor = composer.pending();
        composer.CancelComposition();
    }
    if (!composer.IsDone()) {
        composer.CancelComposition();
        std::fprintf(stderr, "hfp: the map was not complete after %g s; nothing written\n",
                     timeout);
        return kExitTimeout;
    }

    QImage image(request.width, request.height, QImage::Format_RGB32);
    if (image.isNull()) {
        std::fprintf(stderr, "hfp: cannot allocate an image of %dx%d pixels\n", request.width,
                     request.height);
        return kExitFailure;
    }
    bool declined = true;
    if (layout) {
        CDivBitmap page;
        if (!page.CopyFrom(composer.composed())) {
            std::fprintf(stderr, "hfp: cannot allocate a copy of the map to decorate\n");
            return kExitFailure;
        }
        declined = DecorateExport(page, request, level, *layout);
        page.BlitInto(image, 0, 0);
    } else {
        composer.composed().BlitInto(image, 0, 0);
    }
    std::string error;
    if (!WriteImageFile(image, out, &error)) {
        std::fprintf(stderr, "hfp: cannot write %s: %s\n", out.c_str(), error.c_str());
        return kExitFailure;
    }
    std::printf("%s\n", out.c_str());
    // The image is written either way; a map with holes must not pass for a whole one.
    const CompositionStats stats = composer.stats();
    if (stats.notOnServer > 0)
        std::fprintf(stderr, "hfp: %d of %d tiles do not exist on the server\n", stats.notOnServer,
                     stats.asked);
    if (stats.noAnswer > 0)
        std::fprintf(stderr, "hfp: missing %d of %d tiles: no answer from the tile server (%s)\n",
                     stats.noAnswer + notWaitedFor, stats.asked, stats.noAnswerReason.c_str());
    if (stats.notStored > 0)
        std::fprintf(stderr, "hfp: missing %d of %d tiles: the tile cache cannot store them (%s)\n",
                     stats.notStored, stats.asked, stats.notStoredReason.c_str());
    if (!declined) std::fprintf(stderr, "hfp: Magnetic declination getting error.\n");
    return stats.missing() > 0 || !declined ? kExitTilesMissing : kExitOk;
}

}  // namespace

void AddExportCommands(std::vector<Command>& commands) {
    commands.push_back(
        {{"export"},
         "--center-lon GEO --center-lat GEO --level L (--scale S | --area-width GEO) --size WxH "
         "--out FILE [--high-speed on|off] [--timeout SEC] [--layout N]",
         "Compose the map around a centre at a zoom level (7-18) and write it as an image, its "
         "format chosen by the file's extension (bmp, jpg, gif, tif, png). --scale is output "
         "pixels per tile pixel, more than 0 and at most 16; --area-width instead fits that "
         "ground width (geo units) into the image width. Waits for the tiles (300 s unless "
         "--timeout). Tiles come from the tile cache, else from the tile server: without a "
         "network only tiles fetched before (hfp prefetch) are drawn, and the wait ends once "
         "the first tiles all get no answer. --layout N (0-9) decorates the map as a filed map "
         "of output layout N: its colour changes, logo, visible write sets, grid lines, "
         "magnetic north lines and scale notation; without it the map is undecorated. Exit 0 "
         "when written whole; 4 when written with tiles missing that got no answer or could not "
         "be stored (stderr says how many and why; tiles the server does not have, as at sea, "
         "are reported but are not missing), or written with --layout but without the magnetic "
         "declination (its lines then point to true north); 3 when the tiles did not all come "
         "in time (nothing written); 1 on an error.",
         Export});
}

}  // namespace hfp::cli
