#include <gtest/gtest.h>

#include "print/PrintSetModel.h"
#include "settings/SetData.h"

namespace hfp {
namespace {

// The dialog's working copy: the tab marks follow the selections, the store changes only on
// OK, and the colour scheme touches only the shown layout.
TEST(PrintSetModel, SelectionsMarkTheTabsAndReachTheStoreOnlyOnOk) {
    CSetData store;
    PrintSetModel model(store);
    EXPECT_EQ(model.FirstTab(), 0);
    EXPECT_EQ(model.TabLabel(0), "0PFS");
    EXPECT_EQ(model.TabLabel(3), "3");
    model.Show(3);
    EXPECT_TRUE(model.CanUse(PrintSetModel::kPrint));
    model.Use(PrintSetModel::kPrint);
    EXPECT_FALSE(model.CanUse(PrintSetModel::kPrint));
    EXPECT_TRUE(model.CanUse(PrintSetModel::kScreen));
    EXPECT_EQ(model.TabLabel(0), "0FS");
    EXPECT_EQ(model.TabLabel(3), "3P");
    model.Shown().reduction = 50000;
    model.InitializeColorScheme();
    EXPECT_EQ(store.m_selectPrint, 0);  // not before OK
    EXPECT_EQ(store.m_outputSettings[3].reduction, 25000);

    model.ApplyTo(&store);
    EXPECT_EQ(store.m_selectPrint, 3);
    EXPECT_EQ(store.m_outputSettings[3].reduction, 50000);
    const auto& scheme = store.m_outputSettings[3].colorChanges;
    EXPECT_EQ(scheme[2].name, "Contour line");
    EXPECT_EQ(scheme[2].beforeColor, 3973320u);
    EXPECT_EQ(scheme[7].afterColor, 8026879u);
    EXPECT_EQ(scheme[8].name, "");
    EXPECT_EQ(store.m_outputSettings[0].colorChanges[2].name, "");
    EXPECT_EQ(PrintSetModel(store).FirstTab(), 3);  // the print selection's tab opens first
}

// What a field keeps once the user leaves it, and what the lists offer.
TEST(PrintSetModel, FieldsAreCorrectedOnLeavingAndListsFollowTheUnit) {
    struct Case {
        FieldRule rule;
        const char* typed;
        const char* kept;
    };
    for (const Case& c : std::vector<Case>{{FieldRule::Transparency, "150", "100"},
                                           {FieldRule::Transparency, "75", "75"},
                                           {FieldRule::SheetCount, "0", "1"},
                                           {FieldRule::SheetCount, "", "1"},
                                           {FieldRule::MapLevel, "5", "7"},
                                           {FieldRule::MapLevel, "19", "18"},
                                           {FieldRule::Division, "1", "2"},
                                           {FieldRule::Division, "500", "100"},
                                           {FieldRule::None, "x", "x"}})
        EXPECT_EQ(CorrectOnLeave(c.rule, c.typed), c.kept) << c.typed;
    EXPECT_EQ(DigitsOnly("1a0-0"), "100");
    EXPECT_EQ(ReadNumber(""), 0);
    EXPECT_EQ(ReadNumber("12ab"), 12);
    EXPECT_EQ(ReadSublineLength("fULL"), kSublineFullLength);
    EXPECT_EQ(ReadSublineLength("15"), 15);
    EXPECT_EQ(SublineLengthText(kSublineFullLength), "Full");

    const IntervalChoices metres = IntervalChoicesFor(GridFamily::MagneticNorth, 1);
    EXPECT_EQ(metres.items, (std::vector<std::string>{"100", "500", "1000", "2000"}));
    EXPECT_EQ(metres.text, "1000");
    EXPECT_EQ(IntervalChoicesFor(GridFamily::MagneticNorth, 2).text, "30");
    EXPECT_EQ(IntervalChoicesFor(GridFamily::VerticalDistance, 0).text, "1");
}

}  // namespace
}  // namespace hfp
