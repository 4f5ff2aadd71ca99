#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "spot/SpotFile.h"

namespace hfp::test {
namespace {

std::string Records(std::initializer_list<std::string> records) {
    std::string file;
    for (const std::string& r : records) {
        file += r;
        file.push_back('\0');
    }
    return file;
}

TEST(SpotFile, RecordsBecomeSortedSpotsWithTheirRelations) {
    SpotIdLists lists;
    lists.Set(2, "B,C,Z", 1, "C,B");
    const std::string file =
        Records({"01A",        "02Hut",       "0435214608", "05138435124", "063",  "00", "01B",
                 "02\x8E\x52", "03third",     "0435300000", "05138400000", "0699", "00", "01C",
                 "0435100000", "05138400000", "06100",      "00",  // icon out of range
                 "99ignored",  "01D",         "0436000000", "05138400000", "061"}) +  // no "00"
        "01E";                                                                        // cut short
    std::vector<CAIRN_SPOT> spots = ParseSpotFile(file, lists);
    ASSERT_EQ(spots.size(), 3u);
    EXPECT_EQ(spots[0].id, "B");  // northernmost first
    EXPECT_EQ(spots[0].name, "山");
    EXPECT_EQ(spots[0].third, "third");
    EXPECT_EQ(spots[0].relation, 1);
    EXPECT_EQ(spots[1].id, "A");
    EXPECT_EQ(spots[1].latitude, 35 * 360000 + 21 * 6000 + 4608);
    EXPECT_EQ(spots[1].longitude, 138 * 360000 + 43 * 6000 + 5124);
    EXPECT_EQ(spots[1].icon, 3);
    EXPECT_EQ(spots[1].relation, 0);
    EXPECT_EQ(spots[2].id, "C");
    EXPECT_EQ(spots[2].relation, 2);  // managed wins; "Z" lies past the count
    EXPECT_LT(spots[2].icon, 0);

    TempDir dir;
    WriteFile(dir / "spots.dat", file);
    std::vector<CAIRN_SPOT> loaded{CAIRN_SPOT{}};
    EXPECT_FALSE(LoadSpotFile(dir / "missing.dat", lists, &loaded));
    EXPECT_TRUE(loaded.empty());
    ASSERT_TRUE(LoadSpotFile(dir / "spots.dat", lists, &loaded));
    EXPECT_EQ(loaded.size(), 3u);
}

}  // namespace
}  // namespace hfp::test
