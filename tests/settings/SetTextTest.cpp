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
    WriteFile(dir / "set.txt", "[General]\nMapType=4\n");
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(store.m_mapType, 4);

    // Once there is a set.dat, even an empty one, set.txt is not consulted; saving never
    // touches it.
    WriteFile(dir / "set.dat", "");
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(store.m_mapType, 0);
    ASSERT_TRUE(store.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.txt"), "[General]\nMapType=4\n");
}

TEST(SetText, CommentsBlankLinesRepeatedSectionsAndKeysMixedCase) {
    TempDir dir;
    CSetData store = LoadSetTxt(dir,
                                "; settings of an older version\r\n"
                                "MapType=9\r\n"  // before any section: ignored
                                "\r\n"
                                "[general]\r\n"
                                "  mAPtYPE  =  6  \r\n"
                                "MapType=8\r\n"  // the first occurrence wins
                                "# CenterLongitude=1\r\n"
                                "CENTERLONGITUDE=50000000\r\n"
                                "no equals sign here\r\n"
                                "\r\n"
                                "[ Set ]\r\n"
                                "mousewheelreverse=True\r\n"
                                "MemoryMapMax=800\r\n"
                                "[Print]\r\n"
                                "Name2=Hiking map\r\n"
                                "Print-Name3=ignored: set.dat spelling\r\n"
                                "SELECTPRINT=2\r\n"
                                "[PrintHistory]\r\n"
                                "Name0=first print\r\n"
                                "[GENERAL]\r\n"  // a repeated section continues the first
                                "MapType=7\r\n"
                                "Zoom3=1.5\r\n"
                                "[print]\r\n"
                                "Name2=later, ignored\r\n"
                                "ColorChange3-Name12=Contour line\r\n"
                                "PrintLatitudeLineSubline0-Length4=25\r\n");
    EXPECT_EQ(store.m_mapType, 6);
    EXPECT_EQ(store.m_center.lon, 50000000);
    EXPECT_EQ(store.m_center.lat, 12730626);
    EXPECT_TRUE(store.m_mouseWheelReverse);
    EXPECT_EQ(store.m_memoryMapMax, 800);
    EXPECT_EQ(store.m_outputSettings[2].name, "Hiking map");
    EXPECT_EQ(store.m_outputSettings[3].name, "");
    EXPECT_EQ(store.m_selectPrint, 2);
    EXPECT_EQ(store.m_printHistory[0].name, "first print");
    EXPECT_EQ(store.m_zoom[3], 1.5);
    EXPECT_EQ(store.m_outputSettings[3].colorChanges[12].name, "Contour line");
    EXPECT_EQ(store.m_outputSettings[0].latitude.sublines[4].length, 25);
}

TEST(SetText, MissingKeysTakeTheirDefaultsWithoutExceptions) {
    TempDir dir;
    CSetData store = LoadSetTxt(dir, "[Set]\nDisplayPrintRange=no\n");
    EXPECT_FALSE(store.m_displayPrintRange);
    // Unlike a set.dat without them, these two stay at their default of true.
    EXPECT_TRUE(store.m_displayCenterCross);
    EXPECT_TRUE(store.m_outputSettings[0].longitude.digitPositionFirst);
    EXPECT_EQ(KeyValues(store).size(), CSetData::kRecordCount);

    // Present but empty is not missing: the value converts as empty text.
    store = LoadSetTxt(dir, "[Print]\nReduction1=\n[General]\nZoom0=\n");
    EXPECT_EQ(store.m_outputSettings[1].reduction, 0);
    EXPECT_EQ(store.m_zoom[0], 0.0);
    EXPECT_EQ(store.m_outputSettings[2].reduction, 25000);
}

TEST(SetText, ValuesAreTrimmedAndCutAt1023Characters) {
    TempDir dir;
    const std::string longName(2000, 'n');
    CSetData store = LoadSetTxt(dir, "[General]\nFileoutName=   " + longName +
                                         "   \nCairnUserId=\"  quoted  \"\n"
                                         "CairnPassword= pass word \n");
    EXPECT_EQ(store.m_fileoutName, std::string(1023, 'n'));
    EXPECT_EQ(store.m_cairnUserId, "  quoted  ");
    EXPECT_EQ(store.m_cairnPassword, "pass word");
}

// A set.txt holding every key with a value that differs from its default, written with the
// noise an edited profile has: each record in a section of its own (so every section repeats),
// keys in changing letter case, comments, blank lines and a later duplicate of every key.
TEST(SetText, EveryKeyIsRead) {
    TempDir dir;
    const std::vector<SettingRecord> defaults = CSetData().Records();
    std::string text = "; every key\n";
    std::string duplicates;
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        const SettingRecord& record = defaults[i];
        std::string key = record.profileKey;
        if (i % 3 == 1)
            for (char& c : key)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::string section = i % 2 ? record.section : "  " + record.section + "  ";
        text += "[" + section + "]\n\n" + key + " = " + DifferingValue(record, i) + "\n";
        duplicates += "[" + record.section + "]\n" + record.profileKey + "=" + record.value + "\n";
    }
    const CSetData store = LoadSetTxt(dir, text + duplicates);
    EXPECT_EQ(KeyValues(store), KeyValues(DifferingStore()));
}

}  // namespace
}  // namespace hfp::test
