#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "common/Screenshot.h"
#include "platform/Messages.h"
#include "print/ui/DialogPrintHistory.h"

namespace hfp {
namespace {

QPushButton* Button(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

// The list shows the entries in use with their places; a blank rename is refused with
// "Input name." and a real one sticks even through Cancel; Cancel and "Move to print
// position" both keep the check boxes, and the move returns the selected entry's place.
TEST(DialogPrintHistory, RenamesKeepsAndMovesToTheChosenPrint) {
    for (const bool move : {false, true}) {
        PrintHistory history;
        history[0] = {"north", false, 49943139, 12730626};
        history[1] = {"south", false, 49000000, 12000000};
        RecordingMessages messages;
        CDialogPrintHistory dialog(&history, &messages, nullptr);
        QTreeWidget* list = dialog.list();
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(3).toStdString(), " 35\u00b021\u203246\u203326");

        list->setCurrentItem(list->topLevelItem(1));
        QLineEdit* name = dialog.findChild<QLineEdit*>();
        EXPECT_EQ(name->text(), "south");
        name->setText("   ");
        Button(dialog, "Name change(&N)")->click();
        ASSERT_EQ(messages.records().at(0).text, "Input name.");
        EXPECT_EQ(history[1].name, "south");
        name->setText("  Kita-dake  ");
        Button(dialog, "Name change(&N)")->click();
        EXPECT_EQ(history[1].name, "Kita-dake");

        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        if (move) {
            dialog.adjustSize();
            test::KeepScreenshot(dialog, "print-history");
            Button(dialog, "Move to print position(&M)")->click();
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.position(), (GeoPoint{12000000, 49000000}));
        } else {
            Button(dialog, "Cancel")->click();
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        }
        EXPECT_TRUE(history[0].keep) << move;
    }
}

}  // namespace
}  // namespace hfp
