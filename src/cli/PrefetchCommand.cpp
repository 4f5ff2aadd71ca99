#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>

#include "cli/Cli.h"
#include "geo/Projection.h"
#include "platform/DataFolder.h"
#include "tiles/MapProvider.h"

namespace hfp::cli {

namespace {

// Beyond this an area is surely a mistake (all of Japan at level 18 is half a billion tiles).
constexpr int64_t kMaxPrefetchTiles = 2'000'000;
// When this many first results are all without an answer, the server cannot be reached:
// stop rather than wait a connect time-out for every tile of the area.
constexpr int64_t kUnreachableAfter = 2;

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) {
    g_interrupted = true;
}

bool ParseArea(const std::string& text, int32_t* west, int32_t* south, int32_t* east,
               int32_t* north) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts.size() == 4 && ParseGeoValue(parts[0], true, west) &&
           ParseGeoValue(parts[1], false, south) && ParseGeoValue(parts[2], true, east) &&
           ParseGeoValue(parts[3], false, north) && *west < *east && *south < *north;
}

struct Progress {
    std::mutex lock;
    std::condition_variable changed;
    int64_t queued = 0;
    int64_t downloaded = 0;
    int64_t unavailable = 0;
    int64_t failed = 0;
    int64_t noAnswer = 0;        // of the failed: no answer from the server
    std::string noAnswerReason;  // the first one's
    int64_t finished() const { return downloaded + unavailable + failed; }
    // Nothing but no answers so far, and enough of them to tell.
    bool unreachable() const {
        return noAnswer == finished() && noAnswer >= std::min(kUnreachableAfter, queued);
    }
};

void PrintProgress(ProgressLine& line, const Progress& p, int64_t total, double seconds,
                   bool last) {
    const int width = 30;
    int64_t done = total - (p.queued - p.finished());
    int filled = total > 0 ? static_cast<int>(done * width / total) : width;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(width, '.');
    double rate = seconds > 0 ? static_cast<double>(p.finished()) / seconds : 0;
    char text[160];
    std::snprintf(text, sizeof text, "[%s] %lld/%lld tiles, %.1f tiles/s", bar.c_str(),
                  static_cast<long long>(done), static_cast<long long>(total), rate);
    line.Update(text, last);
}

int Prefetch(Args& args) {
    std::set<int> levels;
    for (const std::string& word : args.Options("--level")) {
        int level;
        if (!ParseLevel(args, word, &level)) return kExitUsage;
        levels.insert(level);
    }
    std::string area;
    bool hasArea = args.Option("--area", &area);
    bool highSpeed = args.Flag("--high-speed");
    if (!args.Positionals().empty() || args.wrong() || levels.empty() || !hasArea)
        return kExitUsage;
    int32_t west, south, east, north;
    if (!ParseArea(area, &west, &south, &east, &north)) {
        args.SetWrong(
            "--area needs WEST,SOUTH,EAST,NORTH inside the service area, west of east "
            "and south of north");
        return kExitUsage;
    }

    Progress progress;
    int64_t onDisk = 0, total = 0;
    std::vector<std::unique_ptr<CMapProvider>> providers;
    for (int level : levels) {
        TileAddress nw = TileOfGeo(level, {north, west});
        TileAddress se = TileOfGeo(level, {south, east});
        total += (int64_t{se.tx} - nw.tx + 1) * (int64_t{se.ty} - nw.ty + 1);
    }
    if (total > kMaxPrefetchTiles) {
        std::fprintf(stderr,
                     "hfp: the area holds %lld tiles, more than %lld; choose a smaller "
                     "area or fewer levels\n",
                     static_cast<long long>(total), static_cast<long long>(kMaxPrefetchTiles));
        return kExitFailure;
    }

    // Ctrl+C from here on drops what is queued and keeps what was fetched.
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);

    ProgressLine line;
    auto started = std::chrono::steady_clock::now();
    for (int level : levels) {
        auto provider = std::make_unique<CMapProvider>();
        CMapProvider* p = provider.get();
        MapSourceConfig config = MakeMapSourceConfig(level);
        // The tiles go to disk, not to the screen.
        config.storeOnly = true;
        config.highSpeedDownload = highSpeed;
        config.tileReady = [&progress](const TileReport& report) {
            bool ended;
            {
                std::lock_guard guard(progress.lock);
                if (report.success()) {
                    ++progress.downloaded;
                } else if (report.result == DownloadResult::NotATile) {
                    ++progress.unavailable;
                } else {
                    ++progress.failed;
                    if (report.result == DownloadResult::NoAnswer && progress.noAnswer++ == 0)
                        progress.noAnswerReason = report.reason;
                }
                ended = progress.finished() >= progress.queued || progress.unreachable();
            }
            // The progress line is redrawn on its own clock; the wait ends on the last tile.
            if (ended) progress.changed.notify_one();
        };
        if (!p->Start(config)) {
            std::fprintf(stderr, "hfp: cannot start the tiles of level %d\n", level);
            return kExitFailure;
        }
        TileAddress nw = TileOfGeo(level, {north, west});
        TileAddress se = TileOfGeo(level, {south, east});
        for (int32_t ty = nw.ty; ty <= se.ty; ++ty) {
            for (int32_t tx = nw.tx; tx <= se.tx; ++tx) {
                TileStatus status = p->grid()->GetTileStatus(tx, ty);
                if (status == TileOnDisk) {
                    ++onDisk;
                    continue;
                }
                std::lock_guard guard(progress.lock);
                TilePixels pixels;
                if (status == TileUnknown &&
                    p->GetTile(&status, &pixels, tx, ty, false, false, false, 1)) {
                    ++progress.queued;
                } else {
                    ++progress.queued;
                    ++progress.unavailable;
                }
            }
        }
        providers.push_back(std::move(provider));
    }

    {
        std::unique_lock guard(progress.lock);
        while (progress.finished() < progress.queued && !g_interrupted && !progress.unreachable()) {
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            PrintProgress(line, progress, total - onDisk, seconds, false);
            progress.changed.wait_for(guard, std::chrono::milliseconds(200));
        }
    }
    bool unreachable;
    {
        std::lock_guard guard(progress.lock);
        unreachable = progress.queued > 0 && progress.unreachable();
    }
    if (g_interrupted || unreachable) {
        for (auto& p : providers)
            p->CancelQueued();
    }
    if (unreachable) {
        for (auto& p : providers)
            p->Stop();
        sigaction(SIGINT, &previous, nullptr);
        std::lock_guard guard(progress.lock);
        std::fprintf(stderr, "\nhfp: cannot reach the tile server %s: %s\n",
                     MakeMapSourceConfig(*levels.begin()).server.c_str(),
                     progress.noAnswerReason.c_str());
        return kExitFailure;
    }
    if (g_interrupted)
        std::fprintf(stderr, "\ninterrupted: queued downloads dropped, saving what was fetched\n");
    // Stopping writes the tiles still waiting to be saved and the levels' indexes.
    for (auto& p : providers)
        p->Stop();
    sigaction(SIGINT, &previous, nullptr);

    std::lock_guard guard(progress.lock);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    PrintProgress(line, progress, total - onDisk, seconds, true);
    std::printf("downloaded %lld ondisk %lld unavailable %lld failed %lld\n",
                static_cast<long long>(progress.downloaded), static_cast<long long>(onDisk),
                static_cast<long long>(progress.unavailable),
                static_cast<long long>(progress.failed));
    if (g_interrupted) return 130;
    return progress.failed > 0 ? kExitFailure : kExitOk;
}

}  // namespace

void AddPrefetchCommands(std::vector<Command>& commands) {
    commands.push_back(
        {{"prefetch"},
         "--level L [--level L...] --area WEST,SOUTH,EAST,NORTH [--high-speed]",
         "Download every tile of an area at the given levels into the tile cache, for use "
         "without a network: run it before the trip. Bounds in geo units or coordinate text. "
         "Tiles already on disk are skipped. Prints 'downloaded N ondisk N unavailable N failed "
         "N' (unavailable: the server has no such tile, as at sea); exit 0 when no download "
         "failed, 1 when some did (run again to retry them), 130 when interrupted. When the "
         "first requests get no answer at all it stops with 'cannot reach the tile server HOST: "
         "REASON' and exit 1.",
         Prefetch,
         kDrawsNothing});
}

}  // namespace hfp::cli
