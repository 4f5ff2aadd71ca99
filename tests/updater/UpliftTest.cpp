#include <gtest/gtest.h>
#include <unistd.h>

#include <QLabel>
#include <QTest>
#include <filesystem>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "platform/NamedMutex.h"
#include "updater/UpliftApp.h"
#include "updater/UpliftDlg.h"

namespace hfp {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int kWaitMs = 20000;

// An installation: uplift copied into a folder of its own, with an update folder served by
// hfp-devserver beside it.
struct Installation {
    TempDir root;
    fs::path folder = root / "install";
    fs::path updates = root / "updates";
    fs::path program = folder / "uplift";

    Installation() {
        fs::create_directories(folder);
        fs::create_directories(updates);
        fs::copy_file(test::BuiltProgram("uplift"), program);
    }
    void List(const std::string& text) const { test::WriteFile(updates / "list.txt", text); }
};

TEST(Uplift, RunsTheListInsideItsFolderOnlyAfterTheProgramHasEnded) {
    Installation install;
    test::DevServer server({"--update-dir", install.updates.string(), "--no-content-length"});
    test::DevServer cutting({"--update-dir", install.updates.string(), "--drop-rate", "1"});
    const std::string host = server.host();
    test::WriteFile(install.updates / "new.dat", "new contents");
    fs::create_directories(install.folder / "data");
    fs::create_directories(install.folder / "empty");
    for (const char* name : {"data/new.dat", "data/keep.dat", "data/cut.dat", "old.txt"})
        test::WriteFile(install.folder / name, "old contents");
    fs::permissions(install.folder / "data/new.dat", fs::perms::owner_all);
    test::WriteFile(install.root / "victim.txt", "outside");
    fs::create_directories(install.root / "elsewhere");
    test::WriteFile(install.root / "elsewhere/victim.txt", "outside");
    fs::create_directory_symlink(install.root / "elsewhere", install.folder / "link");
    test::WriteFile(install.folder / "started.sh", "#!/bin/sh\necho started > started.txt\n");
    fs::permissions(install.folder / "started.sh", fs::perms::owner_all);

    const std::string mutexName = "hfp-test-uplift-" + std::to_string(::getpid());
    install.List(mutexName + "\r\nstarted.sh\r\nUpdating\\nplease wait\r\n" + "get " + host +
                 " /update/new.dat data\\new.dat\n" + "get " + host +
                 " /update/missing.dat data\\keep.dat\n" + "get " + cutting.host() +
                 " /update/new.dat data\\cut.dat\n" +
                 "// rm old.txt\nMKDIR data2\nRmDir empty\nrm\n" + "get " + host +
                 " /update/new.dat ..\\victim.txt\n" + "rm " +
                 (install.root / "victim.txt").string() + "\n" +
                 "rm link\\victim.txt\nrm data/../../victim.txt\nrm old.txt\n");

    NamedMutex program(mutexName);
    ASSERT_TRUE(program.TryLock());
    test::ChildProcess uplift(install.program.string(), {host, "/update/list.txt", "silent"},
                              {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_TRUE(uplift.started());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests("/update/list.txt") == 1; }, kWaitMs));
    // While the program runs, nothing of the list is done (an updater that did not wait would
    // be through its short list well within this time).
    EXPECT_FALSE(QTest::qWaitFor([&] { return !uplift.Running(); }, 1500));
    EXPECT_TRUE(fs::exists(install.folder / "old.txt"));
    program.Unlock();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !uplift.Running(); }, kWaitMs));
    EXPECT_EQ(uplift.Stop(), 0);
    EXPECT_EQ(test::ReadFile(install.folder / "data/new.dat"), "new contents");
    EXPECT_EQ(fs::status(install.folder / "data/new.dat").permissions(), fs::perms::owner_all);
    EXPECT_EQ(test::ReadFile(install.folder / "data/keep.dat"), "old contents");  // HTML page
    EXPECT_EQ(test::ReadFile(install.folder / "data/cut.dat"), "old contents");   // cut short
    EXPECT_TRUE(fs::is_directory(install.folder / "data2"));
    EXPECT_FALSE(fs::exists(install.folder / "empty"));
    EXPECT_FALSE(fs::exists(install.folder / "old.txt"));
    EXPECT_EQ(test::ReadFile(install.root / "victim.txt"), "outside");
    EXPECT_EQ(test::ReadFile(install.root / "elsewhere/victim.txt"), "outside");
    for (const auto& entry : fs::recursive_directory_iterator(install.folder / "data"))
        EXPECT_EQ(entry.path().filename().string().find("uplift-new"), std::string::npos);
    // The list's program is started at the end.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return fs::exists(install.folder / "started.txt"); }, kWaitMs));
}

TEST(Uplift, StartUpFailuresSayWhatIsMissing) {
    Installation install;
    test::DevServer server({"--update-dir", install.updates.string()});
    test::WriteFile(install.updates / "page.txt", "<!DOCTYPE html><html></html>");
    const std::string host = server.host();
    // A list of its three lines only: no command runs, nothing is started.
    install.List("hfp-test-uplift-none\n\nNothing to do\n");
    const struct {
        std::string commandLine;
        const char* message;  // nullptr: none
        int exitCode;
    } cases[] = {
        {"", "upliftファイルのURLが指定されていません", 1},
        {host, "upliftファイル名が指定されていません", 1},
        {host + " /update/missing.txt", "upliftファイルをダウンロードできません", 1},
        {host + " /update/page.txt", "upliftファイルをダウンロードできません", 1},
        {"127.0.0.1:1 /update/list.txt", "upliftファイルをダウンロードできません", 1},
        {host + " /update/list.txt silent", nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        RecordingMessages messages;
        EXPECT_EQ(CupliftApp::Run(c.commandLine, install.folder, messages), c.exitCode);
        ASSERT_EQ(messages.records().size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(messages.records()[0].text, c.message);
        }
    }
    EXPECT_EQ(fs::directory_iterator(install.folder)->path().filename(), "uplift");
}

TEST(Uplift, TheDialogShowsTheMessageUnlessSilentAndClosesWhenDone) {
    TempDir folder;
    for (bool silent : {false, true}) {
        CupliftDlg dialog({"", "", "Updating\\nplease wait", "mkdir made"}, folder.path(), silent);
        dialog.show();
        EXPECT_EQ(dialog.isVisible(), !silent);
        EXPECT_EQ(dialog.message(), "Updating\nplease wait");
        dialog.reject();  // the update is not cut short
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.result() == QDialog::Accepted; }, kWaitMs));
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(fs::is_directory(folder / "made"));
        fs::remove(folder / "made");
    }
}

}  // namespace
}  // namespace hfp
