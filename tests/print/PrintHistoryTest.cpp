#include <gtest/gtest.h>

#include "print/PrintHistory.h"

namespace hfp {
namespace {

// A new print goes first and pushes out the last entry that is not kept; kept entries after it
// stay where they are, and when every entry is kept nothing is lost and nothing added.
TEST(PrintHistory, NewPrintPushesOutOnlyTheLastUnkeptEntry) {
    struct Case {
        int used;
        std::vector<int> kept;
        bool added;
        // (index, the name found there afterwards)
        std::vector<std::pair<int, std::string>> expect;
    };
    for (const Case& c :
         std::vector<Case>{{3, {}, true, {{0, "new"}, {1, "e0"}, {3, "e2"}, {4, ""}}},
                           {100, {99}, true, {{0, "new"}, {1, "e0"}, {98, "e97"}, {99, "e99"}}},
                           {100, {1, 99}, true, {{0, "new"}, {2, "e1"}, {98, "e97"}, {99, "e99"}}},
                           {100, {}, false, {{0, "e0"}, {99, "e99"}}}}) {
        // `used` entries "e0".."eN", those in `kept` kept (all of them when nothing is added).
        PrintHistory h;
        for (int i = 0; i < c.used; ++i)
            h[static_cast<std::size_t>(i)] = {"e" + std::to_string(i), !c.added, i, 0};
        for (int i : c.kept)
            h[static_cast<std::size_t>(i)].keep = true;
        EXPECT_EQ(AddPrintHistory(h, 777, 12730626, "new"), c.added) << c.used;
        for (const auto& [index, name] : c.expect)
            EXPECT_EQ(h[static_cast<std::size_t>(index)].name, name) << c.used << " at " << index;
        if (c.added) {
            EXPECT_EQ(h[0].longitude, 777);
            EXPECT_FALSE(h[0].keep);
            EXPECT_EQ(h[2].keep, c.kept.size() == 2);  // a kept entry above moves, kept
        }
    }
}

}  // namespace
}  // namespace hfp
