#include "print/FileoutModel.h"

#include <gtest/gtest.h>

#include "platform/Messages.h"
#include "settings/SetData.h"

namespace hfp {
namespace {

using Model = FileoutModel;

// One arc-minute square at the default centre for all three ranges.
std::array<Model::Area, Model::kRangeCount> SameAreas() {
    const Model::Area area{kDefaultCenter, 6000, 6000};
    return {area, area, area};
}

TEST(FileoutModel, ScreenOnlyAboveLevel14AndSizesKeepTheAspectWithinFiveDigits) {
    CSetData settings;
    settings.m_fileoutRange = Model::kScreen;
    RecordingMessages messages;
    for (auto [viewLevel, offered, opened] :
         {std::tuple{14, false, Model::kFileoutBounds}, std::tuple{15, true, Model::kScreen}}) {
        const Model model(SameAreas(), 16, viewLevel, settings, messages);
        EXPECT_EQ(model.screenOffered(), offered) << viewLevel;
        EXPECT_EQ(model.range(), opened) << viewLevel;
    }

    std::array<Model::Area, Model::kRangeCount> areas = SameAreas();
    areas[Model::kPrintBounds].widthGeo = 360000 * 20;  // far more than five digits of pixels
    Model model(areas, 16, 15, settings, messages);
    const Model::Size bounds = model.ChooseRange(Model::kFileoutBounds);
    // One arc-minute at level 16, 2^24 pixels around the world; a minute of latitude at 35° is
    // longer on the Mercator map. The screen's area is sized at level 17.
    EXPECT_NEAR(bounds.width, 16777216.0 / 360 / 60, 1.5);
    EXPECT_GT(bounds.height, bounds.width);
    EXPECT_NEAR(model.NaturalSize(Model::kScreen).width, 2 * bounds.width, 1);
    EXPECT_EQ(model.ChooseRange(Model::kPrintBounds).width, Model::kMaxSize);

    model.ChooseRange(Model::kFileoutBounds);
    EXPECT_EQ(model.OtherSide(std::to_string(2 * bounds.width), true),
              std::to_string(2 * bounds.height));
    EXPECT_EQ(model.OtherSide(std::to_string(bounds.height), false), std::to_string(bounds.width));
    EXPECT_EQ(model.OtherSide("99999", true), "99999");
    EXPECT_EQ(model.OtherSide("x", true), "0");
    areas[Model::kFileoutBounds].widthGeo = 0;
    Model empty(areas, 16, 15, settings, messages);
    empty.ChooseRange(Model::kFileoutBounds);
    EXPECT_FALSE(empty.OtherSide("500", true));
}

TEST(FileoutModel, MissingSizeOrImageExtensionKeepsTheDialogOpenAndTheChoiceIsKept) {
    CSetData settings;
    RecordingMessages messages;
    Model model(SameAreas(), 16, 16, settings, messages);
    for (auto [width, height, file, said] :
         {std::tuple{"0", "300", "map.png", "No image size"},
          std::tuple{"400", "abc", "map.png", "No image size"},
          std::tuple{"400", "300", "map",
                     "File out failure.\nAdd file extension.(bmp, jpg, gif, tif or png)"}}) {
        messages.Clear();
        EXPECT_FALSE(model.Accept(width, height, file));
        ASSERT_EQ(messages.records().size(), 1u);
        EXPECT_EQ(messages.records()[0].text, said);
    }
    model.ChooseRange(Model::kScreen);
    const std::optional<Model::Choice> choice = model.Accept("400", "300", "map.png");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->size, (Model::Size{400, 300}));
    Model::StoreChoice(*choice, &settings);
    EXPECT_EQ(settings.m_fileoutRange, Model::kScreen);
    EXPECT_EQ(settings.m_fileoutName, "map.png");
    EXPECT_EQ(Model(SameAreas(), 16, 16, settings, messages).fileName(), "map.png");
}

}  // namespace
}  // namespace hfp
