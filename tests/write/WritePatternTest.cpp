#include <gtest/gtest.h>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "write/WritePattern.h"
#include "write/WritePatternModel.h"

namespace hfp::test {
namespace {

// Every class as a pattern; the picture's stamp size is the box it was made from.
CWritePattern OneOfEachPattern() {
    CWritePattern patterns;
    auto objects = OneOfEach();
    const char* names[] = {"Trail", "Hut area", "Lake", "Label", "Photo"};
    for (std::size_t i = 0; i < objects.size(); ++i)
        EXPECT_TRUE(patterns.Add(names[i], *objects[i]));
    return patterns;
}

TEST(WritePattern, FileKeepsEveryPatternAndADamagedOneKeepsWhatWasRead) {
    TempDir dir;
    const CWritePattern saved = OneOfEachPattern();
    ASSERT_TRUE(saved.SaveFile(dir / "writepat.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir / "writepat.dat_"));
    CWritePattern loaded;
    std::string reason;
    ASSERT_TRUE(loaded.LoadFile(dir / "writepat.dat", &reason)) << reason;
    ASSERT_EQ(loaded.aNames, saved.aNames);
    for (int i = 0; i < saved.Count(); ++i)
        EXPECT_EQ(loaded.aObjects[i]->GetStatusText(), saved.aObjects[i]->GetStatusText());
    const auto& photo = static_cast<const CWriteObjectPicture&>(*loaded.aObjects[4]);
    EXPECT_EQ(photo.m_rcStamp.x2 - photo.m_rcStamp.x1, 1000);

    const std::string bytes = saved.SaveBytes();
    struct Case {
        std::string data;
        int kept;
    } cases[] = {
        {bytes.substr(0, bytes.size() - 3), 4},  // the picture cut short
        {"HollowfernPlotter write.dat 002" + bytes.substr(31), 0},
        {bytes.substr(0, 100) + std::string("\x01\x00\x00\x00\xff\xff\xff\x7f", 8), 0},
    };
    for (const Case& c : cases) {
        CWritePattern damaged = OneOfEachPattern();
        EXPECT_FALSE(damaged.LoadBytes(c.data, &reason));
        EXPECT_EQ(damaged.Count(), c.kept) << reason;
    }
}

TEST(WritePattern, HfpListsEachPatternWithItsLine) {
    TempDir data;
    ASSERT_TRUE(OneOfEachPattern().SaveFile(data / "writepat.dat"));
    ProcessResult r =
        RunProcess(BuiltProgram("hfp"), {"--data-dir", data.path().string(), "write", "patterns"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("0\tTrail\tLine,200,10,10,4,0,100,", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\n3\tLabel\tString,"), std::string::npos);
    EXPECT_NE(r.out.find("\n4\tPhoto\tPicture,"), std::string::npos);
    WriteFile(data / "writepat.dat", "HollowfernPlotter writepat.dat 002");
    EXPECT_EQ(
        RunProcess(BuiltProgram("hfp"), {"--data-dir", data.path().string(), "write", "patterns"})
            .exitCode,
        1);
}

TEST(WritePattern, NewObjectTakesThePatternsAttributesAndStamp) {
    const CWritePattern patterns = OneOfEachPattern();
    for (int i = 0; i < patterns.Count(); ++i) {
        std::unique_ptr<CWriteObject> made = patterns.NewObject(i);
        ASSERT_TRUE(made);
        const CWriteObject& from = *patterns.aObjects[i];
        EXPECT_EQ(made->m_nType, from.m_nType);
        EXPECT_EQ(made->m_crColor, from.m_crColor);
        EXPECT_EQ(made->m_nSize, from.m_nSize);
        EXPECT_EQ(made->m_nStyle, from.m_nStyle);
        EXPECT_EQ(made->m_nTransparency, from.m_nTransparency);
    }
    const auto madeText = patterns.NewObject(3);
    const auto& text = static_cast<const CWriteObjectString&>(*madeText);
    EXPECT_EQ(text.m_strText, "山小屋, \"hut\"\r\nline two");
    EXPECT_TRUE(text.m_bBackground);
    const auto madePhoto = patterns.NewObject(4);
    const auto& photo = static_cast<const CWriteObjectPicture&>(*madePhoto);
    EXPECT_TRUE(photo.m_bColorKey);
    EXPECT_EQ(photo.m_rcStamp.y2 - photo.m_rcStamp.y1, 1000);
    EXPECT_FALSE(patterns.NewObject(5));
}

TEST(WritePatternModel, NamesAreTrimmedOnAddKeptOnRenameAndUnique) {
    CWritePattern patterns = OneOfEachPattern();
    RecordingMessages messages;
    WritePatternModel noTemplate(patterns, nullptr, messages);
    EXPECT_FALSE(noTemplate.State().add);
    EXPECT_FALSE(noTemplate.State().select);

    auto objects = OneOfEach();
    WritePatternModel model(patterns, objects[1].get(), messages);
    struct Case {
        const char* box;
        bool added;
        const char* message;
    } adds[] = {
        {" ", false, "Input name."},
        {"Lake", false, "Already exist the same name write pattern."},
        {"  Ridge ", true, ""},
    };
    for (const Case& c : adds) {
        messages.Clear();
        EXPECT_EQ(model.Add(c.box), c.added) << c.box;
        EXPECT_EQ(messages.records().empty() ? "" : messages.records().back().text, c.message);
    }
    EXPECT_EQ(patterns.aNames.back(), "Ridge");
    EXPECT_EQ(model.selected(), 5);
    EXPECT_TRUE(model.State().up && !model.State().down && model.State().select);

    EXPECT_TRUE(model.Rename("Ridge"));
    EXPECT_FALSE(model.Rename("Trail"));
    EXPECT_TRUE(model.Rename(" Ridge 2 "));
    EXPECT_EQ(patterns.aNames[5], " Ridge 2 ");
    model.Move(true);
    EXPECT_EQ(patterns.aNames[4], " Ridge 2 ");
    EXPECT_EQ(patterns.aObjects[4]->m_nType, kWriteRectangle);
    messages.QueueAnswer(true);
    EXPECT_TRUE(model.Delete());
    EXPECT_EQ(messages.records().back().text, " Ridge 2  will be deleted.\nWe can not undo.\nOK?");
    EXPECT_EQ(patterns.Count(), 5);
    EXPECT_EQ(model.selected(), -1);
}

}  // namespace
}  // namespace hfp::test
