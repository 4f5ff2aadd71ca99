#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

#include "common/Screenshot.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "write/Write.h"
#include "write/ui/DialogWriteSet.h"

namespace hfp::test {
namespace {

// A refused file asks nothing and makes no set; a good one asks for its new set once read.
TEST(DialogWriteSet, GpxImportMakesASetOnlyForAFileItTakes) {
    TempDir dir;
    const std::string head =
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><metadata><name>"
        "Fuji</name></metadata><wpt lat=\"35.36\" lon=\"138.72\"/>";
    WriteFile(dir / "far.gpx", head + "<wpt lat=\"10\" lon=\"138\"/></gpx>");
    WriteFile(dir / "fuji.gpx", head + "</gpx>");
    CWrite write;
    write.AddSet("Default");
    RecordingMessages messages;
    CDialogWriteSet dialog(&write, &messages, dir.path(), nullptr);
    dialog.show();
    EXPECT_FALSE(dialog.button("exportGpx")->isEnabled());

    dialog.ImportGpxFrom(dir / "far.gpx");
    ASSERT_EQ(messages.records().size(), 1u);
    EXPECT_EQ(messages.records()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(write.SetCount(), 1);

    messages.Clear();
    dialog.ImportGpxFrom(dir / "fuji.gpx");
    ASSERT_EQ(messages.records().size(), 2u);
    EXPECT_EQ(messages.records()[0].text, "New write set Fuji will be created.\nOK?");
    EXPECT_EQ(messages.records()[1].text, "Inported to Fuji");
    ASSERT_EQ(write.SetCount(), 2);
    EXPECT_EQ(write.Set(1).aObjects.size(), 1u);
    EXPECT_TRUE(dialog.button("exportGpx")->isEnabled());
    KeepScreenshot(dialog, "write-set-gpx");
}

}  // namespace
}  // namespace hfp::test
