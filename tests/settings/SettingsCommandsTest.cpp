#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "common/TempDir.h"
#include "settings/SetData.h"
#include "settings/SettingsTestData.h"

namespace hfp::test {
namespace {

ProcessResult Settings(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", dir.path().string(), "settings"});
    return RunProcess(BuiltProgram("hfp"), args);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> DumpLines(const CSetData& store) {
    std::vector<std::string> lines;
    for (const auto& [key, value] : KeyValues(store))
        lines.push_back(key + "=" + value);
    return lines;
}

TEST(HfpSettings, DumpPrintsEveryRecordInWriteOrder) {
    TempDir dir;
    ProcessResult r = Settings(dir, {"dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3350u);
    EXPECT_EQ(lines.front(), "WindowPlacementFlags=0");
    EXPECT_EQ(lines[11], "CenterLongitude=49943139");
    EXPECT_EQ(lines[16], "Zoom3=1.0");
    EXPECT_EQ(lines.back(), "PrintHistory-Latitude99=12730626");
    EXPECT_EQ(lines, DumpLines(CSetData()));
    // Dumping reads only.
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat"));

    // A store whose every value differs, from set.dat.
    CSetData store = DifferingStore();
    ASSERT_TRUE(store.Save(dir.path()));
    r = Settings(dir, {"dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out), DumpLines(store));
}

TEST(HfpSettings, DumpAndGetFallBackToSetTxt) {
    TempDir dir;
    WriteFile(dir / "set.txt", "[Print]\nName2=Hiking map\n[Set]\nMemoryMapMax=800\n");
    ProcessResult r = Settings(dir, {"dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\nPrint-Name2=Hiking map\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nMemoryMapMax=800\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nDisplayCenterCross=true\n"), std::string::npos);

    r = Settings(dir, {"get", "Print-Name2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Hiking map\n");
}

TEST(HfpSettings, SetChangesOneValueAndSaves) {
    TempDir dir;
    ProcessResult r = Settings(dir, {"set", "MapType", "10abc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "MapType=10\n");
    struct stat status;
    ASSERT_EQ(::stat((dir / "set.dat").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    r = Settings(dir, {"set", "Print-ColorChange3-Name12", "Contour line 等高線"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Settings(dir, {"set", "Zoom3", "1.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Settings(dir, {"set", "CenterLatitude", "-12"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Settings(dir, {"set", "MouseWheelReverse", "TRUE"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "MouseWheelReverse=true\n");

    r = Settings(dir, {"get", "MapType"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "10\n");
    r = Settings(dir, {"get", "Zoom3"});
    EXPECT_EQ(r.out, "1.5\n");

    // Every other value stays at its default, and the file is complete.
    CSetData expected;
    expected.m_mapType = 10;
    expected.m_outputSettings[3].colorChanges[12].name = "Contour line 等高線";
    expected.m_zoom[3] = 1.5;
    expected.m_center.lat = -12;
    expected.m_mouseWheelReverse = true;
    EXPECT_EQ(ReadFile(dir / "set.dat"), SetDatBytes(KeyValues(expected)));
}

TEST(HfpSettings, UnknownKeysAreErrors) {
    TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"get", "NoSuchKey"},
             {"get", "maptype"},
             {"get", "Print-Name10"},
             {"get", "Name2"},
             {"set", "NoSuchKey", "1"},
             {"set", "PrintHistory-Name100", "x"},
         }) {
        ProcessResult r = Settings(dir, args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_NE(r.err.find("unknown settings key " + args[1]), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat"));
}

TEST(HfpSettings, WrongArgumentsPrintUsage) {
    TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"dump", "extra"},
             {"get"},
             {"get", "MapType", "extra"},
             {"set", "MapType"},
             {"set", "MapType", "1", "2"},
             {"set", "--bogus", "MapType", "1"},
         }) {
        ProcessResult r = Settings(dir, args);
        EXPECT_EQ(r.exitCode, 2) << args[0] << " " << args.size();
        EXPECT_NE(r.err.find("usage: hfp settings " + args[0]), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat"));
}

TEST(HfpSettings, FailedSaveIsReportedAndKeepsTheOldFile) {
    TempDir dir;
    ASSERT_EQ(Settings(dir, {"set", "MapType", "3"}).exitCode, 0);
    const std::string before = ReadFile(dir / "set.dat");
    std::filesystem::create_directory(dir / "set.dat_temp_");
    ProcessResult r = Settings(dir, {"set", "MapType", "4"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot save"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "set.dat"), before);
    EXPECT_EQ(Settings(dir, {"get", "MapType"}).out, "3\n");
}

}  // namespace
}  // namespace hfp::test
