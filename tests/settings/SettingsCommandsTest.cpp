#include <gtest/gtest.h>

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

TEST(HfpSettings, SetChangesOneValueAndSaves) {
    TempDir dir;
    ProcessResult r = Settings(dir, {"set", "MapType", "10abc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "MapType=10\n");
    r = Settings(dir, {"set", "Print-ColorChange3-Name12", "Contour line 等高線"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Settings(dir, {"set", "MouseWheelReverse", "TRUE"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "MouseWheelReverse=true\n");

    r = Settings(dir, {"get", "MapType"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "10\n");

    // Every other value stays at its default, and the file is complete.
    CSetData expected;
    expected.m_mapType = 10;
    expected.m_outputSettings[3].colorChanges[12].name = "Contour line 等高線";
    expected.m_mouseWheelReverse = true;
    EXPECT_EQ(ReadFile(dir / "set.dat"), SetDatBytes(KeyValues(expected)));
}

// Unknown keys exit 1 naming the key, wrong arguments 2 with the usage; neither writes.
TEST(HfpSettings, UnknownKeysAndWrongArgumentsAreErrors) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"get", "maptype"}, 1, "unknown settings key maptype"},
        {{"get", "Print-Name10"}, 1, "unknown settings key Print-Name10"},
        {{"get", "Name2"}, 1, "unknown settings key Name2"},
        {{"set", "PrintHistory-Name100", "x"}, 1, "unknown settings key PrintHistory-Name100"},
        {{"dump", "extra"}, 2, "usage: hfp settings dump"},
        {{"get"}, 2, "usage: hfp settings get"},
        {{"set", "MapType"}, 2, "usage: hfp settings set"},
        {{"set", "--bogus", "MapType", "1"}, 2, "usage: hfp settings set"},
    };
    for (const Case& c : cases) {
        ProcessResult r = Settings(dir, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
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
}

}  // namespace
}  // namespace hfp::test
