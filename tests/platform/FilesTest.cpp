#include <gtest/gtest.h>

#include <cstdlib>

#include "common/TempDir.h"
#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"

namespace hfp {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(AtomicFile, ReplacesWholeOrKeepsTheOldFile) {
    TempDir dir;
    WriteFile(dir / "mst.dat", "precious");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir / "mst.dat", dir / "mst_temp.dat", "new", &error)) << error;
    EXPECT_EQ(ReadFile(dir / "mst.dat"), "new");
    EXPECT_FALSE(fs::exists(dir / "mst_temp.dat"));

    // The temporary name taken by a folder, the target's by a non-empty folder, and a writer
    // abandoned before Commit: the old file stays and no temporary file is left.
    fs::create_directory(dir / "blocked_temp");
    EXPECT_FALSE(WriteFileAtomically(dir / "mst.dat", dir / "blocked_temp", "lost", &error));
    EXPECT_NE(error.find("blocked_temp"), std::string::npos) << error;
    fs::create_directories(dir / "busy" / "inside");
    EXPECT_FALSE(WriteFileAtomically(dir / "busy", dir / "busy_temp", "x", &error));
    EXPECT_FALSE(fs::exists(dir / "busy_temp"));
    {
        AtomicFileWriter writer(dir / "mst.dat", dir / "other_temp");
        ASSERT_TRUE(writer.Open() && writer.Write("half"));
    }
    EXPECT_FALSE(fs::exists(dir / "other_temp"));
    EXPECT_EQ(ReadFile(dir / "mst.dat"), "new");
}

TEST(DataFolder, OptionThenEnvironmentThenXdgAndAFallback) {
    TempDir dir;
    const char* savedData = std::getenv("HFP_DATA_DIR");
    const std::string saved = savedData ? savedData : "";
    ::unsetenv("HFP_DATA_DIR");
    ::setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
    EXPECT_EQ(DataFolder(), dir / "xdg" / "cairn" / "HollowfernPlotter");
    ::setenv("HFP_DATA_DIR", (dir / "env").c_str(), 1);
    EXPECT_EQ(DataFolder(), dir / "env");
    SetDataFolderOverride(dir / "option");
    EXPECT_EQ(DataFolder(), dir / "option");
    EXPECT_TRUE(fs::is_directory(dir / "option"));
    WriteFile(dir / "file", "x");  // a folder that cannot be made: the program's folder
    SetDataFolderOverride(dir / "file" / "below");
    EXPECT_EQ(DataFolder(), ProgramFolder());
    SetDataFolderOverride({});
    if (saved.empty())
        ::unsetenv("HFP_DATA_DIR");
    else
        ::setenv("HFP_DATA_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace hfp
