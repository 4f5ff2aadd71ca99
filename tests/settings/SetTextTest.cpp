// The older set.txt, read through the profile reader (whose own rules its tests cover).
#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "settings/SetData.h"
#include "settings/SettingsTestData.h"

namespace hfp::test {
namespace {

CSetData LoadSetTxt(const TempDir& dir, const std::string& text) {
    WriteFile(dir / "set.txt", text);
    CSetData store;
    EXPECT_TRUE(store.Load(dir.path()));
    return store;
}

TEST(SetText, ReadOnlyWhenSetDatIsMissing) {
    TempDir dir;
    EXPECT_EQ(LoadSetTxt(dir, "[General]\nMapType=4\n").m_mapType, 4);
    // Once there is a set.dat, even an empty one, set.txt is not consulted; saving never
    // touches it.
    WriteFile(dir / "set.dat", "");
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(store.m_mapType, 0);
    ASSERT_TRUE(store.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.txt"), "[General]\nMapType=4\n");
}

TEST(SetText, KeysAreFoundInTheirOwnSectionsWithoutThePrintPrefix) {
    TempDir dir;
    CSetData store = LoadSetTxt(dir,
                                "[Set]\nDisplayPrintRange=no\nMemoryMapMax=800\n"
                                "[Print]\nName2=Hiking map\nPrint-Name3=set.dat spelling\n"
                                "MapType=9\nSELECTPRINT=2\n"
                                "[PrintHistory]\nName0=first print\n"
                                "[General]\nReduction1=7\n");
    EXPECT_FALSE(store.m_displayPrintRange);
    EXPECT_EQ(store.m_memoryMapMax, 800);
    EXPECT_EQ(store.m_outputSettings[2].name, "Hiking map");
    EXPECT_EQ(store.m_outputSettings[3].name, "");
    EXPECT_EQ(store.m_mapType, 0);  // not in its section
    EXPECT_EQ(store.m_selectPrint, 2);
    EXPECT_EQ(store.m_printHistory[0].name, "first print");
    EXPECT_EQ(store.m_outputSettings[1].reduction, 25000);
    // Unlike a set.dat without them, these two stay at their default of true.
    EXPECT_TRUE(store.m_displayCenterCross);
    EXPECT_TRUE(store.m_outputSettings[0].longitude.digitPositionFirst);
}

TEST(SetText, EveryKeyIsRead) {
    TempDir dir;
    const std::vector<SettingRecord> defaults = CSetData().Records();
    std::string text;
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        text += "[" + defaults[i].section + "]\n" + defaults[i].profileKey + "=" +
                DifferingValues()[i] + "\n";
    }
    EXPECT_EQ(KeyValues(LoadSetTxt(dir, text)), KeyValues(DifferingStore()));
}

}  // namespace
}  // namespace hfp::test
