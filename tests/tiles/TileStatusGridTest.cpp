#include "tiles/TileStatusGrid.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
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

TEST(TileStatusGrid, StatusesStayInTheirBitsAndInsideTheGrid) {
    LevelFixture f(12);  // x 3436 … 3777 (bytes reach 3779), y 1389 … 1791, 86 bytes a row
    TileStatusGrid& grid = f.grid;
    ASSERT_TRUE(grid.LoadIndex());
    grid.SetTileStatus(3499, 1500, TileInMemory);
    grid.SetTileStatus(3500, 1500, TileOnDisk);
    grid.SetTileStatus(3501, 1500, TileUnavailable);
    grid.SetTileStatus(3779, 1791, TileOnDisk);  // fills the last byte of a row: inside
    for (auto [tx, ty] : std::vector<std::pair<int32_t, int32_t>>{
             {3435, 1500}, {3780, 1500}, {3500, 1388}, {3500, 1792}, {INT32_MIN, INT32_MAX}}) {
        grid.SetTileStatus(tx, ty, TileOnDisk);
        EXPECT_EQ(grid.GetTileStatus(tx, ty), TileUnavailable) << tx << "," << ty;
    }
    EXPECT_EQ(grid.CountStatuses(), (std::array<int64_t, 4>{34658 * 4 - 4, 1, 2, 1}));
    // Saved: south row first, four tiles a byte from the west; TileInMemory becomes TileOnDisk.
    fs::create_directories(grid.LevelFolder());
    ASSERT_TRUE(grid.SaveIndex());
    const std::string file = test::ReadFile(grid.IndexFilePath());
    ASSERT_EQ(file.size(), 100u + 34658u);
    EXPECT_EQ(file.substr(0, 100), Header());
    EXPECT_EQ(static_cast<uint8_t>(file[100 + 85]), 0x80);  // (3779, 1791)
    const std::size_t row = 100 + (1791 - 1500) * 86 + (3499 - 3436) / 4;
    EXPECT_EQ(static_cast<uint8_t>(file[row]), 0x80);  // 3499: in memory → on disk
    EXPECT_EQ(static_cast<uint8_t>(file[row + 1]), 0x0e);
    EXPECT_EQ(grid.GetTileStatus(3499, 1500), TileOnDisk);
}

TEST(TileStatusGrid, IndexFilesOfEveryShape) {
    const std::string body(39, '\xff');  // level 7: every tile TileUnavailable
    struct Case {
        const char* what;
        bool writeFile;
        std::string bytes;
        int64_t unavailable;  // of the 156 tile positions
    };
    for (const Case& c : std::vector<Case>{
             {"missing", false, "", 0},
             {"foreign magic", true, Header("HollowfernPlotter set.dat 001") + body, 0},
             {"short body", true, Header() + body.substr(0, 10), 40},
             {"long body", true, Header() + body + std::string(5000, '\xaa'), 156},
         }) {
        LevelFixture f(7);
        if (c.writeFile) f.WriteIndex(c.bytes);
        ASSERT_TRUE(f.grid.LoadIndex()) << c.what;
        EXPECT_EQ(f.grid.CountStatuses()[TileUnavailable], c.unavailable) << c.what;
        EXPECT_EQ(fs::exists(f.data / "map"), c.writeFile) << c.what;  // loading makes nothing
        fs::create_directories(f.grid.LevelFolder());
        ASSERT_TRUE(f.grid.SaveIndex()) << c.what;
        EXPECT_EQ(fs::file_size(f.grid.IndexFilePath()), 139u) << c.what;
    }
    // A folder or a FIFO in the place of mst.dat reads as a missing file, without hanging.
    for (bool fifo : {false, true}) {
        LevelFixture f(7);
        fs::create_directories(fifo ? f.grid.LevelFolder() : f.grid.IndexFilePath());
        if (fifo) {
            ASSERT_EQ(::mkfifo(f.grid.IndexFilePath().c_str(), 0600), 0);
        }
        ASSERT_TRUE(f.grid.LoadIndex());
        EXPECT_EQ(f.grid.CountStatuses()[TileUnknown], 156);
    }
}

// The running level's grid is its own: truncating, rewriting or removing mst.dat under it
// neither crashes the program nor changes a status.
TEST(TileStatusGrid, OutsideChangesToTheIndexNeitherCrashNorAlterALevel) {
    LevelFixture f(12);
    std::string body(34658, '\0');
    body[0] = '\x02';
    body[20000] = '\x0b';
    f.WriteIndex(Header() + body);
    ASSERT_TRUE(f.grid.LoadIndex());
    for (const std::string& change : {std::string(), Header(), std::string(200000, '\xff')}) {
        fs::resize_file(f.grid.IndexFilePath(), 0);
        test::WriteFile(f.grid.IndexFilePath(), change);
        EXPECT_EQ(f.grid.GetTileStatus(3436, 1791), TileOnDisk);
        auto counts = f.grid.CountStatuses();
        EXPECT_EQ(counts[TileOnDisk], 2);
        EXPECT_EQ(counts[TileUnavailable], 1);
    }
}

// A level-18 index keeps its full size but takes kilobytes of disk, and reads back whole.
TEST(TileStatusGrid, NearlyEmptyIndexIsWrittenSparse) {
    LevelFixture f(18);
    const TileGridGeometry& g = f.grid.geometry();
    ASSERT_TRUE(f.grid.LoadIndex());
    f.grid.SetTileStatus(g.x0, g.yS, TileUnavailable);
    f.grid.SetTileStatus(230000, 100000, TileInMemory);
    f.grid.SetTileStatus(g.x1, g.yN, TileOnDisk);
    fs::create_directories(f.grid.LevelFolder());
    ASSERT_TRUE(f.grid.SaveIndex());
    struct stat st {};
    ASSERT_EQ(::stat(f.grid.IndexFilePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 140591980);
    EXPECT_LT(st.st_blocks * 512, 1 << 20);

    TileStatusGrid again(MakeMapSourceConfig(18), f.data.path());
    ASSERT_TRUE(again.LoadIndex());
    EXPECT_EQ(again.GetTileStatus(g.x0, g.yS), TileUnavailable);
    EXPECT_EQ(again.GetTileStatus(230000, 100000), TileOnDisk);
    EXPECT_EQ(again.GetTileStatus(g.x1, g.yN), TileOnDisk);
    EXPECT_EQ(again.CountStatuses()[TileUnknown], 140591880LL * 4 - 3);
}

TEST(TileStatusGrid, ThreadsShareTheGrid) {
    LevelFixture f(12);
    ASSERT_TRUE(f.grid.LoadIndex());
    // Four threads write the four tiles of the same bytes over and over.
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&grid = f.grid, k] {
            for (int round = 0; round < 200; ++round)
                for (int32_t tx = 3436 + k; tx < 3436 + 64; tx += 4) {
                    grid.SetTileStatus(tx, 1500, static_cast<TileStatus>((round + k) & 3));
                    grid.SetTileStatus(tx, 1500, static_cast<TileStatus>(k));
                }
        });
    }
    for (auto& t : threads)
        t.join();
    for (int32_t tx = 3436; tx < 3436 + 64; ++tx)
        EXPECT_EQ(f.grid.GetTileStatus(tx, 1500), static_cast<TileStatus>((tx - 3436) % 4)) << tx;
}

}  // namespace
}  // namespace hfp
