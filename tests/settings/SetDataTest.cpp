#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <map>
#include <set>

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

// A key with each run of digits replaced by %d: "Print-ColorChange%d-Name%d".
std::string Pattern(const std::string& key) {
    std::string pattern;
    for (std::size_t i = 0; i < key.size();) {
        if (key[i] >= '0' && key[i] <= '9') {
            while (i < key.size() && key[i] >= '0' && key[i] <= '9')
                ++i;
            pattern += "%d";
        } else {
            pattern += key[i++];
        }
    }
    return pattern;
}

// Every key pattern of set.dat with its default, written out from the key tables of the
// settings file format, independently of the store's own tables.
std::map<std::string, std::string> DocumentedDefaults() {
    std::map<std::string, std::string> d = {
        {"WindowPlacementFlags", "0"},
        {"WindowPlacementShowCmd", "0"},
        {"WindowPlacementMinPositionX", "0"},
        {"WindowPlacementMinPositionY", "0"},
        {"WindowPlacementMaxPositionX", "0"},
        {"WindowPlacementMaxPositionY", "0"},
        {"WindowPlacementNormalPositionLeft", "50"},
        {"WindowPlacementNormalPositionTop", "50"},
        {"WindowPlacementNormalPositionRight", "600"},
        {"WindowPlacementNormalPositionBottom", "600"},
        {"MapType", "0"},
        {"CenterLongitude", "49943139"},
        {"CenterLatitude", "12730626"},
        {"Zoom%d", "1.0"},
        {"PrintCenterLongitude", "49943139"},
        {"PrintCenterLatitude", "12730626"},
        {"FileoutCenterLongitude", "49943139"},
        {"FileoutCenterLatitude", "12730626"},
        {"FileoutLongitude", "6000"},
        {"FileoutLatitude", "6000"},
        {"FileoutName", ""},
        {"FileoutRange", "0"},
        {"CairnUserId", ""},
        {"CairnPassword", ""},
        {"MouseWheelReverse", "false"},
        {"MouseWheelNoMove", "false"},
        {"MouseWheelInvalidity", "false"},
        {"DisplayCenterCross", "true"},
        {"DisplayPrintRange", "true"},
        {"DisplayFileoutRange", "true"},
        {"CairnStartupDownload", "true"},
        {"CairnSpotFileDate", ""},
        {"CairnSpotDisplay", "true"},
        {"MemoryMapMax", "500"},
        {"MapHighSpeedDownload", "true"},
        {"StartupVersionCheck", "true"},
        {"SelectPrint", "0"},
        {"SelectFileout", "0"},
        {"SelectScreen", "0"},
        {"Print-Name%d", ""},
        {"Print-Reduction%d", "25000"},
        {"Print-PrintNumberVertical%d", "1"},
        {"Print-PrintNumberHorizontal%d", "1"},
        {"Print-PrintRepetition%d", "0"},
        {"Print-PrintMapType%d", "0"},
        {"Print-PrintOutputMarker%d", "false"},
        {"Print-PrintMapLevel%d", "17"},
        {"Print-ColorChange%d-Name%d", ""},
        {"Print-ColorChange%d-BeforeColor%d", "0"},
        {"Print-ColorChange%d-AfterColor%d", "0"},
        {"Print-PrintScale%d", "0"},
        {"Print-PrintMagneticNorthLine%d", "false"},
        {"Print-PrintMagneticNorthLineSize%d", "1"},
        {"Print-PrintMagneticNorthLineStyle%d", "0"},
        {"Print-PrintMagneticNorthLineColor%d", "255"},
        {"Print-PrintMagneticNorthLineAlphablend%d", "100"},
        {"Print-PrintMagneticNorthLineInterval%d", "1"},
        {"Print-PrintMagneticNorthLineIntervalUnit%d", "0"},
        {"Print-PrintMagneticNorthLineFontSize%d", "40"},
        {"Print-PrintMagneticNorthLineCalc%d", "0"},
        {"Print-PrintLongitudeLineDigitPositionUp%d", "true"},
        {"Print-PrintLongitudeLineDigitPositionDown%d", "false"},
        {"Print-PrintLatitudeLineDigitPositionLeft%d", "true"},
        {"Print-PrintLatitudeLineDigitPositionRight%d", "false"},
        {"Print-PrintVerticalDistanceLineDigitPositionUp%d", "true"},
        {"Print-PrintVerticalDistanceLineDigitPositionDown%d", "false"},
        {"Print-PrintHorizontalDistanceLineDigitPositionLeft%d", "true"},
        {"Print-PrintHorizontalDistanceLineDigitPositionRight%d", "false"},
        {"PrintHistory-Name%d", ""},
        {"PrintHistory-NoDelete%d", "false"},
        {"PrintHistory-Longitude%d", "49943139"},
        {"PrintHistory-Latitude%d", "12730626"},
    };
    for (std::string line : {"Longitude", "Latitude"}) {
        std::string key = "Print-Print" + line + "Line";
        d[key + "%d"] = "false";
        d[key + "Size%d"] = "1";
        d[key + "Style%d"] = "0";
        d[key + "Color%d"] = "16711680";
        d[key + "Alphablend%d"] = "100";
        d[key + "Interval%d"] = "60";
        d[key + "FontSize%d"] = "40";
        d[key + "ArrangedDirection%d"] = "0";
    }
    for (std::string line : {"Vertical", "Horizontal"}) {
        std::string key = "Print-Print" + line + "DistanceLine";
        d[key + "%d"] = "false";
        d[key + "Size%d"] = "1";
        d[key + "Style%d"] = "0";
        d[key + "Color%d"] = "0";
        d[key + "Alphablend%d"] = "100";
        d[key + "Interval%d"] = "1";
        d[key + "IntervalUnit%d"] = "0";
        d[key + "FontSize%d"] = "40";
        d[key + "NumberOfDigits%d"] = "2";
    }
    for (std::string line :
         {"LongitudeLine", "LatitudeLine", "VerticalDistanceLine", "HorizontalDistanceLine"}) {
        std::string key = "Print-Print" + line + "Subline%d-";
        d[key + "Enabled%d"] = "false";
        d[key + "Division%d"] = "10";
        d[key + "Length%d"] = "-1";
        d[key + "Style%d"] = "0";
        d[key + "Size%d"] = "1";
        d[key + "Color%d"] = "0";
        d[key + "Alphablend%d"] = "100";
    }
    return d;
}

std::vector<std::string> Keys(const std::vector<SettingRecord>& records, std::size_t from,
                              std::size_t count) {
    std::vector<std::string> keys;
    for (std::size_t i = from; i < from + count && i < records.size(); ++i)
        keys.push_back(records[i].key);
    return keys;
}

// --- The keys, their order and their defaults ---------------------------------------------

TEST(SetDataKeys, TopLevelKeysComeFirstInDeclarationOrder) {
    const std::vector<SettingRecord> records = CSetData().Records();
    ASSERT_EQ(records.size(), CSetData::kRecordCount);
    ASSERT_EQ(records.size(), 3350u);

    std::vector<std::string> expected = {"WindowPlacementFlags",
                                         "WindowPlacementShowCmd",
                                         "WindowPlacementMinPositionX",
                                         "WindowPlacementMinPositionY",
                                         "WindowPlacementMaxPositionX",
                                         "WindowPlacementMaxPositionY",
                                         "WindowPlacementNormalPositionLeft",
                                         "WindowPlacementNormalPositionTop",
                                         "WindowPlacementNormalPositionRight",
                                         "WindowPlacementNormalPositionBottom",
                                         "MapType",
                                         "CenterLongitude",
                                         "CenterLatitude"};
    for (int i = 0; i < 12; ++i)
        expected.push_back("Zoom" + std::to_string(i));
    for (const char* key :
         {"PrintCenterLongitude",  "PrintCenterLatitude",  "FileoutCenterLongitude",
          "FileoutCenterLatitude", "FileoutLongitude",     "FileoutLatitude",
          "FileoutName",           "FileoutRange",         "CairnUserId",
          "CairnPassword",         "MouseWheelReverse",    "MouseWheelNoMove",
          "MouseWheelInvalidity",  "DisplayCenterCross",   "DisplayPrintRange",
          "DisplayFileoutRange",   "CairnStartupDownload", "MemoryMapMax",
          "CairnSpotFileDate",     "CairnSpotDisplay",     "MapHighSpeedDownload",
          "StartupVersionCheck",   "SelectPrint",          "SelectFileout",
          "SelectScreen"})
        expected.push_back(key);
    ASSERT_EQ(expected.size(), 50u);
    EXPECT_EQ(Keys(records, 0, 50), expected);

    // Then 290 records per layout, then 4 per history entry.
    for (int layout = 0; layout < 10; ++layout)
        EXPECT_EQ(records[50 + 290 * layout].key, "Print-Name" + std::to_string(layout));
    EXPECT_EQ(records[2949].key, "Print-PrintHorizontalDistanceLineSubline9-Alphablend4");
    EXPECT_EQ(Keys(records, 2950, 4),
              (std::vector<std::string>{"PrintHistory-Name0", "PrintHistory-NoDelete0",
                                        "PrintHistory-Longitude0", "PrintHistory-Latitude0"}));
    EXPECT_EQ(records.back().key, "PrintHistory-Latitude99");
}

TEST(SetDataKeys, LayoutKeysInWriteOrder) {
    const std::vector<SettingRecord> records = CSetData().Records();
    const std::size_t layout3 = 50 + 290 * 3;
    EXPECT_EQ(Keys(records, layout3, 11),
              (std::vector<std::string>{
                  "Print-Name3", "Print-Reduction3", "Print-PrintNumberVertical3",
                  "Print-PrintNumberHorizontal3", "Print-PrintRepetition3", "Print-PrintMapType3",
                  "Print-PrintOutputMarker3", "Print-PrintMapLevel3", "Print-ColorChange3-Name0",
                  "Print-ColorChange3-BeforeColor0", "Print-ColorChange3-AfterColor0"}));
    EXPECT_EQ(records[layout3 + 8 + 3 * 12].key, "Print-ColorChange3-Name12");
    EXPECT_EQ(records[layout3 + 97].key, "Print-ColorChange3-AfterColor29");
    EXPECT_EQ(records[layout3 + 98].key, "Print-PrintScale3");

    auto line = [](const std::string& family, std::vector<std::string> endings) {
        std::vector<std::string> keys;
        for (const auto& ending : endings)
            keys.push_back("Print-Print" + family + ending + "3");
        return keys;
    };
    EXPECT_EQ(Keys(records, layout3 + 99, 9),
              line("MagneticNorthLine", {"", "Size", "Style", "Color", "Alphablend", "Interval",
                                         "IntervalUnit", "FontSize", "Calc"}));
    EXPECT_EQ(
        Keys(records, layout3 + 108, 10),
        line("LongitudeLine", {"", "Size", "Style", "Color", "Alphablend", "Interval", "FontSize",
                               "ArrangedDirection", "DigitPositionUp", "DigitPositionDown"}));
    EXPECT_EQ(Keys(records, layout3 + 118, 8), (std::vector<std::string>{
                                                   "Print-PrintLongitudeLineSubline3-Enabled0",
                                                   "Print-PrintLongitudeLineSubline3-Division0",
                                                   "Print-PrintLongitudeLineSubline3-Length0",
                                                   "Print-PrintLongitudeLineSubline3-Style0",
                                                   "Print-PrintLongitudeLineSubline3-Size0",
                                                   "Print-PrintLongitudeLineSubline3-Color0",
                                                   "Print-PrintLongitudeLineSubline3-Alphablend0",
                                                   "Print-PrintLongitudeLineSubline3-Enabled1",
                                               }));
    EXPECT_EQ(
        Keys(records, layout3 + 153, 10),
        line("LatitudeLine", {"", "Size", "Style", "Color", "Alphablend", "Interval", "FontSize",
                              "ArrangedDirection", "DigitPositionLeft", "DigitPositionRight"}));
    EXPECT_EQ(records[layout3 + 163 + 34].key, "Print-PrintLatitudeLineSubline3-Alphablend4");
    EXPECT_EQ(Keys(records, layout3 + 198, 11),
              line("VerticalDistanceLine",
                   {"", "Size", "Style", "Color", "Alphablend", "Interval", "IntervalUnit",
                    "DigitPositionUp", "DigitPositionDown", "FontSize", "NumberOfDigits"}));
    EXPECT_EQ(Keys(records, layout3 + 244, 11),
              line("HorizontalDistanceLine",
                   {"", "Size", "Style", "Color", "Alphablend", "Interval", "IntervalUnit",
                    "DigitPositionLeft", "DigitPositionRight", "FontSize", "NumberOfDigits"}));
    EXPECT_EQ(records[layout3 + 289].key, "Print-PrintHorizontalDistanceLineSubline3-Alphablend4");
}

TEST(SetDataKeys, EveryKeyIsDocumentedWithItsDefaultAndOccursOnce) {
    const std::map<std::string, std::string> documented = DocumentedDefaults();
    std::map<std::string, int> uses;
    std::set<std::string> keys;
    for (const SettingRecord& record : CSetData().Records()) {
        EXPECT_TRUE(keys.insert(record.key).second) << "twice: " << record.key;
        const std::string pattern = Pattern(record.key);
        auto found = documented.find(pattern);
        if (found == documented.end()) {
            ADD_FAILURE() << "undocumented key " << record.key;
            continue;
        }
        EXPECT_EQ(record.value, found->second) << record.key;
        ++uses[pattern];
    }
    for (const auto& [pattern, value] : documented) {
        int expected = 1;
        if (pattern == "Zoom%d")
            expected = 12;
        else if (pattern.starts_with("PrintHistory-"))
            expected = 100;
        else if (pattern.starts_with("Print-ColorChange"))
            expected = 300;
        else if (pattern.find("Subline") != std::string::npos)
            expected = 50;
        else if (pattern.starts_with("Print-"))
            expected = 10;
        EXPECT_EQ(uses[pattern], expected) << pattern;
    }
}

TEST(SetDataKeys, SetTextSectionsAndKeys) {
    std::map<std::string, std::pair<std::string, std::string>> where;
    for (const SettingRecord& record : CSetData().Records())
        where[record.key] = {record.section, record.profileKey};
    using Where = std::pair<std::string, std::string>;
    EXPECT_EQ(where["WindowPlacementNormalPositionTop"],
              Where("General", "WindowPlacementNormalPositionTop"));
    EXPECT_EQ(where["Zoom11"], Where("General", "Zoom11"));
    EXPECT_EQ(where["CairnPassword"], Where("General", "CairnPassword"));
    EXPECT_EQ(where["MouseWheelReverse"], Where("Set", "MouseWheelReverse"));
    EXPECT_EQ(where["MemoryMapMax"], Where("Set", "MemoryMapMax"));
    EXPECT_EQ(where["StartupVersionCheck"], Where("Set", "StartupVersionCheck"));
    EXPECT_EQ(where["SelectFileout"], Where("Print", "SelectFileout"));
    EXPECT_EQ(where["Print-Name2"], Where("Print", "Name2"));
    EXPECT_EQ(where["Print-ColorChange3-Name12"], Where("Print", "ColorChange3-Name12"));
    EXPECT_EQ(where["Print-PrintLatitudeLineSubline0-Length4"],
              Where("Print", "PrintLatitudeLineSubline0-Length4"));
    EXPECT_EQ(where["PrintHistory-NoDelete7"], Where("PrintHistory", "NoDelete7"));

    // General holds exactly the placement, view, print, file-out and account keys.
    int general = 0, set = 0;
    for (const auto& [key, place] : where) {
        general += place.first == "General";
        set += place.first == "Set";
    }
    EXPECT_EQ(general, 10 + 1 + 2 + 12 + 4 + 2 + 2 + 2);
    EXPECT_EQ(set, 12);
}

TEST(SetDataKeys, DefaultFieldsOfAFirstStart) {
    CSetData store;
    EXPECT_EQ(store.m_center, kDefaultCenter);
    EXPECT_EQ(store.m_center.lon, 49943139);
    EXPECT_EQ(store.m_center.lat, 12730626);
    EXPECT_EQ(store.m_zoom[5], 1.0);
    EXPECT_TRUE(store.m_displayCenterCross);
    const OutputSetting& layout = store.m_outputSettings[9];
    EXPECT_EQ(layout.reduction, 25000);
    EXPECT_EQ(layout.mapLevel, 17);
    EXPECT_EQ(layout.magneticNorth.color, MakeColorref(255, 0, 0));
    EXPECT_EQ(layout.longitude.color, MakeColorref(0, 0, 255));
    EXPECT_EQ(layout.latitude.interval, 60);
    EXPECT_EQ(layout.horizontalDistance.sublines[4].length, kSublineFullLength);
    EXPECT_EQ(store.m_printHistory[99].latitude, 12730626);
}

// --- Loading set.dat ------------------------------------------------------------------------

TEST(SetDataLoad, NoFilesGiveTheDefaultsAndTheFirstSaveWritesEveryRecord) {
    TempDir dir;
    CSetData store;
    store.m_mapType = 7;  // loading replaces what was there
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(KeyValues(store), KeyValues(CSetData()));
    EXPECT_EQ(store.m_center, GeoPoint({12730626, 49943139}));
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat"));  // loading writes nothing

    ASSERT_TRUE(store.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.dat"), SetDatBytes(KeyValues(CSetData())));
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat_temp_"));
}

TEST(SetDataLoad, EmptyFileGivesDefaultsButTwoFlagsReadFalse) {
    TempDir dir;
    WriteFile(dir / "set.dat", "");
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_FALSE(store.m_displayCenterCross);
    for (const OutputSetting& layout : store.m_outputSettings) {
        EXPECT_FALSE(layout.longitude.digitPositionFirst);
        EXPECT_TRUE(layout.latitude.digitPositionFirst);
        EXPECT_TRUE(layout.verticalDistance.digitPositionFirst);
    }
    // Everything else is at its default.
    const auto loaded = KeyValues(store);
    const auto defaults = KeyValues(CSetData());
    int differences = 0;
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (loaded[i] == defaults[i]) continue;
        ++differences;
        EXPECT_TRUE(loaded[i].first == "DisplayCenterCross" ||
                    Pattern(loaded[i].first) == "Print-PrintLongitudeLineDigitPositionUp%d")
            << loaded[i].first;
        EXPECT_EQ(loaded[i].second, "false");
    }
    EXPECT_EQ(differences, 11);

    // Stored, the two flags keep their values.
    WriteFile(dir / "set.dat", SetDatBytes({{"DisplayCenterCross", "true"},
                                            {"Print-PrintLongitudeLineDigitPositionUp4", "TRUE"}}));
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_TRUE(store.m_displayCenterCross);
    EXPECT_TRUE(store.m_outputSettings[4].longitude.digitPositionFirst);
    EXPECT_FALSE(store.m_outputSettings[5].longitude.digitPositionFirst);
}

TEST(SetDataLoad, ValueConversions) {
    TempDir dir;
    WriteFile(dir / "set.dat", SetDatBytes({
                                   {"MouseWheelReverse", "TRUE"},
                                   {"MouseWheelNoMove", "True"},
                                   {"MouseWheelInvalidity", "tRuE"},
                                   {"DisplayPrintRange", "1"},
                                   {"DisplayFileoutRange", "yes"},
                                   {"CairnStartupDownload", "true "},
                                   {"CairnSpotDisplay", ""},
                                   {"Zoom3", "1.5"},
                                   {"Zoom4", " 2.0e0x"},
                                   {"Zoom5", "abc"},
                                   {"Zoom6", "+0.4"},
                                   {"Zoom7", "-.5"},
                                   {"MapType", "12abc"},
                                   {"MemoryMapMax", "  -7 8"},
                                   {"FileoutRange", "abc"},
                                   {"FileoutLongitude", ""},
                                   {"FileoutLatitude", "+42"},
                                   {"WindowPlacementFlags", "99999999999"},
                                   {"WindowPlacementShowCmd", "-99999999999"},
                                   {"Print-ColorChange0-BeforeColor0", "16711680"},
                                   {"Print-ColorChange0-AfterColor0", "-1"},
                                   {"Print-PrintLongitudeLineColor1", "4294967295"},
                                   {"FileoutName", " blanks kept 地図 "},
                               }));
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_TRUE(store.m_mouseWheelReverse);
    EXPECT_TRUE(store.m_mouseWheelNoMove);
    EXPECT_TRUE(store.m_mouseWheelInvalidity);
    EXPECT_FALSE(store.m_displayPrintRange);
    EXPECT_FALSE(store.m_displayFileoutRange);
    EXPECT_FALSE(store.m_cairnStartupDownload);
    EXPECT_FALSE(store.m_cairnSpotDisplay);
    EXPECT_EQ(store.m_zoom[3], 1.5);
    EXPECT_EQ(store.m_zoom[4], 2.0);
    EXPECT_EQ(store.m_zoom[5], 0.0);
    EXPECT_DOUBLE_EQ(store.m_zoom[6], 0.4);
    EXPECT_EQ(store.m_zoom[7], -0.5);
    EXPECT_EQ(store.m_mapType, 12);
    EXPECT_EQ(store.m_memoryMapMax, -7);
    EXPECT_EQ(store.m_fileoutRange, 0);
    EXPECT_EQ(store.m_fileoutLongitude, 0);
    EXPECT_EQ(store.m_fileoutLatitude, 42);
    EXPECT_EQ(store.m_windowPlacement.flags, 2147483647);
    EXPECT_EQ(store.m_windowPlacement.showCmd, -2147483647 - 1);
    const ColorChange& change = store.m_outputSettings[0].colorChanges[0];
    EXPECT_EQ(change.beforeColor, MakeColorref(0, 0, 255));
    EXPECT_EQ(change.afterColor, 0xFFFFFFFFu);
    EXPECT_EQ(store.m_outputSettings[1].longitude.color, 0x7FFFFFFFu);
    EXPECT_EQ(store.m_fileoutName, " blanks kept 地図 ");

    // Written back in the store's own forms; a stored colour text comes back as it was.
    EXPECT_EQ(Value(store, "Zoom7"), "-0.5");
    EXPECT_EQ(Value(store, "Zoom6"), "0.4");
    EXPECT_EQ(Value(store, "MouseWheelNoMove"), "true");
    EXPECT_EQ(Value(store, "Print-ColorChange0-AfterColor0"), "-1");
    EXPECT_EQ(Value(store, "Print-ColorChange0-BeforeColor0"), "16711680");
}

TEST(SetDataLoad, RepeatedKeysUnknownKeysAndAnyOrder) {
    TempDir dir;
    WriteFile(dir / "set.dat", SetDatBytes({
                                   {"PrintHistory-Name99", "last entry"},
                                   {"MapType", "3"},
                                   {"NoSuchKey", "x"},
                                   {"", "a record with an empty key"},
                                   {"maptype", "9"},  // keys are case-sensitive
                                   {"Print-Name2", "first"},
                                   {"MapType", "5"},
                                   {"Print-Name2", ""},
                               }));
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(store.m_mapType, 5);
    EXPECT_EQ(store.m_printHistory[99].name, "last entry");
    EXPECT_EQ(store.m_outputSettings[2].name, "");
    std::string value;
    EXPECT_FALSE(store.GetValue("NoSuchKey", &value));
    EXPECT_FALSE(store.GetValue("maptype", &value));
}

TEST(SetDataLoad, SetDatThatIsNotAFileFallsBackToSetTxt) {
    TempDir dir;
    std::filesystem::create_directory(dir / "set.dat");
    WriteFile(dir / "set.txt", "[General]\nMapType=4\n");
    CSetData store;
    ASSERT_TRUE(store.Load(dir.path()));
    EXPECT_EQ(store.m_mapType, 4);
}

// The file a store with every field changed saves: its records, where each ends in the file,
// and what each reads as when set.dat lacks it.
struct SavedFile {
    std::string bytes;
    std::vector<std::pair<std::string, std::string>> records;
    std::vector<std::size_t> ends;
    std::vector<std::string> missing;
};

SavedFile SaveDifferingStore(const std::filesystem::path& folder) {
    SavedFile saved;
    CSetData store = DifferingStore();
    EXPECT_TRUE(store.Save(folder));
    saved.bytes = ReadFile(folder / "set.dat");
    saved.records = KeyValues(store);
    std::size_t offset = 0;
    for (const auto& [key, value] : saved.records) {
        offset += key.size() + value.size() + 2;
        saved.ends.push_back(offset);
    }
    EXPECT_EQ(offset, saved.bytes.size());
    for (const auto& [key, value] : KeyValues(CSetData())) {
        const bool readsFalse = key == "DisplayCenterCross" ||
                                Pattern(key) == "Print-PrintLongitudeLineDigitPositionUp%d";
        saved.missing.push_back(readsFalse ? "false" : value);
    }
    return saved;
}

// Loads set.dat cut after `cut` bytes: every record that ends at or before the cut keeps its
// value, the record the cut falls in and all after it read as missing.
void ExpectCutFileLoads(const std::filesystem::path& folder, const SavedFile& saved,
                        std::size_t cut) {
    WriteFile(folder / "set.dat", saved.bytes.substr(0, cut));
    CSetData store;
    ASSERT_TRUE(store.Load(folder)) << cut;
    const std::vector<SettingRecord> loaded = store.Records();
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const std::string& expected =
            saved.ends[i] <= cut ? saved.records[i].second : saved.missing[i];
        if (loaded[i].value != expected) {
            ADD_FAILURE() << "cut at " << cut << ": " << loaded[i].key << "=" << loaded[i].value
                          << ", expected " << expected;
            return;
        }
    }
}

TEST(SetDataLoad, FileCutAtAnyOffsetLoadsTheWholeRecordsBeforeTheCut) {
    TempDir dir;
    const SavedFile saved = SaveDifferingStore(dir.path());
    // Every offset through the top-level records and the first of layout 0 (integers, reals,
    // flags and text, empty and not), every offset of the last records, and around the end of
    // every 50th record in between.
    std::set<std::size_t> cuts;
    for (std::size_t cut = 0; cut <= saved.ends[52]; ++cut)
        cuts.insert(cut);
    for (std::size_t cut = saved.ends[saved.ends.size() - 5]; cut <= saved.bytes.size(); ++cut)
        cuts.insert(cut);
    for (std::size_t i = 0; i < saved.ends.size(); i += 50)
        for (std::size_t cut : {saved.ends[i] - 1, saved.ends[i], saved.ends[i] + 1})
            cuts.insert(std::min(cut, saved.bytes.size()));
    for (std::size_t cut : cuts) {
        ExpectCutFileLoads(dir.path(), saved, cut);
        if (::testing::Test::HasFailure()) break;
    }
}

// --- Saving ---------------------------------------------------------------------------------

TEST(SetDataSave, EveryFieldDifferingFromItsDefaultRoundTrips) {
    TempDir dir;
    CSetData store;
    const std::vector<SettingRecord> defaults = store.Records();
    store = DifferingStore();
    const auto changed = KeyValues(store);
    // Each key reaches its own field and keeps the text it was given.
    for (std::size_t i = 0; i < changed.size(); ++i)
        ASSERT_EQ(changed[i].second, DifferingValue(defaults[i], i)) << changed[i].first;

    ASSERT_TRUE(store.Save(dir.path()));
    EXPECT_EQ(ReadFile(dir / "set.dat"), SetDatBytes(changed));

    CSetData loaded;
    ASSERT_TRUE(loaded.Load(dir.path()));
    EXPECT_EQ(KeyValues(loaded), changed);

    // The keys name the fields they should.
    auto differing = [&](const std::string& key) {
        for (std::size_t i = 0; i < defaults.size(); ++i)
            if (defaults[i].key == key) return DifferingValue(defaults[i], i);
        ADD_FAILURE() << key;
        return std::string();
    };
    auto integer = [&](const std::string& key) { return std::stoll(differing(key)); };
    EXPECT_EQ(loaded.m_windowPlacement.normalBottom,
              integer("WindowPlacementNormalPositionBottom"));
    EXPECT_EQ(loaded.m_center.lon, integer("CenterLongitude"));
    EXPECT_EQ(loaded.m_fileoutCenter.lat, integer("FileoutCenterLatitude"));
    EXPECT_EQ(loaded.m_zoom[11], std::stod(differing("Zoom11")));
    EXPECT_EQ(loaded.m_cairnPassword, differing("CairnPassword"));
    EXPECT_EQ(loaded.m_selectScreen, integer("SelectScreen"));
    const OutputSetting& layout = loaded.m_outputSettings[3];
    EXPECT_EQ(layout.colorChanges[12].name, differing("Print-ColorChange3-Name12"));
    EXPECT_EQ(static_cast<int32_t>(layout.colorChanges[29].afterColor),
              integer("Print-ColorChange3-AfterColor29"));
    EXPECT_EQ(layout.magneticNorth.calc, integer("Print-PrintMagneticNorthLineCalc3"));
    EXPECT_FALSE(layout.longitude.digitPositionFirst);  // DigitPositionUp
    EXPECT_TRUE(layout.latitude.digitPositionSecond);   // DigitPositionRight
    EXPECT_EQ(layout.latitude.sublines[0].length,
              integer("Print-PrintLatitudeLineSubline3-Length0"));
    EXPECT_EQ(loaded.m_outputSettings[9].horizontalDistance.sublines[4].alphablend,
              integer("Print-PrintHorizontalDistanceLineSubline9-Alphablend4"));
    EXPECT_EQ(loaded.m_printHistory[99].latitude, integer("PrintHistory-Latitude99"));
    EXPECT_TRUE(loaded.m_printHistory[42].keep);
}

TEST(SetDataSave, TextIsWrittenUpToAZeroByteSoLaterRecordsStayInPlace) {
    TempDir dir;
    CSetData store;
    store.m_fileoutName = std::string("before\0after", 12);
    store.m_fileoutRange = 3;
    ASSERT_TRUE(store.Save(dir.path()));
    CSetData loaded;
    ASSERT_TRUE(loaded.Load(dir.path()));
    EXPECT_EQ(loaded.m_fileoutName, "before");
    EXPECT_EQ(loaded.m_fileoutRange, 3);
    EXPECT_EQ(KeyValues(loaded).size(), CSetData::kRecordCount);
}

TEST(SetDataSave, FileIsReadableByItsOwnerOnly) {
    TempDir dir;
    // A stale temporary file, readable by all, from an earlier run.
    WriteFile(dir / "set.dat_temp_", "stale");
    std::filesystem::permissions(dir / "set.dat_temp_", std::filesystem::perms(0644));
    CSetData store;
    store.m_cairnPassword = "secret";
    ASSERT_TRUE(store.Save(dir.path()));
    struct stat status;
    ASSERT_EQ(::stat((dir / "set.dat").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat_temp_"));
    EXPECT_NE(ReadFile(dir / "set.dat").find(std::string("CairnPassword\0secret\0", 21)),
              std::string::npos);
}

// Saves an old store, then tries to save a new one under `breakSave`; the old set.dat must
// survive whole and no temporary file may be left.
template <class Break>
void ExpectFailedSaveKeepsOldFile(Break breakSave) {
    TempDir dir;
    CSetData old;
    old.m_fileoutName = "old";
    ASSERT_TRUE(old.Save(dir.path()));
    const std::string oldBytes = ReadFile(dir / "set.dat");

    CSetData changed = DifferingStore();
    EXPECT_FALSE(breakSave(dir, changed));
    EXPECT_EQ(ReadFile(dir / "set.dat"), oldBytes);
    CSetData loaded;
    ASSERT_TRUE(loaded.Load(dir.path()));
    EXPECT_EQ(loaded.m_fileoutName, "old");
}

TEST(SetDataSave, TemporaryFileThatCannotBeCreatedKeepsTheOldFile) {
    ExpectFailedSaveKeepsOldFile([](const TempDir& dir, CSetData& store) {
        std::filesystem::create_directory(dir / "set.dat_temp_");
        return store.Save(dir.path());
    });
}

TEST(SetDataSave, DiskFullWhileWritingKeepsTheOldFile) {
    // A file size limit makes the writes fail part way, as a full disk would.
    ExpectFailedSaveKeepsOldFile([](const TempDir& dir, CSetData& store) {
        struct rlimit saved;
        ::getrlimit(RLIMIT_FSIZE, &saved);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        bool ok = store.Save(dir.path());
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(std::filesystem::exists(dir / "set.dat_temp_"));
        return ok;
    });
}

TEST(SetDataSave, MissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(CSetData().Save(dir / "missing"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace hfp::test
