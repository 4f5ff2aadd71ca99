#include "platform/ProfileReader.h"

#include <gtest/gtest.h>

#include "common/TempDir.h"

namespace hfp {
namespace {

TEST(ProfileReader, FirstMatchWinsValuesAreTrimmedAndCut) {
    test::TempDir dir;
    const std::string exact(1023, 'x');
    test::WriteFile(dir / "set.txt",
                    "\xEF\xBB\xBF"
                    "orphan=before any section\n"
                    "[Alpha]\n"
                    "Key=one\r\n"
                    "key=two\n"
                    "; comment=1\n"
                    "\t key with blanks \t=\t value with blanks \t\n"
                    "equals=a=b\n"
                    "unmatched=\"quoted'\n"
                    "long=" +
                        exact +
                        "zzz\n"
                        "utf8=" +
                        std::string(1022, 'y') +
                        "名tail\n"
                        "[ALPHA]\n"
                        "Other=five\n"
                        "[Unclosed\n"
                        "k=v");
    ProfileReader profile(dir / "set.txt");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    };
    for (const Case& c : std::vector<Case>{
             {"alpha", "KEY", "one"},
             {"Alpha", "other", "five"},
             {"", "orphan", std::nullopt},
             {"Alpha", "comment", std::nullopt},
             {"Alpha", "KEY WITH BLANKS", "value with blanks"},
             {"Alpha", "equals", "a=b"},
             {"Alpha", "unmatched", "\"quoted'"},
             {"Alpha", "long", exact},
             {"Alpha", "utf8", std::string(1022, 'y')},  // no half character at the cut
             {"Unclosed", "k", "v"},
         })
        EXPECT_EQ(profile.Find(c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(profile.GetString("Alpha", "Absent", "fallback"), "fallback");
    std::filesystem::create_directory(dir / "folder.ini");
    EXPECT_EQ(ProfileReader(dir / "folder.ini").Find("Alpha", "Key"), std::nullopt);
}

}  // namespace
}  // namespace hfp
