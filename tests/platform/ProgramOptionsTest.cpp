#include "platform/ProgramOptions.h"

#include <gtest/gtest.h>

#include "platform/DataFolder.h"
#include "platform/Services.h"

namespace hfp {
namespace {

class ProgramOptionsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        SetDataFolderOverride({});
        ResetServiceHosts();
    }
};

TEST_F(ProgramOptionsTest, TakesBothOptionsInEitherSpelling) {
    const std::vector<std::string> words = {"--data-dir", "/tmp/hfp-options-a",
                                            "--services=http://127.0.0.1:8123", "rest"};
    std::size_t i = 0;
    std::string error;
    ASSERT_TRUE(TakeProgramOption(words, &i, &error));
    EXPECT_EQ(i, 2u);
    ASSERT_TRUE(TakeProgramOption(words, &i, &error));
    EXPECT_EQ(i, 3u);
    EXPECT_FALSE(TakeProgramOption(words, &i, &error));
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(i, 3u);
    EXPECT_EQ(DataFolder(), std::filesystem::path("/tmp/hfp-options-a"));
    for (Service s : AllServices())
        EXPECT_EQ(ServiceHost(s), "127.0.0.1:8123") << ServiceName(s);
    std::filesystem::remove_all("/tmp/hfp-options-a");
}

TEST_F(ProgramOptionsTest, AnOptionWithoutItsValueIsAnError) {
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"--data-dir"}, {"--services"}, {"--services="}, {"--data-dir="}}) {
        std::size_t i = 0;
        std::string error;
        EXPECT_FALSE(TakeProgramOption(words, &i, &error)) << words[0];
        EXPECT_EQ(i, 0u);
        EXPECT_NE(error.find("needs a value"), std::string::npos) << words[0];
    }
}

TEST_F(ProgramOptionsTest, OtherWordsAreLeft) {
    for (const char* word : {"--data-directory", "--servicesx", "export", "--help"}) {
        std::vector<std::string> words = {word, "value"};
        std::size_t i = 0;
        std::string error;
        EXPECT_FALSE(TakeProgramOption(words, &i, &error)) << word;
        EXPECT_TRUE(error.empty()) << word;
        EXPECT_EQ(i, 0u);
    }
}

}  // namespace
}  // namespace hfp
