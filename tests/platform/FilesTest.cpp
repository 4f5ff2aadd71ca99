#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "common/TempDir.h"
#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "platform/ReadWholeFile.h"

namespace hfp {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(AtomicFile, ReplacesTheOldFileAndLeavesNoTemporary) {
    TempDir dir;
    auto target = dir / "set.dat";
    auto temp = dir / "set_temp.dat";
    WriteFile(target, "old contents");

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target, temp, "new contents", &error)) << error;
    EXPECT_EQ(ReadFile(target), "new contents");
    EXPECT_FALSE(std::filesystem::exists(temp));

    // A first save creates the file.
    ASSERT_TRUE(WriteFileAtomically(dir / "fresh.dat", dir / "fresh_temp.dat", ""));
    EXPECT_TRUE(std::filesystem::exists(dir / "fresh.dat"));
}

TEST(AtomicFile, FailuresKeepTheOldFile) {
    TempDir dir;
    auto target = dir / "mst.dat";
    WriteFile(target, "precious");

    // The temporary name is taken by a folder: it cannot be created.
    std::filesystem::create_directory(dir / "mst_temp.dat");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(target, dir / "mst_temp.dat", "lost", &error));
    EXPECT_NE(error.find("mst_temp.dat"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(target), "precious");

    // A writer abandoned before Commit removes its temporary file.
    {
        AtomicFileWriter writer(target, dir / "other_temp.dat");
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write("half"));
        EXPECT_TRUE(std::filesystem::exists(dir / "other_temp.dat"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "other_temp.dat"));
    EXPECT_EQ(ReadFile(target), "precious");

    // The target's name is taken by a non-empty folder: the rename fails, the temporary
    // file goes and the failure is reported.
    std::filesystem::create_directories(dir / "busy" / "inside");
    EXPECT_FALSE(WriteFileAtomically(dir / "busy", dir / "busy_temp", "x", &error));
    EXPECT_FALSE(std::filesystem::exists(dir / "busy_temp"));
}

TEST(AtomicFile, FreshTemporaryFileWithTheGivenPermissions) {
    TempDir dir;
    // A link planted at the temporary name is replaced, not written through.
    WriteFile(dir / "victim", "untouched");
    std::filesystem::create_symlink(dir / "victim", dir / "set.dat_temp_");
    {
        AtomicFileWriter writer(
            dir / "set.dat", dir / "set.dat_temp_",
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        ASSERT_TRUE(writer.Open()) << writer.error();
        ASSERT_TRUE(writer.Write("private"));
        ASSERT_TRUE(writer.Commit()) << writer.error();
    }
    EXPECT_EQ(ReadFile(dir / "victim"), "untouched");
    EXPECT_EQ(ReadFile(dir / "set.dat"), "private");
    struct stat status;
    ASSERT_EQ(::lstat((dir / "set.dat").c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    // Other files keep the default, readable by all (less the umask).
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(WriteFileAtomically(dir / "mst.dat", dir / "mst_temp.dat", "x"));
    ASSERT_EQ(::stat((dir / "mst.dat").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u & ~mask);
}

TEST(ReadWholeFile, ReadsExactlyTheFile) {
    TempDir dir;
    std::vector<char> data{'x'};
    EXPECT_EQ(ReadWholeFile(dir / "missing", &data), ReadResult::CannotOpen);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(ReadWholeFile(dir.path(), &data), ReadResult::CannotOpen);  // a folder

    WriteFile(dir / "empty", "");
    EXPECT_EQ(ReadWholeFile(dir / "empty", &data), ReadResult::Whole);
    EXPECT_TRUE(data.empty());

    const std::string bytes("key\0value\0", 10);
    WriteFile(dir / "set.dat", bytes);
    ASSERT_EQ(ReadWholeFile(dir / "set.dat", &data), ReadResult::Whole);
    EXPECT_EQ(std::string(data.begin(), data.end()), bytes);
}

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* v = std::getenv("HFP_DATA_DIR")) m_savedData = v;
        if (const char* v = std::getenv("XDG_DATA_HOME")) m_savedXdg = v;
    }
    void TearDown() override {
        SetDataFolderOverride({});
        Restore("HFP_DATA_DIR", m_savedData);
        Restore("XDG_DATA_HOME", m_savedXdg);
    }
    static void Restore(const char* name, const std::string& value) {
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }
    std::string m_savedData, m_savedXdg;
};

TEST_F(DataFolderTest, ResolutionOrderAndCreation) {
    TempDir dir;
    ::unsetenv("HFP_DATA_DIR");
    ::setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
    auto folder = DataFolder();
    EXPECT_EQ(folder, dir / "xdg" / "cairn" / "HollowfernPlotter");
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    ::setenv("HFP_DATA_DIR", (dir / "env" / "data").c_str(), 1);
    EXPECT_EQ(DataFolder(), dir / "env" / "data");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "env" / "data"));

    SetDataFolderOverride(dir / "option");
    EXPECT_EQ(DataFolder(), dir / "option");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "option"));

    // A folder that cannot be created falls back to the program's folder.
    WriteFile(dir / "file", "x");
    SetDataFolderOverride(dir / "file" / "below");
    EXPECT_EQ(DataFolder(), ProgramFolder());
    EXPECT_TRUE(std::filesystem::exists(ProgramFolder() / "platform_tests"));
}

TEST(Messages, RecordingKeepsTextsAndAnswers) {
    RecordingMessages messages;
    messages.Show("Cannot save file.", MessageIcon::Error);
    messages.QueueAnswer(false);
    EXPECT_FALSE(messages.Ask("Overwrite?", MessageIcon::Question, true));
    EXPECT_TRUE(messages.Ask("Continue?", MessageIcon::Warning, true));
    EXPECT_FALSE(messages.Ask("Delete?", MessageIcon::Question, false));
    ASSERT_EQ(messages.records().size(), 4u);
    EXPECT_EQ(messages.records()[0].text, "Cannot save file.");
    EXPECT_EQ(messages.records()[0].icon, MessageIcon::Error);
    EXPECT_FALSE(messages.records()[0].question);
    EXPECT_TRUE(messages.records()[1].question);
    EXPECT_FALSE(messages.records()[1].answer);
    EXPECT_TRUE(messages.records()[2].answer);
}

}  // namespace
}  // namespace hfp
