#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

#include "WriteTestUtil.h"
#include "common/Screenshot.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "write/Write.h"
#include "write/ui/DialogWriteSet.h"

namespace hfp::test {
namespace {

// The export's question comes from the worker thread and is answered on the window's thread
// while the progress dialog runs; the import then brings the set back.
TEST(DialogWriteSet, ExportAsksFromTheWorkerAndImportFillsANewSet) {
    TempDir dir, data;
    CWrite write;
    write.AddSet("Default");
    write.Set(0).aObjects = OneOfEach();  // its picture file does not exist
    write.PushUndo(0);
    RecordingMessages messages;
    CDialogWriteSet dialog(&write, &messages, data.path(), nullptr);
    dialog.show();
    EXPECT_FALSE(dialog.button("export")->isEnabled());
    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(0));
    EXPECT_TRUE(dialog.button("export")->isEnabled() && dialog.button("ok")->isEnabled());
    KeepScreenshot(dialog, "write-set");

    messages.QueueAnswer(true);  // go on without the picture
    dialog.ExportTo(dir / "default.csv");
    ASSERT_EQ(messages.records().size(), 2u);
    EXPECT_TRUE(messages.records()[0].question);
    EXPECT_EQ(messages.records()[1].text, "Exported Default.");

    messages.QueueAnswer(false);  // not into the selected set
    messages.QueueAnswer(true);   // a new one
    dialog.ImportFrom(dir / "default.csv");
    EXPECT_EQ(messages.records().back().text, "Inported to Default2");
    ASSERT_EQ(write.SetCount(), 2);
    EXPECT_EQ(write.Set(1).aObjects.size(), 4u);
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 2);
}

}  // namespace
}  // namespace hfp::test
