#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/TempDir.h"
#include "settings/SetData.h"
#include "settings/SettingsTestData.h"

namespace hfp::test {
namespace {

std::string Value(const CSetData& store, const std::string& key) {
    std::string value;
    EXPECT_TRUE(store.GetValue(key, &value)) << key;
    return value;
}

std::string DefaultValue(const std::string& key) {
    return Value(CSetData(), key);
}

CSetData LoadSetDat(const TempDir& dir, const std::string& bytes) {
    WriteFile(dir / "set.dat", bytes);
    CSetData store;
    EXPECT_TRUE(store.Load(dir.path()));
    return store;
}

TEST(SetDataLoad, NoFilesGiveTheDefaultsAndTheFirstSaveWritesEveryRecord) {
    TempDir dir;
    CSetData store;
    store.m_mapType = 7;  // loading replaces what was there
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(KeyValues(store), KeyValues(CSetData()));
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat"));  // loading writes nothing

    ASSERT_TRUE(store.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.dat"), SetDatBytes(KeyValues(CSetData())));
}

TEST(SetDataLoad, EmptyFileGivesDefaultsButTwoFlagsReadFalse) {
    TempDir dir;
    CSetData store = LoadSetDat(dir, "");
    const auto loaded = KeyValues(store);
    const auto defaults = KeyValues(CSetData());
    int differences = 0;
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (loaded[i] == defaults[i]) continue;
        ++differences;
        EXPECT_EQ(loaded[i].second, "false") << loaded[i].first;
    }
    EXPECT_EQ(differences, 11);  // the centre cross and the ten longitude digit positions

    // Stored, the two flags keep their values.
    store = LoadSetDat(dir, SetDatBytes({{"DisplayCenterCross", "true"},
                                         {"Print-PrintLongitudeLineDigitPositionUp4", "TRUE"}}));
    EXPECT_TRUE(store.m_displayCenterCross);
    EXPECT_TRUE(store.m_outputSettings[4].longitude.digitPositionFirst);
}

// Values convert as the C library reads them; keys are case-sensitive, come in any order,
// the later of two wins, and unknown keys are passed over.
TEST(SetDataLoad, ValueConversionsRepeatedAndUnknownKeys) {
    TempDir dir;
    const CSetData store = LoadSetDat(dir, SetDatBytes({
                                               {"PrintHistory-Name99", "last entry"},
                                               {"MapType", "3"},
                                               {"NoSuchKey", "x"},
                                               {"", "a record with an empty key"},
                                               {"maptype", "9"},
                                               {"MapType", "5"},
                                               {"MouseWheelReverse", "TRUE"},
                                               {"DisplayPrintRange", "1"},
                                               {"CairnStartupDownload", "true "},
                                               {"Zoom4", " 2.0e0x"},
                                               {"Zoom6", "+0.4"},
                                               {"FileoutLatitude", "12abc"},
                                               {"CenterLongitude", "  -7 8"},
                                               {"WindowPlacementFlags", "99999999999"},
                                               {"Print-ColorChange0-AfterColor0", "-1"},
                                               {"FileoutName", " blanks kept 地図 "},
                                           }));
    EXPECT_EQ(store.m_mapType, 5);
    EXPECT_EQ(store.m_printHistory[99].name, "last entry");
    EXPECT_TRUE(store.m_mouseWheelReverse);
    EXPECT_FALSE(store.m_displayPrintRange);
    EXPECT_FALSE(store.m_cairnStartupDownload);
    EXPECT_EQ(store.m_zoom[4], 2.0);
    EXPECT_DOUBLE_EQ(store.m_zoom[6], 0.4);
    EXPECT_EQ(store.m_fileoutLatitude, 12);
    EXPECT_EQ(store.m_center.lon, -7);
    EXPECT_EQ(store.m_windowPlacement.flags, 2147483647);
    EXPECT_EQ(store.m_outputSettings[0].colorChanges[0].afterColor, 0xFFFFFFFFu);
    EXPECT_EQ(store.m_fileoutName, " blanks kept 地図 ");
    // Written back in the store's own forms; a stored colour text comes back as it was.
    EXPECT_EQ(Value(store, "Zoom6"), "0.4");
    EXPECT_EQ(Value(store, "Print-ColorChange0-AfterColor0"), "-1");
}

// Numbers that index, size or divide: from a damaged or hand-edited file, a value outside
// what the program can use would blank the map, abort the start or overflow; it takes the
// default instead, wherever it is read from. The ends of each range are kept.
TEST(SetDataLoad, NumbersOutsideTheirRangeTakeTheDefault) {
    struct Case {
        const char* key;
        const char* text;
        bool kept;
    };
    const Case cases[] = {
        {"MemoryMapMax", "0", false}, {"MemoryMapMax", "20000", true},
        {"MapType", "12", false},     {"MapType", "11", true},
        {"Zoom3", "0", false},        {"Zoom3", "nan", false},
        {"Zoom3", "inf", false},      {"Print-PrintLatitudeLineSubline1-Division0", "0", false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        const std::string expected = c.kept ? c.text : DefaultValue(c.key);
        CSetData store = LoadSetDat(dir, SetDatBytes({{c.key, c.text}}));
        EXPECT_EQ(Value(store, c.key), expected) << "set.dat";
        ASSERT_TRUE(store.SetValue(c.key, "1"));
        ASSERT_TRUE(store.SetValue(c.key, c.text));
        EXPECT_EQ(Value(store, c.key), expected) << "SetValue";
    }
    std::filesystem::remove(dir / "set.dat");
    WriteFile(dir / "set.txt", "[Set]\nMemoryMapMax=0\n[General]\nZoom2=-1\nMapType=40\n");
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(store.m_memoryMapMax, 500);
    EXPECT_EQ(store.m_zoom[2], 1.0);
    EXPECT_EQ(store.m_mapType, 0);
}

// A set.dat that is there but cannot be opened (a link to a drive that is not mounted, a
// folder) did not load, although set.txt fills the fields: the caller must not save over it.
TEST(SetDataLoad, SetDatThatCannotBeOpenedDoesNotLoad) {
    TempDir dir;
    WriteFile(dir / "set.txt", "[General]\nMapType=4\n");
    std::filesystem::create_directory(dir / "set.dat");  // the main window's test has a link
    CSetData store;
    EXPECT_FALSE(store.Load(dir.path()));
    EXPECT_EQ(store.m_mapType, 4);
    std::filesystem::remove(dir / "set.dat");
    EXPECT_TRUE(store.Load(dir.path()));
}

// Every field is saved under its own key and loads back whole. set.dat cut short (a crash of
// an older version, a full disk): every record that ends at or before the cut keeps its value;
// the record the cut falls in and all after it read as missing. Cut points at and around the
// boundaries of keys, values and records.
TEST(SetDataLoad, EveryFieldRoundTripsAndACutFileLoadsTheWholeRecordsBeforeTheCut) {
    TempDir dir;
    CSetData saved = DifferingStore();
    ASSERT_TRUE(saved.Save(dir.path()));
    const std::string bytes = ReadFile(dir / "set.dat");
    const auto records = KeyValues(saved);
    EXPECT_EQ(bytes, SetDatBytes(records));
    const auto missing = KeyValues(LoadSetDat(dir, ""));
    std::vector<std::size_t> ends;
    std::size_t offset = 0;
    for (const auto& [key, value] : records)
        ends.push_back(offset += key.size() + value.size() + 2);

    std::vector<std::size_t> cuts = {0, 1, bytes.size() - 1, bytes.size()};
    // A top-level integer, a real, a flag, a text, the middle of layout 4, the last record.
    for (std::size_t record : {10u, 14u, 37u, 41u, 1300u, 3348u}) {
        const std::size_t keyEnd = ends[record] + records[record + 1].first.size();
        for (std::size_t cut :
             {ends[record] - 1, ends[record], ends[record] + 1, keyEnd, keyEnd + 1, keyEnd + 2})
            cuts.push_back(cut);
    }
    for (std::size_t cut : cuts) {
        const CSetData store = LoadSetDat(dir, bytes.substr(0, cut));
        const auto loaded = KeyValues(store);
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            const std::string& expected = ends[i] <= cut ? records[i].second : missing[i].second;
            ASSERT_EQ(loaded[i].second, expected) << "cut at " << cut << ": " << loaded[i].first;
        }
    }
}

// Keys of the file format reach the fields they name.
TEST(SetDataSave, KeysReachTheFieldsTheyName) {
    CSetData s;
    ASSERT_TRUE(s.SetValue("WindowPlacementNormalPositionBottom", "777"));
    ASSERT_TRUE(s.SetValue("Print-ColorChange3-Name12", "contour"));
    ASSERT_TRUE(s.SetValue("Print-PrintMagneticNorthLineCalc3", "2"));
    ASSERT_TRUE(s.SetValue("PrintHistory-Latitude99", "12000000"));
    EXPECT_EQ(s.m_windowPlacement.normalBottom, 777);
    EXPECT_EQ(s.m_outputSettings[3].colorChanges[12].name, "contour");
    EXPECT_EQ(s.m_outputSettings[3].magneticNorth.calc, 2);
    EXPECT_EQ(s.m_printHistory[99].latitude, 12000000);
}

TEST(SetDataSave, TextIsWrittenUpToAZeroByteSoLaterRecordsStayInPlace) {
    TempDir dir;
    CSetData store;
    store.m_fileoutName = std::string("before\0after", 12);
    store.m_fileoutRange = 2;
    ASSERT_TRUE(store.Save(dir.path()));
    CSetData loaded;
    ASSERT_TRUE(loaded.Load(dir.path()));
    EXPECT_EQ(loaded.m_fileoutName, "before");
    EXPECT_EQ(loaded.m_fileoutRange, 2);
}

// It holds the spot service password in plain text: a fresh file its owner alone reads, never
// written through a link planted at the temporary name.
TEST(SetDataSave, FileIsFreshAndReadableByItsOwnerOnly) {
    TempDir dir;
    WriteFile(dir / "set.dat", "");
    std::filesystem::permissions(dir / "set.dat", std::filesystem::perms(0644));
    WriteFile(dir / "victim", "untouched");
    std::filesystem::create_symlink(dir / "victim", dir / "set.dat_temp_");
    ASSERT_TRUE(CSetData().Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "victim"), "untouched");
    struct stat status;
    ASSERT_EQ(::lstat((dir / "set.dat").c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

// The older set.txt, read through the profile reader (whose own rules its tests cover), only
// while there is no set.dat; every key is found in its section without the "Print-" prefix.
TEST(SetText, EveryKeyIsReadOnlyWhileSetDatIsMissing) {
    TempDir dir;
    const std::vector<SettingRecord> defaults = CSetData().Records();
    std::string text = "[Print]\nPrint-Name3=set.dat spelling\nMapType=9\n";
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        text += "[" + defaults[i].section + "]\n" + defaults[i].profileKey + "=" +
                DifferingValues()[i] + "\n";
    }
    WriteFile(dir / "set.txt", text);
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(KeyValues(store), KeyValues(DifferingStore()));

    WriteFile(dir / "set.txt", "[Set]\nDisplayPrintRange=no\n");
    ASSERT_TRUE(store.Load(dir.path()));
    // Unlike a set.dat without them, these two keep their default of true.
    EXPECT_TRUE(store.m_displayCenterCross);
    EXPECT_TRUE(store.m_outputSettings[0].longitude.digitPositionFirst);
    EXPECT_FALSE(store.m_displayPrintRange);
    // Once there is a set.dat, even an empty one, set.txt is not consulted nor written.
    store = LoadSetDat(dir, "");
    EXPECT_TRUE(store.m_displayPrintRange);
    ASSERT_TRUE(store.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.txt"), "[Set]\nDisplayPrintRange=no\n");
}

}  // namespace
}  // namespace hfp::test
