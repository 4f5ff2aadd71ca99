#include "tiles/TileStatusGrid.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "common/TempDir.h"

namespace hfp {
namespace {

namespace fs = std::filesystem;

std::string Header(std::string_view magic = kIndexMagic) {
    std::string header(kIndexHeaderSize, '\0');
    header.replace(0, magic.size(), magic);
    return header;
}

// The grid of `level` under a fresh data folder.
struct LevelFixture {
    explicit LevelFixture(int level) : grid(MakeMapSourceConfig(level), data.path()) {}
    void WriteIndex(const std::string& bytes) {
        fs::create_directories(grid.LevelFolder());
        test::WriteFile(grid.IndexFilePath(), bytes);
    }
    test::TempDir data;
    TileStatusGrid grid;
};

int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

TEST(TileStatusGrid, GeometryOfTheLevels) {
    struct Row {
        int level;
        TileGridGeometry g;
        int64_t bytes;
    };
    for (const Row& row : std::vector<Row>{
             {7, {107, 118, 43, 55, 3, 13}, 39},
             {12, {3436, 3777, 1389, 1791, 86, 403}, 34658},
             {16, {54977, 60438, 22226, 28660, 1366, 6435}, 8790210},
             {18, {219909, 241755, 88904, 114643, 5462, 25740}, 140591880},
         }) {
        TileGridGeometry g = TileGridGeometryOf(MakeMapSourceConfig(row.level));
        EXPECT_EQ(g.x0, row.g.x0) << row.level;
        EXPECT_EQ(g.x1, row.g.x1) << row.level;
        EXPECT_EQ(g.yN, row.g.yN) << row.level;
        EXPECT_EQ(g.yS, row.g.yS) << row.level;
        EXPECT_EQ(g.bytesPerRow, row.g.bytesPerRow) << row.level;
        EXPECT_EQ(g.rows, row.g.rows) << row.level;
        EXPECT_EQ(g.bytes(), row.bytes) << row.level;
    }
}

TEST(TileStatusGrid, StatusesAndTheEdgesOfTheGrid) {
    LevelFixture f(12);  // x 3436 … 3777 (bytes reach 3779), y 1389 … 1791
    TileStatusGrid& grid = f.grid;
    // Nothing to read or change before the grid is loaded.
    grid.SetTileStatus(3500, 1500, TileOnDisk);
    EXPECT_EQ(grid.GetTileStatus(3500, 1500), TileUnavailable);

    ASSERT_TRUE(grid.LoadIndex());
    EXPECT_EQ(grid.GetTileStatus(3500, 1500), TileUnknown);
    for (TileStatus s : {TileInMemory, TileOnDisk, TileUnavailable, TileUnknown, TileOnDisk}) {
        grid.SetTileStatus(3500, 1500, s);
        EXPECT_EQ(grid.GetTileStatus(3500, 1500), s);
    }
    // Neighbours in the same byte keep their own bits.
    grid.SetTileStatus(3501, 1500, TileUnavailable);
    grid.SetTileStatus(3499, 1500, TileInMemory);
    EXPECT_EQ(grid.GetTileStatus(3500, 1500), TileOnDisk);
    EXPECT_EQ(grid.GetTileStatus(3501, 1500), TileUnavailable);
    EXPECT_EQ(grid.GetTileStatus(3499, 1500), TileInMemory);
    EXPECT_EQ(grid.GetTileStatus(3502, 1500), TileUnknown);

    // Tiles just east of x1 that fill up the last byte of a row are inside.
    for (int32_t tx : {3777, 3778, 3779}) {
        EXPECT_EQ(grid.GetTileStatus(tx, 1791), TileUnknown) << tx;
        grid.SetTileStatus(tx, 1791, TileOnDisk);
        EXPECT_EQ(grid.GetTileStatus(tx, 1791), TileOnDisk) << tx;
    }
    // West of x0, east of the last byte, north of yN, south of yS: outside, and unchangeable.
    for (auto [tx, ty] : std::vector<std::pair<int32_t, int32_t>>{{3435, 1500},
                                                                  {3780, 1500},
                                                                  {3500, 1388},
                                                                  {3500, 1792},
                                                                  {INT32_MIN, INT32_MIN},
                                                                  {INT32_MAX, INT32_MAX},
                                                                  {-1, 1500}}) {
        EXPECT_FALSE(grid.geometry().Contains(tx, ty)) << tx << "," << ty;
        grid.SetTileStatus(tx, ty, TileOnDisk);
        EXPECT_EQ(grid.GetTileStatus(tx, ty), TileUnavailable) << tx << "," << ty;
    }
    EXPECT_EQ(grid.GetTileStatus(3436, 1389), TileUnknown);  // the north-west corner

    auto counts = grid.CountStatuses();
    EXPECT_EQ(counts[TileInMemory], 1);
    EXPECT_EQ(counts[TileOnDisk], 4);
    EXPECT_EQ(counts[TileUnavailable], 1);
    EXPECT_EQ(counts[TileUnknown], 34658 * 4 - 6);

    grid.Free();
    EXPECT_FALSE(grid.loaded());
    EXPECT_EQ(grid.GetTileStatus(3500, 1500), TileUnavailable);
}

TEST(TileStatusGrid, SavedFileLayout) {
    LevelFixture f(7);  // B = 3, R = 13: 39 bytes
    TileStatusGrid& grid = f.grid;
    ASSERT_TRUE(grid.LoadIndex());
    grid.SetTileStatus(107, 55, TileUnavailable);  // row 0 (south), byte 0, bits 0-1
    grid.SetTileStatus(108, 55, TileOnDisk);       // bits 2-3
    grid.SetTileStatus(110, 55, TileInMemory);     // bits 6-7, saved as TileOnDisk
    grid.SetTileStatus(111, 55, TileOnDisk);       // byte 1
    grid.SetTileStatus(107, 54, TileUnavailable);  // row 1: byte B
    grid.SetTileStatus(118, 43, TileOnDisk);       // north row, byte 38, bits 6-7
    fs::create_directories(grid.LevelFolder());
    ASSERT_TRUE(grid.SaveIndex());

    std::string file = test::ReadFile(grid.IndexFilePath());
    ASSERT_EQ(file.size(), 100u + 39u);
    EXPECT_EQ(file.substr(0, 100), Header());
    std::string body = file.substr(100);
    EXPECT_EQ(static_cast<uint8_t>(body[0]), 0x03 | 0x08 | 0x80);
    EXPECT_EQ(static_cast<uint8_t>(body[1]), 0x02);
    EXPECT_EQ(static_cast<uint8_t>(body[3]), 0x03);
    EXPECT_EQ(static_cast<uint8_t>(body[38]), 0x80);
    EXPECT_FALSE(fs::exists(grid.TemporaryIndexFilePath()));
    // The grid itself no longer holds TileInMemory either.
    EXPECT_EQ(grid.GetTileStatus(110, 55), TileOnDisk);

    TileStatusGrid again(MakeMapSourceConfig(7), f.data.path());
    ASSERT_TRUE(again.LoadIndex());
    EXPECT_EQ(again.GetTileStatus(107, 55), TileUnavailable);
    EXPECT_EQ(again.GetTileStatus(110, 55), TileOnDisk);
    EXPECT_EQ(again.GetTileStatus(118, 43), TileOnDisk);
    EXPECT_EQ(again.GetTileStatus(109, 55), TileUnknown);
}

TEST(TileStatusGrid, NoTileInMemorySurvivesASave) {
    LevelFixture f(12);
    // A file that holds TileInMemory everywhere (no save of ours writes one).
    f.WriteIndex(Header() + std::string(34658, '\x55'));
    ASSERT_TRUE(f.grid.LoadIndex());
    EXPECT_EQ(f.grid.GetTileStatus(3436, 1791), TileInMemory);
    f.grid.SetTileStatus(3437, 1791, TileUnavailable);
    f.grid.SetTileStatus(3438, 1791, TileUnknown);
    ASSERT_TRUE(f.grid.SaveIndex());
    std::string body = test::ReadFile(f.grid.IndexFilePath()).substr(100);
    ASSERT_EQ(body.size(), 34658u);
    for (std::size_t i = 0; i < body.size(); ++i) {
        const auto b = static_cast<uint8_t>(body[i]);
        for (int k = 0; k < 4; ++k)
            ASSERT_NE((b >> (2 * k)) & 3, 1) << "byte " << i;
    }
    EXPECT_EQ(static_cast<uint8_t>(body[0]), 0x8e);  // 10 00 11 10: OnDisk Unknown Unavail OnDisk
    EXPECT_EQ(static_cast<uint8_t>(body[1]), 0xaa);
}

TEST(TileStatusGrid, MissingForeignShortAndLongIndexFiles) {
    const std::string body(39, '\xff');  // level 7: every tile TileUnavailable
    struct Case {
        const char* what;
        bool writeFile;
        std::string bytes;
        int64_t unavailable;  // of the 156 tile positions
    };
    for (const Case& c : std::vector<Case>{
             {"missing", false, "", 0},
             {"empty", true, "", 0},
             {"header only, cut short", true, Header().substr(0, 99), 0},
             {"foreign magic", true, Header("HollowfernPlotter mst.dat 002") + body, 0},
             {"another file", true, Header("HollowfernPlotter set.dat 001") + body, 0},
             {"header without body", true, Header(), 0},
             {"short body", true, Header() + body.substr(0, 10), 40},
             {"whole body", true, Header() + body, 156},
             {"long body", true, Header() + body + std::string(5000, '\xaa'), 156},
             // The 71 bytes after the magic are not checked.
             {"odd header tail", true, std::string(kIndexMagic) + std::string(71, 'x') + body, 156},
         }) {
        LevelFixture f(7);
        if (c.writeFile) f.WriteIndex(c.bytes);
        ASSERT_TRUE(f.grid.LoadIndex()) << c.what;
        auto counts = f.grid.CountStatuses();
        EXPECT_EQ(counts[TileUnavailable], c.unavailable) << c.what;
        EXPECT_EQ(counts[TileUnknown], 156 - c.unavailable) << c.what;
        // The file is only read: it is untouched by changes to the grid.
        f.grid.SetTileStatus(107, 55, TileOnDisk);
        if (c.writeFile) {
            EXPECT_EQ(test::ReadFile(f.grid.IndexFilePath()), c.bytes) << c.what;
        } else {
            // Loading creates no folder.
            EXPECT_FALSE(fs::exists(f.data / "map")) << c.what;
        }

        // A save writes exactly the grid's size, whatever the file was.
        fs::create_directories(f.grid.LevelFolder());
        ASSERT_TRUE(f.grid.SaveIndex()) << c.what;
        std::string saved = test::ReadFile(f.grid.IndexFilePath());
        ASSERT_EQ(saved.size(), 139u) << c.what;
        EXPECT_EQ(saved.substr(0, 100), Header()) << c.what;
        EXPECT_EQ(static_cast<uint8_t>(saved[100]) & 3, TileOnDisk) << c.what;
    }

    // A folder in the place of mst.dat reads as a missing file.
    LevelFixture f(7);
    fs::create_directories(f.grid.IndexFilePath());
    ASSERT_TRUE(f.grid.LoadIndex());
    EXPECT_EQ(f.grid.CountStatuses()[TileUnknown], 156);
}

TEST(TileStatusGrid, FailedSavesLeaveTheIndexAsItWas) {
    // First run: no map folder, and saving creates none.
    LevelFixture first(9);
    ASSERT_TRUE(first.grid.LoadIndex());
    first.grid.SetTileStatus(first.grid.geometry().x0, first.grid.geometry().yS, TileOnDisk);
    EXPECT_FALSE(first.grid.SaveIndex());
    EXPECT_FALSE(fs::exists(first.data / "map"));

    // mst_temp.dat cannot be created (a folder is in its place): mst.dat stays as it was.
    LevelFixture f(7);
    const std::string old = Header() + std::string(39, '\x02');
    f.WriteIndex(old);
    ASSERT_TRUE(f.grid.LoadIndex());
    f.grid.SetTileStatus(107, 55, TileUnavailable);
    fs::create_directory(f.grid.TemporaryIndexFilePath());
    EXPECT_FALSE(f.grid.SaveIndex());
    EXPECT_EQ(test::ReadFile(f.grid.IndexFilePath()), old);
    EXPECT_TRUE(fs::is_directory(f.grid.TemporaryIndexFilePath()));
    // The grid goes on working, and a later save succeeds once the way is clear.
    EXPECT_EQ(f.grid.GetTileStatus(107, 55), TileUnavailable);
    fs::remove(f.grid.TemporaryIndexFilePath());
    ASSERT_TRUE(f.grid.SaveIndex());
    EXPECT_EQ(static_cast<uint8_t>(test::ReadFile(f.grid.IndexFilePath())[100]), 0x03);
}

TEST(TileStatusGrid, SavingOverTheMappedFileAndLoadingAgain) {
    LevelFixture f(12);
    std::string body(34658, '\0');
    body[0] = '\x02';
    f.WriteIndex(Header() + body);
    ASSERT_TRUE(f.grid.LoadIndex());
    // Save twice over the file the grid was loaded from, changing it in between.
    f.grid.SetTileStatus(3437, 1791, TileUnavailable);
    ASSERT_TRUE(f.grid.SaveIndex());
    f.grid.SetTileStatus(3438, 1791, TileOnDisk);
    ASSERT_TRUE(f.grid.SaveIndex());
    EXPECT_EQ(static_cast<uint8_t>(test::ReadFile(f.grid.IndexFilePath())[100]),
              0x02 | 0x0c | 0x20);
    ASSERT_TRUE(f.grid.LoadIndex());  // reloading replaces the grid with the saved file
    EXPECT_EQ(f.grid.GetTileStatus(3436, 1791), TileOnDisk);
    EXPECT_EQ(f.grid.GetTileStatus(3437, 1791), TileUnavailable);
    EXPECT_EQ(f.grid.GetTileStatus(3438, 1791), TileOnDisk);
}

TEST(TileStatusGrid, StartingLevel18CostsNothingUpFront) {
    LevelFixture f(18);
    const TileGridGeometry& g = f.grid.geometry();
    const int64_t before = ResidentBytes();
    ASSERT_TRUE(f.grid.LoadIndex());
    f.grid.SetTileStatus(g.x0, g.yS, TileUnavailable);
    f.grid.SetTileStatus(230000, 100000, TileOnDisk);
    f.grid.SetTileStatus(g.x1, g.yN, TileInMemory);
    EXPECT_LT(ResidentBytes() - before, 8 << 20);
    fs::create_directories(f.grid.LevelFolder());
    ASSERT_TRUE(f.grid.SaveIndex());
    EXPECT_EQ(fs::file_size(f.grid.IndexFilePath()), 140591980u);
    f.grid.Free();

    // Opening the full-size file maps it: only what is read becomes resident.
    TileStatusGrid grid(MakeMapSourceConfig(18), f.data.path());
    const int64_t start = ResidentBytes();
    ASSERT_TRUE(grid.LoadIndex());
    EXPECT_EQ(grid.GetTileStatus(g.x0, g.yS), TileUnavailable);
    EXPECT_EQ(grid.GetTileStatus(230000, 100000), TileOnDisk);
    EXPECT_EQ(grid.GetTileStatus(g.x1, g.yN), TileOnDisk);
    EXPECT_EQ(grid.GetTileStatus(230001, 100000), TileUnknown);
    EXPECT_LT(ResidentBytes() - start, 8 << 20);
    auto counts = grid.CountStatuses();
    EXPECT_EQ(counts[TileOnDisk], 2);
    EXPECT_EQ(counts[TileUnavailable], 1);
    EXPECT_EQ(counts[TileUnknown], 140591880LL * 4 - 3);
}

TEST(TileStatusGrid, ThreadsShareTheGrid) {
    LevelFixture f(12);
    ASSERT_TRUE(f.grid.LoadIndex());
    // Four threads write the four tiles of the same bytes over and over.
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&grid = f.grid, k] {
            const TileStatus mine = static_cast<TileStatus>(k);
            for (int round = 0; round < 200; ++round)
                for (int32_t tx = 3436 + k; tx < 3436 + 64; tx += 4) {
                    grid.SetTileStatus(tx, 1500, static_cast<TileStatus>((round + k) & 3));
                    grid.SetTileStatus(tx, 1500, mine);
                }
        });
    }
    for (auto& t : threads)
        t.join();
    for (int32_t tx = 3436; tx < 3436 + 64; ++tx)
        EXPECT_EQ(f.grid.GetTileStatus(tx, 1500), static_cast<TileStatus>((tx - 3436) % 4)) << tx;
}

test::ProcessResult Hfp(const std::vector<std::string>& args) {
    return test::RunProcess(test::BuiltProgram("hfp"), args);
}

TEST(HfpIndexCommands, InfoPrintsTheGridExtent) {
    EXPECT_EQ(Hfp({"index", "info", "7"}).out, "107 118 43 55 3 13 39\n");
    EXPECT_EQ(Hfp({"index", "info", "12"}).out, "3436 3777 1389 1791 86 403 34658\n");
    EXPECT_EQ(Hfp({"index", "info", "16"}).out, "54977 60438 22226 28660 1366 6435 8790210\n");
    test::ProcessResult r = Hfp({"index", "info", "18"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "219909 241755 88904 114643 5462 25740 140591880\n");
}

TEST(HfpIndexCommands, StatsCountEveryTilePositionOfTheSavedGrid) {
    test::TempDir data;
    // Level 7: 39 bytes; byte 0 holds one tile of each status, the last byte three unavailable.
    std::string body(39, '\0');
    body[0] = static_cast<char>(0xe4);  // 11 10 01 00
    body[38] = static_cast<char>(0xfc);
    fs::create_directories(data / "map/xyz7");
    test::WriteFile(data / "map/xyz7/mst.dat", Header() + body);
    fs::create_directories(data / "map/xyz8");
    test::WriteFile(data / "map/xyz8/mst.dat", Header("HollowfernPlotter mst.dat 000") + body);

    test::ProcessResult r =
        Hfp({"--data-dir", data.path().string(), "index", "stats", "7", "8", "12"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "7 unknown 150 inmemory 1 ondisk 1 unavailable 4\n"
              "8 unknown 624 inmemory 0 ondisk 0 unavailable 0\n"
              "12 unknown 138632 inmemory 0 ondisk 0 unavailable 0\n");

    // Without levels: all twelve, in order.
    r = Hfp({"--data-dir", data.path().string(), "index", "stats"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 12);
    EXPECT_EQ(r.out.rfind("7 unknown 150 inmemory 1 ondisk 1 unavailable 4\n", 0), 0u);
    EXPECT_NE(r.out.find("\n18 unknown 562367520 inmemory 0 ondisk 0 unavailable 0\n"),
              std::string::npos);
    // Reading the index files changes nothing in the data folder.
    EXPECT_FALSE(fs::exists(data / "map/xyz12"));
    EXPECT_EQ(test::ReadFile(data / "map/xyz7/mst.dat"), Header() + body);
}

TEST(HfpIndexCommands, WrongArguments) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"index", "info"},
             {"index", "info", "6"},
             {"index", "info", "19"},
             {"index", "info", "7", "8"},
             {"index", "stats", "x"},
             {"index", "stats", "7", "--bogus"},
         }) {
        test::ProcessResult r = Hfp(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_NE(r.err.find("usage: hfp index"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace hfp
