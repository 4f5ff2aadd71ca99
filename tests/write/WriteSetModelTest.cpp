#include <gtest/gtest.h>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "write/Write.h"
#include "write/WriteSetModel.h"

namespace hfp::test {
namespace {

std::vector<std::string> Names(const WriteSetModel& model) {
    std::vector<std::string> names;
    for (const auto& row : model.Rows())
        names.push_back(row.name);
    return names;
}

std::string LastMessage(const RecordingMessages& messages) {
    return messages.records().empty() ? std::string() : messages.records().back().text;
}

// Default (empty), Hut (one object), Ridge (empty).
void ThreeSets(CWrite* write) {
    for (const char* name : {"Default", "Hut", "Ridge"})
        write->AddSet(name);
    write->Set(1).aObjects.push_back(std::move(OneOfEach()[1]));
}

TEST(WriteSetModel, ListEditsKeepNamesUniqueAndDefaultUntilRenamed) {
    CWrite write;
    ThreeSets(&write);
    RecordingMessages messages;
    WriteSetModel model(write, messages);

    EXPECT_FALSE(model.State().remove);
    EXPECT_FALSE(model.Delete());
    EXPECT_EQ(LastMessage(messages), "Select item to delete.");
    struct AddCase {
        const char* box;
        bool added;
        const char* message;
    } adds[] = {
        {"  \t", false, "Input name"},
        {"Hut", false, "Already exist the same name write set."},
        {"  Col  ", true, ""},
    };
    for (const AddCase& c : adds) {
        messages.Clear();
        EXPECT_EQ(model.Add(c.box), c.added) << c.box;
        EXPECT_EQ(LastMessage(messages), c.message) << c.box;
    }
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Default", "Hut", "Ridge", "Col"}));
    EXPECT_EQ(model.selected(), 3);
    EXPECT_EQ(write.Set(3).aUndo.size(), 1u);

    // Selection rules: the last row cannot go down, an empty set cannot be moved to.
    WriteSetModel::Enabled e = model.State();
    EXPECT_TRUE(e.up && !e.down && e.remove && !e.ok);
    model.Select(1);
    EXPECT_TRUE(model.State().ok && model.DoubleClickAccepts(1) && !model.DoubleClickAccepts(0));
    model.Move(true);
    EXPECT_EQ(model.selected(), 0);
    EXPECT_EQ(Names(model)[0], "Hut");
    EXPECT_FALSE(model.State().up);

    model.Select(1);  // Default
    EXPECT_FALSE(model.Rename("Ridge"));
    EXPECT_TRUE(model.Rename("Default"));  // its own name
    EXPECT_FALSE(model.Delete());
    EXPECT_EQ(LastMessage(messages), "Defeult is not deletable.");
    ASSERT_TRUE(model.Rename("Valley"));
    messages.QueueAnswer(false);
    EXPECT_FALSE(model.Delete());
    EXPECT_EQ(LastMessage(messages), "Valley will be deleted.\nWe can not undo.\nOK?");
    messages.QueueAnswer(true);
    EXPECT_TRUE(model.Delete());
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Hut", "Ridge", "Col"}));
}

TEST(WriteSetModel, NoVisibleSetKeepsTheDialogOpen) {
    CWrite write;
    ThreeSets(&write);
    RecordingMessages messages;
    WriteSetModel model(write, messages);
    for (int i = 0; i < 3; ++i)
        model.SetChecked(i, false);
    EXPECT_EQ(model.Finish(false), std::nullopt);
    EXPECT_EQ(LastMessage(messages), "Select visible write set.");
    // The checks reach the sets only as the dialog ends, moved with their rows.
    model.SetChecked(2, true);
    model.Select(2);
    model.Move(true);
    EXPECT_EQ(model.Finish(true), 1);
    EXPECT_TRUE(write.Set(1).bVisible);
    EXPECT_EQ(write.Set(1).szName, "Ridge");
    EXPECT_FALSE(write.Set(2).bVisible);
}

TEST(WriteSetModel, ImportAsksForItsTargetAndNamesTheNewSetUniquely) {
    TempDir dir;
    WriteFile(dir / "hut.csv", "HollowfernPlotter,Write ExportFile,1.23\nName,\"Hut\"\n");
    WriteFile(dir / "bad.csv", "HollowfernPlotter,\"Write\n");
    CWrite write;
    ThreeSets(&write);
    RecordingMessages messages;
    WriteSetModel model(write, messages);
    model.Select(2);
    messages.QueueAnswer(true);
    EXPECT_EQ(model.ImportTarget(dir / "hut.csv"), 2);
    EXPECT_EQ(LastMessage(messages), "Inport to selected write set Ridge");
    messages.QueueAnswer(false);  // not into Ridge
    messages.QueueAnswer(true);
    EXPECT_EQ(model.ImportTarget(dir / "hut.csv"), 3);
    EXPECT_EQ(LastMessage(messages), "New write set Hut2 will be created.\nOK?");
    model.Select(-1);
    EXPECT_EQ(model.ImportTarget(dir / "bad.csv"), -1);
    EXPECT_EQ(LastMessage(messages), "Inport file analyze error.(line:1)");
    EXPECT_EQ(model.ImportTarget(dir / "missing.csv"), -1);
    EXPECT_EQ(LastMessage(messages), "Inport file is not found.");
    EXPECT_EQ(write.SetCount(), 4);
}

}  // namespace
}  // namespace hfp::test
