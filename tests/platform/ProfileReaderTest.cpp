#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "platform/ProfileReader.h"

namespace hfp {
namespace {

using test::TempDir;
using test::WriteFile;

ProfileReader Read(const TempDir& dir, const std::string& text) {
    WriteFile(dir / "profile.ini", text);
    return ProfileReader(dir / "profile.ini");
}

TEST(ProfileReader, SectionsKeysAndCase) {
    TempDir dir;
    ProfileReader profile = Read(dir,
                                 "\xEF\xBB\xBF"
                                 "orphan=before any section\n"
                                 "[Alpha]\n"
                                 "Key=one\n"
                                 "key=two\n"
                                 "[Beta]\n"
                                 "Key=three\n"
                                 "[ALPHA]\n"
                                 "KEY=four\n"
                                 "Other=five\n");
    EXPECT_EQ(profile.Find("alpha", "KEY"), "one");
    EXPECT_EQ(profile.Find("Alpha", "other"), "five");
    EXPECT_EQ(profile.Find("BETA", "key"), "three");
    EXPECT_EQ(profile.Find("Beta", "Other"), std::nullopt);
    EXPECT_EQ(profile.Find("Gamma", "Key"), std::nullopt);
    EXPECT_EQ(profile.Find("", "orphan"), std::nullopt);
}

TEST(ProfileReader, BlanksCommentsAndOddLines) {
    TempDir dir;
    ProfileReader profile = Read(dir,
                                 "  [  Spaced Section ]  trailing\r\n"
                                 "; comment=1\r\n"
                                 "  # hash=2\r\n"
                                 "\r\n"
                                 "\t key with blanks \t=\t value with blanks \t\r\n"
                                 "empty=\r\n"
                                 "no equals sign\r\n"
                                 "=no key\r\n"
                                 "equals=a=b\r\n"
                                 "double=\"  quoted  \"\r\n"
                                 "single=' quoted '\r\n"
                                 "unmatched=\"quoted'\r\n"
                                 "lone=\"\r\n"
                                 "[Unclosed\n"
                                 "k=v");
    EXPECT_EQ(profile.Find("spaced section", "KEY WITH BLANKS"), "value with blanks");
    EXPECT_EQ(profile.Find("Spaced Section", "empty"), "");
    EXPECT_EQ(profile.Find("Spaced Section", "; comment"), std::nullopt);
    EXPECT_EQ(profile.Find("Spaced Section", "comment"), std::nullopt);
    EXPECT_EQ(profile.Find("Spaced Section", "# hash"), std::nullopt);
    EXPECT_EQ(profile.Find("Spaced Section", "no equals sign"), std::nullopt);
    EXPECT_EQ(profile.Find("Spaced Section", ""), "no key");
    EXPECT_EQ(profile.Find("Spaced Section", "equals"), "a=b");
    EXPECT_EQ(profile.Find("Spaced Section", "double"), "  quoted  ");
    EXPECT_EQ(profile.Find("Spaced Section", "single"), " quoted ");
    EXPECT_EQ(profile.Find("Spaced Section", "unmatched"), "\"quoted'");
    EXPECT_EQ(profile.Find("Spaced Section", "lone"), "\"");
    EXPECT_EQ(profile.Find("Unclosed", "k"), "v");
}

TEST(ProfileReader, LongValuesAreCut) {
    TempDir dir;
    const std::string exact(1023, 'x');
    // A three-byte character that would straddle the cut is left out whole.
    const std::string straddling = std::string(1022, 'y') + "名" + "tail";
    ProfileReader profile = Read(
        dir, "[S]\nexact=" + exact + "\nlong=" + exact + "zzz\n" + "utf8=" + straddling + "\n");
    EXPECT_EQ(profile.Find("S", "exact"), exact);
    EXPECT_EQ(profile.Find("S", "long"), exact);
    EXPECT_EQ(profile.Find("S", "utf8"), std::string(1022, 'y'));
}

TEST(ProfileReader, MissingFileAndFallbacks) {
    TempDir dir;
    ProfileReader missing(dir / "absent.ini");
    EXPECT_EQ(missing.Find("General", "MapType"), std::nullopt);
    EXPECT_EQ(missing.GetString("General", "MapType", "0"), "0");

    ProfileReader profile = Read(dir, "[General]\nMapType=5\nEmpty=\n");
    EXPECT_EQ(profile.GetString("general", "maptype", "0"), "5");
    EXPECT_EQ(profile.GetString("General", "Empty", "fallback"), "");
    EXPECT_EQ(profile.GetString("General", "Absent", "fallback"), "fallback");

    // A folder in the file's place reads as no file.
    std::filesystem::create_directory(dir / "folder.ini");
    EXPECT_EQ(ProfileReader(dir / "folder.ini").Find("General", "MapType"), std::nullopt);
}

}  // namespace
}  // namespace hfp
