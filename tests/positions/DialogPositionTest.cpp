#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "common/Screenshot.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "positions/ui/DialogMoveLongitudeLatitude.h"
#include "positions/ui/DialogPosition.h"

namespace hfp::test {
namespace {

TEST(DialogPosition, RowsFillTheFieldsAndUnsavedChangesHoldTheDialog) {
    TempDir dir;
    test::WriteFile(dir / "poslist.csv",
                    "Peaks,Summit,138435124,35214608\nPeaks,Col,138400000,35200000\n"
                    "Huts,Hut,139000000,36000000\n");
    RecordingMessages messages;
    CDialogPosition dialog(dir / "poslist.csv", GeoPoint{12730626, 49943139}, &messages, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.groupBox()->count(), 2);
    ASSERT_EQ(dialog.list()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.field(true, 0)->text(), "138");
    EXPECT_FALSE(dialog.button("move")->isEnabled() || dialog.button("save")->isEnabled());

    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(1));
    EXPECT_EQ(dialog.nameField()->text(), "Col");
    EXPECT_EQ(dialog.field(true, 1)->text(), "40");
    EXPECT_EQ(dialog.field(false, 3)->text(), "00");
    EXPECT_TRUE(dialog.button("up")->isEnabled() && !dialog.button("down")->isEnabled());
    KeepScreenshot(dialog, "position-register");

    dialog.nameField()->setText("Saddle");
    dialog.button("addUpdate")->click();
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 3);
    EXPECT_EQ(dialog.list()->currentItem()->text(0), "Saddle");
    EXPECT_TRUE(dialog.button("save")->isEnabled());
    dialog.groupBox()->setEditText("Huts");
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 1);

    messages.QueueAnswer(false);
    dialog.button("cancel")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(messages.records().back().question);
    dialog.button("save")->click();
    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(0));
    dialog.button("move")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.center(), (GeoPoint{12960000, 50040000}));
    EXPECT_NE(test::ReadFile(dir / "poslist.csv").find("Peaks,Saddle,"), std::string::npos);
}

TEST(DialogMoveLongitudeLatitude, OutOfRangeKeepsItOpenAndMoveTakesTheFields) {
    RecordingMessages messages;
    CDialogMoveLongitudeLatitude dialog(GeoPoint{12730626, 49943139}, &messages, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.field(false, 2)->text(), "46");
    KeepScreenshot(dialog, "move-latitude-longitude");
    dialog.field(false, 0)->setText("46");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.records().back().text, "Latitude is out of range");
    dialog.field(false, 0)->setText("36");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.center(), (GeoPoint{36 * 360000 + 21 * 6000 + 4600, 49943100}));
}

}  // namespace
}  // namespace hfp::test
