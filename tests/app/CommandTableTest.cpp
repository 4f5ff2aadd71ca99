#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <set>

#include "app/TileScaling.h"
#include "app/WindowPlacementFit.h"

namespace hfp {
namespace {

TEST(CommandTable, EveryCommandHasAHintAndATooltip) {
    std::set<int> ids;
    for (const Command& c : CommandTable()) {
        EXPECT_TRUE(ids.insert(c.id).second) << "id twice: " << c.id;
        EXPECT_FALSE(CommandHint(c).empty()) << c.id;
        EXPECT_FALSE(CommandTooltip(c).empty()) << c.id;
        EXPECT_NE(std::string(c.prompt).find('\n'), std::string::npos) << c.id;
    }
    const Command* refresh = FindCommand(ID_MAP_REFRESH);
    ASSERT_NE(refresh, nullptr);
    EXPECT_EQ(CommandHint(*refresh), "Reload map tiles from the server.");
    EXPECT_EQ(CommandTooltip(*refresh), "Refresh");
    EXPECT_EQ(CommandHint(*FindCommand(ID_POPUP_MOVE_PRINT_BOUNDS)), "Move print out bounds here.");
    EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(CommandTable, MenusAndToolbarsOnlyNameKnownCommands) {
    auto known = [](int id) { return id <= 0 || FindCommand(id) != nullptr; };
    for (const MenuLayout& menu : MainMenuLayout())
        for (int id : menu.items)
            EXPECT_TRUE(known(id)) << menu.title << " " << id;
    for (int id : ViewMenuLayout())
        EXPECT_TRUE(known(id)) << id;
    for (const ToolbarLayout& bar : ToolbarLayouts())
        for (int id : bar.items)
            EXPECT_TRUE(known(id)) << bar.name << " " << id;
    // Every command of the table is reachable from a menu, a toolbar or the view's menu.
    std::set<int> reachable;
    for (const MenuLayout& menu : MainMenuLayout())
        reachable.insert(menu.items.begin(), menu.items.end());
    for (const ToolbarLayout& bar : ToolbarLayouts())
        reachable.insert(bar.items.begin(), bar.items.end());
    reachable.insert(ViewMenuLayout().begin(), ViewMenuLayout().end());
    for (int i = 0; i < kTileScalingItemCount; ++i)
        reachable.insert(ID_TILE_SCALING_FIRST + i);
    for (int i = 0; i < kTransparencyItemCount; ++i)
        reachable.insert(ID_TRANSPARENCY_FIRST + i);
    for (int id :
         {ID_SELECT_WRITE_PATTERN, ID_SELECT_WRITE_SET, ID_CHANGE_WRITE_MODE, ID_SET_TRANSPARENCY})
        reachable.insert(id);
    for (const Command& c : CommandTable())
        EXPECT_TRUE(reachable.count(c.id)) << c.id << " " << c.text;
}

TEST(TileScalingChoice, FollowsTheFactorAndIgnoresTheCurrentItem) {
    TileScalingChoice choice;
    EXPECT_EQ(choice.text(), "1.0");
    EXPECT_EQ(choice.CurrentItem(), 4);
    EXPECT_FALSE(choice.Choose(4));  // already current: nothing to do
    EXPECT_TRUE(choice.Choose(6));
    EXPECT_EQ(choice.text(), "2.0");
    EXPECT_TRUE(choice.IsCurrent(6));
    EXPECT_EQ(choice.SetFactor(0.2), 0);
    EXPECT_EQ(choice.SetFactor(1.25), -1);  // no such item
    EXPECT_EQ(choice.text(), "1.2");
    EXPECT_FALSE(choice.Choose(8));
    EXPECT_FALSE(choice.Choose(-1));
}

TEST(WindowPlacementFit, KeepsAPlacementTheScreenShows) {
    WindowPlacement p;
    p.normalLeft = 100;
    p.normalTop = 80;
    p.normalRight = 900;
    p.normalBottom = 680;
    EXPECT_EQ(FitNormalRect(p, {QRect(0, 0, 1920, 1080)}), QRect(100, 80, 800, 600));
    // Partly off the screen is left as it is.
    p.normalLeft = -300;
    EXPECT_EQ(FitNormalRect(p, {QRect(0, 0, 1920, 1080)}), QRect(-300, 80, 1200, 600));
}

TEST(WindowPlacementFit, BringsBackAWindowFromAScreenThatIsGone) {
    WindowPlacement p;
    p.normalLeft = 3000;
    p.normalTop = 100;
    p.normalRight = 3800;
    p.normalBottom = 700;
    const QRect fitted = FitNormalRect(p, {QRect(0, 0, 1280, 1024), QRect(-1280, 0, 1280, 1024)});
    EXPECT_EQ(fitted, QRect(240, 212, 800, 600));
    // On the second screen it stays there.
    p.normalLeft = -1000;
    p.normalRight = -200;
    EXPECT_EQ(FitNormalRect(p, {QRect(0, 0, 1280, 1024), QRect(-1280, 0, 1280, 1024)}),
              QRect(-1000, 100, 800, 600));
}

TEST(WindowPlacementFit, NonsenseTakesTheDefault) {
    WindowPlacement p;
    p.normalRight = p.normalLeft;  // no width
    EXPECT_EQ(FitNormalRect(p, {QRect(0, 0, 1920, 1080)}), QRect(50, 50, 550, 550));
    p.normalLeft = -2147483647 - 1;
    p.normalRight = 2147483647;
    EXPECT_EQ(FitNormalRect(p, {QRect(0, 0, 1920, 1080)}), QRect(50, 50, 550, 550));
    // Larger than the screen: cut to it.
    p.normalLeft = 0;
    p.normalTop = 0;
    p.normalRight = 5000;
    p.normalBottom = 4000;
    EXPECT_EQ(FitNormalRect(p, {QRect(0, 0, 1920, 1080)}), QRect(0, 0, 1920, 1080));
}

TEST(WindowPlacementFit, StoredShowStates) {
    WindowPlacement previous;
    previous.minPositionX = -1;
    const QRect normal(10, 20, 300, 200);
    WindowPlacement p = PlacementOf(normal, Qt::WindowNoState, previous);
    EXPECT_EQ(p.showCmd, kShowNormal);
    EXPECT_EQ(p.normalLeft, 10);
    EXPECT_EQ(p.normalTop, 20);
    EXPECT_EQ(p.normalRight, 310);
    EXPECT_EQ(p.normalBottom, 220);
    EXPECT_EQ(p.minPositionX, -1);
    EXPECT_EQ(PlacementOf(normal, Qt::WindowMaximized, previous).showCmd, kShowMaximized);
    p = PlacementOf(normal, Qt::WindowMinimized | Qt::WindowMaximized, previous);
    EXPECT_EQ(p.showCmd, kShowMinimized);
    EXPECT_EQ(p.flags, kRestoreToMaximized);
}

}  // namespace
}  // namespace hfp
