#include <gtest/gtest.h>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "platform/NamedMutex.h"
#include "platform/Progress.h"
#include "write/Write.h"
#include "write/WriteExchange.h"

namespace hfp::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::vector<std::unique_ptr<CWriteObject>>& objects) {
    std::vector<std::string> lines;
    for (const auto& o : objects)
        lines.push_back(o->ExportCsv());
    return lines;
}

std::unique_ptr<CWriteObjectPicture> PictureOf(const fs::path& file) {
    auto picture = std::make_unique<CWriteObjectPicture>();
    picture->m_rcShape = WriteShape{49960000, 12750000, 49961000, 12751000};
    picture->m_strFile = file.string();
    picture->UpdateBounds();
    return picture;
}

std::string Export(const std::string& name,
                   const std::vector<std::unique_ptr<CWriteObject>>& objects, const fs::path& file,
                   RecordingMessages& messages, bool abort = false) {
    ProgressControl progress;
    if (abort) progress.Abort();
    return ExportWriteSet(name, objects, file, progress, messages);
}

TEST(WriteExchange, RoundTripKeepsOrderAndNameAndStoresEachPictureOnce) {
    TempDir dir, data;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    WriteFile(dir / "a/photo.jpg", "first picture");
    WriteFile(dir / "b/photo.jpg", "another picture");
    auto objects = OneOfEach();
    static_cast<CWriteObjectPicture&>(*objects[4]).m_strFile = (dir / "a/photo.jpg").string();
    RecordingMessages messages;
    ASSERT_EQ(Export("Hut", objects, dir / "out/hut.csv", messages),
              "Export file " + (dir / "out/hut.csv").string() + " open error.");
    fs::create_directories(dir / "out");
    ASSERT_EQ(Export("Hut", objects, dir / "out/hut.csv", messages), "");
    // A second set sharing the first picture and with a different one of the same name.
    std::vector<std::unique_ptr<CWriteObject>> second;
    second.push_back(PictureOf(dir / "a/photo.jpg"));
    second.push_back(PictureOf(dir / "b/photo.jpg"));
    ASSERT_EQ(Export("Other", second, dir / "out/other.csv", messages), "");
    EXPECT_EQ(ReadFile(dir / "out/picture/photo.jpg"), "first picture");
    EXPECT_EQ(ReadFile(dir / "out/picture/photo2.jpg"), "another picture");
    EXPECT_FALSE(fs::exists(dir / "out/picture/photo3.jpg"));
    EXPECT_TRUE(messages.records().empty());

    CWrite write;
    write.AddSet("Hut");
    std::string name, error;
    ASSERT_TRUE(ImportSetName(dir / "out/hut.csv", write, &name, &error)) << error;
    EXPECT_EQ(name, "Hut2");
    std::vector<std::unique_ptr<CWriteObject>> read;
    ProgressControl progress;
    ASSERT_EQ(ImportWriteSet(dir / "out/hut.csv", data.path(), progress, messages, &read), "");
    static_cast<CWriteObjectPicture&>(*objects[4]).m_strFile =
        (data / "picture/photo.jpg").string();
    EXPECT_EQ(Lines(read), Lines(objects));
    EXPECT_EQ(ReadFile(data / "picture/photo.jpg"), "first picture");
}

TEST(WriteExchange, FailedExportKeepsThePreviousFileWhole) {
    TempDir dir;
    WriteFile(dir / "set.csv", "previous export");
    struct Case {
        const char* picture;
        bool abort;
        bool answer;
        std::string error;
    } cases[] = {
        {"photo.jpg", false, true, "Image file name has problem. [photo.jpg]"},
        {nullptr, true, true, "Aborted to export."},
        {"/no/such/photo.jpg", false, false, "Aborted export."},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<CWriteObject>> objects = OneOfEach();
        objects.pop_back();
        if (c.picture) objects.push_back(PictureOf(c.picture));
        RecordingMessages messages;
        messages.QueueAnswer(c.answer);
        EXPECT_EQ(Export("Set", objects, dir / "set.csv", messages, c.abort), c.error);
        EXPECT_EQ(ReadFile(dir / "set.csv"), "previous export") << c.error;
    }
    // Going on past a picture that cannot be copied leaves only its line out.
    std::vector<std::unique_ptr<CWriteObject>> objects = OneOfEach();
    objects.back() = PictureOf("/no/such/photo.jpg");
    RecordingMessages messages;
    messages.QueueAnswer(true);
    ASSERT_EQ(Export("Set", objects, dir / "set.csv", messages), "");
    ASSERT_EQ(messages.records().size(), 1u);
    EXPECT_EQ(messages.records()[0].text.substr(0, 23), "Cannot copy Image file ");
    EXPECT_EQ(ReadFile(dir / "set.csv").find("Picture"), std::string::npos);
}

TEST(WriteExchange, ImportRefusesBadLinesAndPicturePathsLeavingTheFolders) {
    TempDir dir, data;
    fs::create_directories(dir / "picture");
    WriteFile(dir / "picture/x.png", "picture");
    WriteFile(dir / "secret.png", "not for the import");
    const std::string header = "HollowfernPlotter,Write ExportFile,";
    const std::string text24 =
        "String,0,0,0,100,1394530000,0350000000,1394531000,0350001000,\"hut\",-16,0,0,0,400,0,"
        "0,0,128,0,0,0,0,\"IPAPGothic\"";
    const std::string picture = "Picture,100,1394530000,0350000000,1394531000,0350001000,\"";
    struct Case {
        std::string body;
        std::string error;
        std::size_t objects;
    } cases[] = {
        {header + "1.10\nName,\"Old\"\n" + text24 + "\n", "", 1},
        {header + "1.23\nName,\"New\"\n" + text24 + "\n", "Inport file analyze error.(line:3)", 0},
        {header + "1.23\n" + picture + "../x.png\",0,0\n", "", 1},
        {header + "1.23\n" + picture + (dir / "secret.png").string() + "\",0,0\n", "Aborted inport",
         0},
        {header + "1.23\n" + picture + "..\",0,0\n", "Inport file analyze error.(line:2)", 0},
        {header + "1.23\n" + picture + "x.png\",0,0\n\n" + picture + "x.png\",0,0\n",
         "Inport file analyze error.(line:3)", 1},
        {"HollowfernPlotter,Write ExportFile\n", "Inport file analyze error.(line:1)", 0},
        {header + "1.23\nName,\"open\n", "Inport file analyze error.(line:2)", 0},
    };
    for (const Case& c : cases) {
        WriteFile(dir / "in.csv", c.body);
        RecordingMessages messages;
        ProgressControl progress;
        std::vector<std::unique_ptr<CWriteObject>> read;
        EXPECT_EQ(ImportWriteSet(dir / "in.csv", data.path(), progress, messages, &read), c.error)
            << c.body;
        EXPECT_EQ(read.size(), c.objects) << c.body;
        if (read.size() == 1 && read[0]->m_nType == kWriteString) {
            const auto& s = static_cast<const CWriteObjectString&>(*read[0]);
            EXPECT_FALSE(s.m_bBackground);
            EXPECT_EQ(s.m_crBackground, 0xFFFFFFu);
        }
        if (read.size() == 1 && read[0]->m_nType == kWritePicture) {
            const auto& p = static_cast<const CWriteObjectPicture&>(*read[0]);
            EXPECT_EQ(fs::path(p.m_strFile).parent_path(), data / "picture");
        }
    }
    // A picture is only ever taken from the exchange folder's picture folder.
    EXPECT_FALSE(fs::exists(data / "picture/secret.png"));
    EXPECT_FALSE(fs::exists(data / "secret.png"));
}

TEST(WriteExchange, HfpExportsAndImportsThroughWriteDat) {
    TempDir data, dir;
    WriteFile(dir / "photo.jpg", "picture");
    CWrite write;
    write.AddSet("Default");
    write.AddSet("7");
    write.AddSet("Hut");
    write.Set(2).aObjects = OneOfEach();
    static_cast<CWriteObjectPicture&>(*write.Set(2).aObjects[4]).m_strFile =
        (dir / "photo.jpg").string();
    ASSERT_TRUE(write.SaveFile(data / "write.dat"));
    TempDir runtime;  // where the program's instance lock lives
    const std::vector<std::string> env = {"HFP_DATA_DIR=" + data.path().string(),
                                          "XDG_RUNTIME_DIR=" + runtime.path().string()};
    ProcessResult r =
        RunProcess(BuiltProgram("hfp"), {"write", "export", "2", (dir / "hut.csv").string()}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Exported Hut."), std::string::npos) << r.err;
    r = RunProcess(BuiltProgram("hfp"), {"write", "export", "9", (dir / "x.csv").string()}, env);
    EXPECT_EQ(r.exitCode, 1);
    {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        const std::string kept = old ? old : "";
        ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        NamedMutex running("HollowfernPlotter");
        if (old)
            ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(running.TryLock());
        r = RunProcess(BuiltProgram("hfp"), {"write", "import", (dir / "hut.csv").string()}, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("HollowfernPlotter is running; close it first"), std::string::npos);
    }
    r = RunProcess(BuiltProgram("hfp"), {"write", "import", (dir / "hut.csv").string()}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Inported to Hut2"), std::string::npos) << r.err;
    CWrite after;
    ASSERT_TRUE(after.LoadFile(data / "write.dat"));
    ASSERT_EQ(after.SetCount(), 4);
    EXPECT_EQ(after.Set(3).szName, "Hut2");
    EXPECT_EQ(after.Set(3).aObjects.size(), 5u);
    EXPECT_EQ(ReadFile(data / "picture/photo.jpg"), "picture");
}

}  // namespace
}  // namespace hfp::test
