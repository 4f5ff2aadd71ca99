#include <cstdio>
#include <system_error>

#include "cli/Cli.h"
#include "geo/MapSourceConfig.h"
#include "platform/DataFolder.h"
#include "tiles/TileDownload.h"
#include "tiles/TileStatusGrid.h"

namespace hfp::cli {

namespace {

int IndexInfo(Args& args) {
    auto words = args.Positionals();
    int level;
    if (args.wrong() || words.size() != 1 || !ParseLevel(args, words[0], &level)) return kExitUsage;
    TileGridGeometry g = TileGridGeometryOf(MakeMapSourceConfig(level));
    std::printf("%d %d %d %d %d %d %lld\n", g.x0, g.x1, g.yN, g.yS, g.bytesPerRow, g.rows,
                static_cast<long long>(g.bytes()));
    return kExitOk;
}

int IndexStats(Args& args) {
    auto words = args.Positionals();
    if (args.wrong()) return kExitUsage;
    std::vector<int> levels;
    for (const std::string& w : words) {
        int level;
        if (!ParseLevel(args, w, &level)) return kExitUsage;
        levels.push_back(level);
    }
    if (levels.empty()) {
        for (int level = kMinLevel; level <= kMaxLevel; ++level)
            levels.push_back(level);
    }
    const std::filesystem::path data = DataFolder();
    for (int level : levels) {
        TileStatusGrid grid(MakeMapSourceConfig(level), data);
        if (!grid.LoadIndex()) {
            std::fprintf(stderr, "hfp: cannot set up the grid of level %d\n", level);
            return kExitFailure;
        }
        auto n = grid.CountStatuses();
        std::printf("%d unknown %lld inmemory %lld ondisk %lld unavailable %lld\n", level,
                    static_cast<long long>(n[TileUnknown]), static_cast<long long>(n[TileInMemory]),
                    static_cast<long long>(n[TileOnDisk]),
                    static_cast<long long>(n[TileUnavailable]));
    }
    return kExitOk;
}

int TileGet(Args& args) {
    const bool highSpeed = args.Flag("--high-speed");
    const bool force = args.Flag("--force");
    auto words = args.Positionals();
    int level;
    long long tx, ty;
    if (args.wrong() || words.size() != 3 || !ParseLevel(args, words[0], &level) ||
        !ParseInt(words[1], &tx) || !ParseInt(words[2], &ty) || tx < INT32_MIN || tx > INT32_MAX ||
        ty < INT32_MIN || ty > INT32_MAX)
        return kExitUsage;
    const auto x = static_cast<int32_t>(tx);
    const auto y = static_cast<int32_t>(ty);

    TileStatusGrid grid(MakeMapSourceConfig(level), DataFolder());
    if (!grid.LoadIndex()) {
        std::fprintf(stderr, "hfp: cannot set up the grid of level %d\n", level);
        return kExitFailure;
    }
    if (!grid.geometry().Contains(x, y)) {
        std::fprintf(stderr, "hfp: tile %d/%d/%d is outside the service area\n", level, x, y);
        std::printf("%s\n", TileStatusName(TileUnavailable));
        return kExitFailure;
    }
    if (grid.config().server.empty()) {
        std::fprintf(stderr, "hfp: no tile server is configured\n");
        std::printf("%s\n", TileStatusName(grid.GetTileStatus(x, y)));
        return kExitFailure;
    }

    const TileStatus before = grid.GetTileStatus(x, y);
    std::error_code ec;
    const bool onDisk = (before == TileOnDisk || before == TileInMemory) &&
                        std::filesystem::is_regular_file(grid.TileFilePath(x, y), ec);
    if (onDisk && !force) {
        std::printf("%s\n", TileStatusName(TileOnDisk));
        return kExitOk;
    }

    DecodedTile tile;
    DownloadResult result;
    std::string reason;
    if (highSpeed) {
        HighSpeedSession session;
        std::string data;
        result = DownloadTileToMemory(grid, session, x, y, &data, &tile, &reason);
        if (result == DownloadResult::Ok && !SaveTileFile(grid, x, y, data)) {
            result = DownloadResult::LocalFailure;
            reason = "cannot store the tile";
        }
    } else {
        result = DownloadTileToFile(grid, x, y, TileHttpOptions(), &tile, &reason);
    }
    // A forced download that brings no tile keeps the tile on disk and its status.
    TileStatus status = TileOnDisk;
    if (result != DownloadResult::Ok) {
        std::fprintf(stderr, "hfp: tile %d/%d/%d from %s: %s (%s)%s\n", level, x, y,
                     grid.config().server.c_str(), DownloadResultName(result), reason.c_str(),
                     onDisk ? "; the tile on disk is kept" : "");
        if (!onDisk) status = StatusAfterFailure(result);
    }
    grid.SetTileStatus(x, y, status);
    if (!grid.SaveIndex())
        std::fprintf(stderr, "hfp: the index of level %d could not be saved\n", level);
    std::printf("%s\n", TileStatusName(status));
    return result == DownloadResult::Ok ? kExitOk : kExitFailure;
}

}  // namespace

void AddTileCommands(std::vector<Command>& commands) {
    commands.push_back({{"index", "info"},
                        "LEVEL",
                        "Print the extent of a level's tile status grid: x0 x1 yN yS, bytes per "
                        "row B, rows R and the grid's size in bytes.",
                        IndexInfo,
                        kDrawsNothing});
    commands.push_back({{"index", "stats"},
                        "[LEVEL...]",
                        "Count the tiles in each status in the levels' mst.dat of the data "
                        "folder (every level when none is named).",
                        IndexStats,
                        kDrawsNothing});
    commands.push_back({{"tile", "get"},
                        "LEVEL TX TY [--high-speed] [--force]",
                        "Download one tile into the tile cache, decode it, update the level's "
                        "index and print the tile's status. A tile already on disk is not "
                        "fetched again unless --force; a forced download that brings no tile "
                        "keeps the tile on disk. Exit 0 when the tile is on disk and nothing "
                        "failed, 1 otherwise.",
                        TileGet,
                        kDrawsNothing});
}

}  // namespace hfp::cli
