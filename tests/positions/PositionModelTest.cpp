#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "platform/Messages.h"
#include "positions/MoveLongitudeLatitude.h"
#include "positions/PositionModel.h"

namespace hfp::test {
namespace {

using Fields = std::array<std::string, 4>;

std::string LastMessage(const RecordingMessages& messages) {
    return messages.records().empty() ? std::string() : messages.records().back().text;
}

std::vector<std::string> Names(const PositionModel& model) {
    std::vector<std::string> names;
    for (const PositionModel::Row& row : model.rows())
        names.push_back(row.name);
    return names;
}

TEST(PositionModel, AddUpdatesByGroupAndNameAndRefusesWhatTheFileCannotReadBack) {
    TempDir dir;
    test::WriteFile(dir / "poslist.csv", "Peaks,Summit,138435124,35214608\nbroken line\n");
    RecordingMessages messages;
    PositionModel model(dir / "poslist.csv", GeoPoint{12730626, 49943139}, messages);
    model.Start();
    EXPECT_EQ(LastMessage(messages), UnreadLinesNotice(1));
    ASSERT_EQ(model.rows().size(), 1u);
    EXPECT_EQ(model.rows()[0].longitude, "138\u00B043\u203251\u203324");
    EXPECT_EQ(model.rows()[0].latitude, " 35\u00B021\u203246\u20338");
    const PositionModel::Place selected = model.Select(0);
    EXPECT_EQ(selected.longitude, (Fields{"138", "43", "51", "24"}));
    EXPECT_EQ(selected.latitude, (Fields{"35", "21", "46", "08"}));
    EXPECT_EQ(model.CenterPlace().latitude, (Fields{"35", "21", "46", "26"}));

    const Fields lon{"138", "30", "0", "0"}, lat{"35", "10", "0", "0"};
    struct Case {
        const char* group;
        const char* name;
        Fields lon, lat;
        const char* message;  // empty when added or updated
        std::vector<std::string> listed;
    } cases[] = {
        {" ", "Col", lon, lat, "Input group name in the combo box.", {}},
        {"Peaks", " ", lon, lat, "Input name.", {}},
        {"Peaks", "Col, north", lon, lat, "Group and name cannot contain a comma (,).", {}},
        {"Peaks", "Col", {"121", "59", "0", "0"}, lat, "Longitude is out of range.", {}},
        {"Peaks", "Col", lon, {"46", "0", "0", "0"}, "Latitude is out of range.", {}},
        // 45° 75′ is 46° 15′, which the file would not read back.
        {"Peaks", "Col", lon, {"45", "75", "0", "0"}, "Latitude is out of range.", {}},
        {" Peaks ", " Summit ", lon, lat, "", {"Summit"}},
        {"Peaks", "Col", {"121", "75", "0", "0"}, lat, "", {"Summit", "Col"}},
        {"Huts", "Summit", lon, lat, "", {"Summit"}},
    };
    for (const Case& c : cases) {
        messages.Clear();
        model.SetGroupText(c.group);
        EXPECT_EQ(model.AddOrUpdate({c.name, c.lon, c.lat}), *c.message == 0) << c.name;
        EXPECT_EQ(LastMessage(messages), c.message) << c.name;
        if (!c.listed.empty()) {
            EXPECT_EQ(Names(model), c.listed) << c.name;
        }
    }
    EXPECT_EQ(model.groups(), (std::vector<std::string>{"Peaks", "Huts"}));
    EXPECT_EQ(model.selected(), 0);
    EXPECT_TRUE(model.State().save);
    ASSERT_TRUE(model.Save());
    EXPECT_EQ(test::ReadFile(dir / "poslist.csv"),
              "Peaks,Summit,138300000,35100000\nbroken line\nPeaks,Col,122150000,35100000\n"
              "Huts,Summit,138300000,35100000\n");
}

TEST(PositionModel, OrderAndDeletesStayInTheGroupAndUnsavedChangesAsk) {
    TempDir dir;
    test::WriteFile(dir / "poslist.csv",
                    "B,b1,138000000,35000000\nA,a1,138000000,35000000\nB,b2,139000000,36000000\n");
    RecordingMessages messages;
    PositionModel model(dir / "poslist.csv", GeoPoint{}, messages);
    model.Start();
    model.Select(1);
    model.Move(true);  // b2 goes before b1; a1 between them stays where it is
    EXPECT_EQ(Names(model), (std::vector<std::string>{"b2", "b1"}));
    EXPECT_EQ(model.selected(), 0);
    EXPECT_FALSE(model.State().up);

    messages.QueueAnswer(false);
    EXPECT_FALSE(model.MoveToSelected());
    EXPECT_EQ(LastMessage(messages),
              "Changing is not saved.\nWould you like to drop changing and move?");
    messages.QueueAnswer(false);
    EXPECT_FALSE(model.MayClose());

    ASSERT_TRUE(model.Save());
    EXPECT_EQ(test::ReadFile(dir / "poslist.csv"),
              "B,b2,139000000,36000000\nA,a1,138000000,35000000\nB,b1,138000000,35000000\n");
    EXPECT_FALSE(model.State().save);

    // The last place of a group goes; the group stays until it is deleted itself.
    model.SetGroupText("A");
    model.Select(0);
    messages.QueueAnswer(true);
    ASSERT_TRUE(model.DeleteItem());
    EXPECT_EQ(LastMessage(messages), "a1 will be deleted.\nOK?");
    EXPECT_EQ(model.groups(), (std::vector<std::string>{"B", "A"}));
    EXPECT_TRUE(model.State().deleteGroup);
    messages.QueueAnswer(true);
    ASSERT_TRUE(model.DeleteGroup());
    EXPECT_EQ(model.groups(), (std::vector<std::string>{"B"}));
    EXPECT_EQ(model.groupText(), "");

    // A failed save says so and leaves the changes marked unsaved.
    PositionModel elsewhere(dir / "missing" / "poslist.csv", GeoPoint{}, messages);
    elsewhere.Start();
    elsewhere.SetGroupText("C");
    ASSERT_TRUE(elsewhere.AddOrUpdate({"c1", {"138"}, {"35"}}));
    EXPECT_FALSE(elsewhere.Save());
    EXPECT_EQ(LastMessage(messages), "Save error.");
    EXPECT_TRUE(elsewhere.State().save);

    model.SetGroupText("B");
    model.Select(1);
    messages.QueueAnswer(true);
    ASSERT_TRUE(model.MoveToSelected());
    EXPECT_EQ(model.center(), (GeoPoint{12600000, 49680000}));
}

TEST(MoveLongitudeLatitude, OnlyTheDegreesAreCheckedAndTheFirstRefusalIsSaid) {
    RecordingMessages messages;
    struct Case {
        MoveFields fields;
        const char* message;
        GeoPoint moved;
    } cases[] = {
        {{{"138", "43", "51"}, {"46", "0", "0"}}, "Latitude is out of range", {}},
        {{{"121", "0", "0"}, {"19", "0", "0"}}, "Latitude is out of range", {}},
        {{{"154", "0", "0"}, {"35", "0", "0"}}, "Longitude is out of range", {}},
        {{{"138", "43", "51"}, {"45", "75", "0"}}, "", {16650000, 49943100}},
    };
    for (const Case& c : cases) {
        messages.Clear();
        const std::optional<GeoPoint> moved = MoveTarget(c.fields, messages);
        EXPECT_EQ(LastMessage(messages), c.message);
        EXPECT_EQ(moved.has_value(), *c.message == 0);
        EXPECT_EQ(moved.value_or(GeoPoint{}), c.moved);
    }
    EXPECT_EQ(MoveFieldsAt(GeoPoint{12730626, 49943139}).latitude,
              (std::array<std::string, 3>{"35", "21", "46"}));
}

}  // namespace
}  // namespace hfp::test
