#include <algorithm>
#include <cstdio>

#include "cli/Cli.h"
#include "cli/OutputRun.h"
#include "compose/CreateMap.h"
#include "compose/ImageFile.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "settings/SetData.h"

namespace hfp::cli {

namespace {

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

    OutputJob::Order order;
    MapRequest& request = order.request;
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
    if (hasLayout) {
        order.layout = settings.m_outputSettings[static_cast<std::size_t>(layoutIndex)];
        SetColorChanges(request, *order.layout);
        order.write = LoadWriteSets();
    }
    order.timeoutSeconds = timeout;
    order.progress = TileProgressLine();
    // The map is decorated in place: a second copy of an export-sized map costs as much again.
    // The map is decorated where it lies and encoded from there a band at a time: a second
    // copy of an export-sized map would cost as much again.
    order.sink = [&](CDivBitmap& map, std::string* error) {
        if (!WriteImageFile(map, out, error)) {
            *error = "cannot write " + out + ": " + *error;
            return false;
        }
        return true;
    };

    PrintingMessages messages;
    // Each tile is drawn into the map once, when it comes: the memory cache needs to hold no
    // more than the tiles on their way, and every tile more it holds adds to the peak memory.
    const int memoryTiles =
        std::min(settings.m_memoryMapMax, std::max(64, 4 * CMapProvider::FileThreads()));
    CCreateMap composer(memoryTiles, request.highSpeed, 0, &messages, DataFolder());
    OutputJob job(composer, std::move(order));
    if (const int code = RunOutputJob(job, timeout); code != kExitOk) return code;
    std::printf("%s\n", out.c_str());
    return ReportShortfalls(job);
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
