#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "app/ToolIcons.h"
#include "app/WindowPlacementFit.h"

namespace hfp {
namespace {

// A layout that names a command the table lacks leaves a hole in its menu or bar: the window
// passes over a command it cannot find.
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
}

// On a desktop without an icon theme every toolbar button still shows a picture of its own:
// never a blank button, never two alike.
TEST(ToolIcons, EveryToolbarCommandHasAPictureWithoutAnIconTheme) {
    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName("none");
    std::vector<QImage> seen;
    for (const ToolbarLayout& bar : ToolbarLayouts()) {
        for (int id : bar.items) {
            if (id <= 0) continue;
            const QImage image = ToolIcon(id).pixmap(24, 24).toImage();
            int drawn = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    drawn += qAlpha(image.pixel(x, y)) > 128;
            EXPECT_GT(drawn, 20) << id;
            for (const QImage& other : seen)
                EXPECT_NE(image, other) << id;
            seen.push_back(image);
        }
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(theme);
}

// A stored placement (it always has a show state) is kept where a screen shows it, brought
// back from a screen that is gone and cut to its screen; nonsense takes the default. Without
// one, the first start takes the wished size cut to the primary screen, in its middle. The
// show state is stored as the window has it.
TEST(WindowPlacementFit, StoredPlacementsKeptFirstStartFittedShowStateStored) {
    struct Case {
        int showCmd;
        QRect stored;
        QRect expected;
    };
    const QList<QRect> screens = {QRect(0, 0, 1280, 1024), QRect(-1280, 0, 1280, 1024)};
    const Case cases[] = {
        {kShowNormal, QRect(100, 80, 800, 600), QRect(100, 80, 800, 600)},
        {kShowNormal, QRect(-1000, 100, 800, 600), QRect(-1000, 100, 800, 600)},
        {kShowMaximized, QRect(3000, 100, 800, 600), QRect(240, 212, 800, 600)},
        {kShowNormal, QRect(0, 0, 5000, 4000), QRect(0, 0, 1280, 1024)},
        {kShowNormal, QRect(50, 50, 0, 300), QRect(50, 50, 550, 550)},
        {kShowNormal, QRect(-2147483647 - 1, 0, 100, 100), QRect(50, 50, 550, 550)},
        {0, QRect(50, 50, 550, 550), QRect(140, 162, 1000, 700)},
    };
    for (const Case& c : cases) {
        WindowPlacement p;
        p.showCmd = c.showCmd;
        p.normalLeft = c.stored.left();
        p.normalTop = c.stored.top();
        p.normalRight = c.stored.left() + c.stored.width();
        p.normalBottom = c.stored.top() + c.stored.height();
        EXPECT_EQ(FitNormalRect(p, screens, QSize(1000, 700)), c.expected) << c.stored.x();
    }
    WindowPlacement first;
    EXPECT_EQ(FitNormalRect(first, {QRect(0, 0, 1024, 600)}, QSize(1200, 800)),
              QRect(0, 0, 1024, 600));
    // Minimised from maximised, it comes back maximised.
    const WindowPlacement p = PlacementOf({}, Qt::WindowMinimized | Qt::WindowMaximized, {});
    EXPECT_EQ(p.showCmd, kShowMinimized);
    EXPECT_EQ(p.flags, kRestoreToMaximized);
}

}  // namespace
}  // namespace hfp
