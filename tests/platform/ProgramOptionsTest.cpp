#include "platform/ProgramOptions.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/DataFolder.h"
#include "platform/Services.h"

namespace hfp {
namespace {

TEST(ProgramOptions, DataFolderAndServicesInEitherSpelling) {
    const std::vector<std::string> words = {"--data-dir", "/tmp/hfp-options-a",
                                            "--services=http://127.0.0.1:8123/", "--help"};
    std::size_t i = 0;
    std::string error;
    ASSERT_TRUE(TakeProgramOption(words, &i, &error));
    ASSERT_TRUE(TakeProgramOption(words, &i, &error));
    EXPECT_FALSE(TakeProgramOption(words, &i, &error));  // other words are left
    EXPECT_EQ(i, 3u);
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(DataFolder(), std::filesystem::path("/tmp/hfp-options-a"));
    for (Service s : AllServices())
        EXPECT_EQ(ServiceHost(s), "127.0.0.1:8123") << ServiceName(s);
    SetDataFolderOverride({});
    std::filesystem::remove_all("/tmp/hfp-options-a");

    i = 0;
    EXPECT_FALSE(TakeProgramOption({"--services="}, &i, &error));
    EXPECT_NE(error.find("needs a value"), std::string::npos) << error;

    ::setenv("HFP_SERVICES", "localhost:9000", 1);
    ::setenv("HFP_SERVICE_SESSION_FALLBACK2", "http://fallback.test:81", 1);
    ApplyServiceEnvironment();
    ::unsetenv("HFP_SERVICES");
    ::unsetenv("HFP_SERVICE_SESSION_FALLBACK2");
    EXPECT_EQ(ServiceHost(Service::Tiles), "localhost:9000");
    EXPECT_EQ(ServiceHost(Service::SessionFallback2), "fallback.test:81");
    ResetServiceHosts();
    EXPECT_EQ(ServiceHost(Service::Tiles), "cyberjapandata.gsi.go.jp");
}

}  // namespace
}  // namespace hfp
