#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "common/Screenshot.h"
#include "platform/Messages.h"
#include "print/ui/DialogLineStyle.h"
#include "print/ui/DialogPrintSet.h"
#include "print/ui/DialogSubline.h"
#include "settings/SetData.h"

namespace hfp {
namespace {

// The lists of a dialog whose first and last items are these, in the order they were made.
std::vector<QComboBox*> Lists(QWidget& dialog, const QString& first, const QString& last = {}) {
    std::vector<QComboBox*> found;
    for (QComboBox* list : dialog.findChildren<QComboBox*>())
        if (list->count() > 0 && list->itemText(0) == first &&
            (last.isEmpty() || list->itemText(list->count() - 1) == last))
            found.push_back(list);
    return found;
}

// A dialog at the size of its contents, pictured for a person to look at.
void KeepDialogScreenshot(QWidget& dialog, const char* name) {
    dialog.adjustSize();
    test::KeepScreenshot(dialog, name);
}

QPushButton* Button(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

// The dialog edits a copy: Cancel leaves the store alone, OK stores the edits; a unit change
// rebuilds the interval list, and a declined initialisation changes nothing.
TEST(DialogPrintSet, EditsACopyUntilOk) {
    for (bool ok : {false, true}) {
        CSetData store;
        store.m_outputSettings[0].longitude.enabled = true;
        store.m_outputSettings[0].verticalDistance.enabled = true;
        RecordingMessages messages;
        messages.QueueAnswer(false);
        messages.QueueAnswer(true);
        CDialogPrintSet dialog(&store, &messages, nullptr);
        EXPECT_EQ(dialog.layoutTabs()->tabText(0), "0PFS");
        if (ok) KeepDialogScreenshot(dialog, "output-setting-tab0");

        QComboBox* unit = Lists(dialog, "km").at(0);  // the magnetic north lines' unit
        ASSERT_EQ(unit->count(), 3);
        unit->setCurrentIndex(1);
        QComboBox* metres = Lists(dialog, "100", "2000").at(0);
        EXPECT_EQ(metres->count(), 4);
        EXPECT_EQ(metres->currentText(), "1000");

        Button(dialog, "Initialize color scheme(&D)...")->click();
        ASSERT_EQ(messages.records().size(), 1u);
        EXPECT_EQ(messages.records()[0].text, kInitializeColorSchemeQuestion);
        EXPECT_EQ(dialog.model().Layout(0).colorChanges[0].name, "");
        Button(dialog, "Initialize color scheme(&D)...")->click();
        EXPECT_EQ(dialog.model().Layout(0).colorChanges[0].name, "Background");
        if (ok) KeepDialogScreenshot(dialog, "output-setting-color-scheme");

        dialog.layoutTabs()->setCurrentIndex(3);
        dialog.useButton(PrintSetModel::kPrint)->click();
        EXPECT_EQ(dialog.layoutTabs()->tabText(0), "0FS");
        EXPECT_EQ(dialog.layoutTabs()->tabText(3), "3P");
        EXPECT_FALSE(dialog.useButton(PrintSetModel::kPrint)->isEnabled());
        EXPECT_TRUE(dialog.useButton(PrintSetModel::kFileout)->isEnabled());
        if (ok) KeepDialogScreenshot(dialog, "output-setting-tab3-print");

        if (ok)
            dialog.accept();
        else
            dialog.reject();
        EXPECT_EQ(store.m_selectPrint, ok ? 3 : 0);
        EXPECT_EQ(store.m_outputSettings[0].magneticNorth.intervalUnit, ok ? 1 : 0);
        EXPECT_EQ(store.m_outputSettings[0].magneticNorth.interval, ok ? 1000 : 1);
    }
}

// "Full" stands for -1 both ways, in any letter case; a division is kept within 2 to 100.
TEST(DialogSubline, FullLengthIsMinusOneAndDivisionIsClamped) {
    std::array<SublineSetting, kSublineCount> sublines{};
    sublines[1].length = 15;
    CDialogSubline dialog(&sublines, nullptr);
    const std::vector<QComboBox*> lengths = Lists(dialog, "Full");
    const std::vector<QComboBox*> divisions = Lists(dialog, "2");
    ASSERT_EQ(lengths.size(), 5u);
    EXPECT_EQ(lengths[0]->currentText(), "Full");
    EXPECT_EQ(lengths[1]->currentText(), "15");
    lengths[1]->setEditText("fULL");
    lengths[2]->setEditText("20");
    divisions[0]->setEditText("1");
    KeepDialogScreenshot(dialog, "subline");
    dialog.accept();
    EXPECT_EQ(sublines[1].length, kSublineFullLength);
    EXPECT_EQ(sublines[2].length, 20);
    EXPECT_EQ(sublines[0].division, 2);
}

}  // namespace
}  // namespace hfp

namespace hfp {
namespace {

// Typing "1a23" in the line style's size box leaves "12": letters go, a third digit cannot be
// typed.
TEST(DialogLineStyle, SizeBoxTakesTwoDigitsOnly) {
    CDialogLineStyle dialog(nullptr);
    dialog.Set(0, 1);
    QLineEdit* size = dialog.findChild<QComboBox*>()->lineEdit();
    size->clear();
    QTest::keyClicks(size, "1a23");
    EXPECT_EQ(size->text(), "12");
    EXPECT_EQ(dialog.size(), 12);
}

}  // namespace
}  // namespace hfp
