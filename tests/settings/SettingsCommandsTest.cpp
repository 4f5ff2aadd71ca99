#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "settings/SetData.h"
#include "settings/SettingsTestData.h"

namespace hfp::test {
namespace {

ProcessResult Settings(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", dir.path().string(), "settings"});
    return RunProcess(BuiltProgram("hfp"), args);
}

// dump prints every record in write order and reads only; set changes one value, reads it as
// the store does and writes the whole file; get answers one.
TEST(HfpSettings, DumpReadsOnlySetSavesGetAnswers) {
    TempDir dir;
    ProcessResult r = Settings(dir, {"dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "set.dat"));
    CSetData store = DifferingStore();
    ASSERT_TRUE(store.Save(dir.path()));
    r = Settings(dir, {"dump"});
    std::string lines;
    for (const auto& [key, value] : KeyValues(store))
        lines += key + "=" + value + "\n";
    EXPECT_EQ(r.out, lines);

    r = Settings(dir, {"set", "MapType", "10abc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "MapType=10\n");
    r = Settings(dir, {"get", "MapType"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "10\n");
    store.m_mapType = 10;
    EXPECT_EQ(ReadFile(dir / "set.dat"), SetDatBytes(KeyValues(store)));
}

// Unknown keys exit 1 naming the key, a save that fails 1 saying so (the old file stays, as
// every atomic replace keeps it), wrong arguments 2 with the usage; none writes.
TEST(HfpSettings, UnknownKeysFailedSavesAndWrongArgumentsAreErrors) {
    TempDir dir;
    std::filesystem::create_directory(dir / "set.dat_temp_");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"get", "maptype"}, 1, "unknown settings key maptype"},
        {{"get", "Print-Name10"}, 1, "unknown settings key Print-Name10"},
        {{"set", "PrintHistory-Name100", "x"}, 1, "unknown settings key PrintHistory-Name100"},
        {{"set", "MapType", "4"}, 1, "cannot save"},
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

}  // namespace
}  // namespace hfp::test
