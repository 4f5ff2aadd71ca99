#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "positions/PositionList.h"

namespace hfp::test {
namespace {

TEST(PositionList, SavingKeepsUnreadLinesWholeAndReadsShiftJisAndCrLf) {
    TempDir dir;
    const std::string longName(1500, 'n');  // past the old reader's 1022-character lines
    // 山 and 富士 in Shift-JIS, from the older program, beside UTF-8 lines.
    test::WriteFile(dir / "poslist.csv",
                    "\xEF\xBB\xBFPeaks,Summit,138435124,35214608\r\n"
                    "Peaks,two commas,138435124\r\n"
                    "\x8ER,\x95x\x8Em,138435124,35214608\r\n"
                    "\r\n"
                    "Peaks,West,121000000,35000000\n"
                    " Huts , " +
                        longName + " , 139000000 , 36000000 \n");
    CPositionList list;
    std::string error;
    ASSERT_EQ(list.Load(dir / "poslist.csv", &error), CPositionList::LoadResult::Read);
    EXPECT_EQ(list.unreadLines(), 2);
    EXPECT_EQ(list.Groups(), (std::vector<std::string>{"Peaks", "\u5C71", "Huts"}));
    const std::string expected =
        "Peaks,Summit,138435124,35214608\n"
        "Peaks,two commas,138435124\n"
        "\u5C71,\u5BCC\u58EB,138435124,35214608\n"
        "\n"
        "Peaks,West,121000000,35000000\n"
        "Huts," +
        longName + ",139000000,36000000\n";
    EXPECT_EQ(list.Text(), expected);
    ASSERT_TRUE(list.Save(dir / "poslist.csv", &error)) << error;
    EXPECT_EQ(test::ReadFile(dir / "poslist.csv"), expected);
    EXPECT_FALSE(std::filesystem::exists(dir / "poslist.csv_"));

    // A file that is there but cannot be read is never replaced by an empty list.
    std::filesystem::remove(dir / "poslist.csv");
    std::filesystem::create_directory(dir / "poslist.csv");
    EXPECT_EQ(list.Load(dir / "poslist.csv", &error), CPositionList::LoadResult::Unreadable);
    EXPECT_FALSE(list.Save(dir / "poslist.csv", &error));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "poslist.csv"));
}

TEST(PositionCommands, ExitCodesAndMessagesForScripts) {
    TempDir data;
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* err;
    } cases[] = {
        {{"add", "Peaks", "Summit", "138435124", "35214608"}, 0, ""},
        {{"add", "Peaks", "Col", "138.5", "35\u00B021'46\"08"}, 0, ""},
        {{"add", "Peaks", "Summit", "138.75", "35.5"}, 0, ""},  // updates the place
        {{"add", "Peaks", "Col, north", "138.5", "35.5"}, 1, "cannot contain a comma"},
        {{"add", " ", "Col", "138.5", "35.5"}, 1, "Input group name in the combo box."},
        {{"add", "Peaks", "Col", "121.5", "35.5"}, 1, "Longitude is out of range."},
        {{"add", "Peaks", "Col", "138.5", "north"}, 1, "Latitude is out of range."},
        {{"remove", "Peaks", "Nowhere"}, 1, "no place Nowhere in group Peaks"},
        {{"remove", "Peaks", "Col"}, 0, ""},
        {{"add", "Peaks", "Col"}, 2, "usage"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--data-dir", data.path().string(), "positions"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult r = RunProcess(BuiltProgram("hfp"), args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[2] << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args[2] << r.err;
    }
    const ProcessResult list =
        RunProcess(BuiltProgram("hfp"), {"--data-dir", data.path().string(), "positions", "list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "Peaks,Summit,138450000,35300000\n");
}

}  // namespace
}  // namespace hfp::test
