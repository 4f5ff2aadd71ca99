// One map editor at a time: a second start ends at once and without a word.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QTest>
#include <filesystem>
#include <optional>

#include "app/HollowfernPlotterApp.h"
#include "app/MainFrame.h"
#include "common/DevServer.h"
#include "common/TempDir.h"
#include "platform/DataFolder.h"
#include "platform/Services.h"

namespace hfp::test {
namespace {

// Runtime, data and configuration folders of the test's own; every service on hfp-devserver.
class InstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_oldRuntime = old;
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
        SetDataFolderOverride(m_data.path());
        PointAllServicesAt(m_server.baseUrl());
    }
    void TearDown() override {
        if (m_oldRuntime)
            ::setenv("XDG_RUNTIME_DIR", m_oldRuntime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        SetDataFolderOverride({});
        ResetServiceHosts();
    }

    std::vector<std::string> Environment() const {
        return {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + m_runtime.path().string(),
                "XDG_CONFIG_HOME=" + (m_data / "config").string(),
                "HFP_DATA_DIR=" + m_data.path().string(), "HFP_SERVICES=" + m_server.baseUrl()};
    }
    // True once the running program has asked for its first tiles: it is past its start.
    bool WaitForTileRequests() {
        return QTest::qWaitFor([&] { return m_server.TotalRequests() > 0; }, 60000);
    }

    TempDir m_runtime;
    TempDir m_data;
    DevServer m_server;
    std::optional<std::string> m_oldRuntime;
};

TEST_F(InstanceTest, WithoutItsLockFileTheProgramStillRuns) {
    // A folder where the lock file should be: the lock cannot be taken by anybody.
    std::filesystem::create_directory(m_runtime / "HollowfernPlotter.lock");
    CHollowfernPlotterApp app;
    EXPECT_TRUE(app.InitInstance());
    EXPECT_NE(app.frame(), nullptr);
}

TEST_F(InstanceTest, TheProgramRunsOnceAtATime) {
    const std::string program = BuiltProgram("HollowfernPlotter");
    TempDir other;
    // The first takes its folder and services from its command line.
    ChildProcess first(program,
                       {"--data-dir", other.path().string(), "--services", m_server.baseUrl()},
                       Environment());
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(WaitForTileRequests());
    // Its tiles go to the folder it was given.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return std::filesystem::is_directory(other / "map" / "xyz7"); }));

    ProcessResult second = RunProcess(program, {}, Environment());
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "");
    EXPECT_TRUE(first.Running());
    first.Stop();

    // Once the first has gone, the program starts again.
    m_server.ResetStats();
    ChildProcess third(program, {}, Environment());
    ASSERT_TRUE(WaitForTileRequests());
    EXPECT_TRUE(third.Running());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return std::filesystem::is_directory(m_data / "map" / "xyz7"); }));
}

TEST_F(InstanceTest, WrongArgumentsPrintTheUsage) {
    const std::string program = BuiltProgram("HollowfernPlotter");
    ProcessResult help = RunProcess(program, {"--help"}, {"QT_QPA_PLATFORM=nonexistent"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: HollowfernPlotter [--data-dir DIR] [--services URL]"),
              std::string::npos);
    ProcessResult r = RunProcess(program, {"stray"}, Environment());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("usage: HollowfernPlotter"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace hfp::test
