#pragma once

#include <string>
#include <vector>

namespace hfp {

// The commands of the main window, by their ids.
enum CommandId : int {
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_FILEOUT = 32828,
    ID_FILE_SHOW_INFORMATION = 32910,
    ID_APP_EXIT = 57665,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_CUT = 57635,
    ID_EDIT_COPY = 57634,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_DELETE = 32899,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_MAP_TOOLBAR = 32815,
    ID_VIEW_WRITE_TOOLBAR = 32868,
    ID_VIEW_SETTING_TOOLBAR = 32867,
    ID_VIEW_STATUS_BAR = 59393,
    ID_MAP_REFRESH = 32787,
    ID_MAP_MOVE_LATLNG = 32791,
    ID_MAP_POSITION_REGISTER = 32855,
    ID_MAP_MOVE_PRINT_BOUNDS = 32773,
    ID_MAP_MOVE_FILEOUT_BOUNDS = 32852,
    ID_MAP_PRINT_HISTORY = 32923,
    ID_MAP_ZOOM_IN = 32813,
    ID_MAP_ZOOM_OUT = 32814,
    ID_TILE_SCALING_FIRST = 32972,  // "0.2" ... "3.0", eight ids in a row
    ID_TILE_SCALING_LAST = 32979,
    ID_MAP_SPOT_INFORMATION = 32933,
    ID_WRITE_SET = 32869,
    ID_WRITE_PATTERN = 32870,
    ID_WRITE_COLOR = 32871,
    ID_WRITE_LINE_STYLE = 32873,
    ID_TRANSPARENCY_FIRST = 32947,  // "100%" ... "10%", ten ids in a row
    ID_TRANSPARENCY_LAST = 32956,
    ID_WRITE_SELECT = 32885,
    ID_WRITE_LINE = 32876,
    ID_WRITE_RECTANGLE = 32877,
    ID_WRITE_ELLIPSE = 32878,
    ID_WRITE_STRING = 32879,
    ID_WRITE_PICTURE = 32881,
    ID_WRITE_MOST_FRONT = 32889,
    ID_WRITE_MOST_BACK = 32901,
    ID_WRITE_FRONT = 32902,
    ID_WRITE_BACK = 32890,
    ID_SETTING = 32771,
    ID_OUTPUT_SETTING = 32772,
    ID_APP_ABOUT = 57664,
    ID_HELP = 57670,
    ID_HELP_WEBSITE = 32959,
    ID_HELP_MESSAGE_BOARD = 32960,
    ID_HELP_GSI_POLICY = 32984,
    // The view's right-click menu.
    ID_POPUP_MOVE_PRINT_BOUNDS = 32776,
    ID_POPUP_MOVE_FILEOUT_BOUNDS = 32827,
    ID_POPUP_ZOOM_IN = 32816,
    ID_POPUP_ZOOM_OUT = 32818,
    // Toolbar-only commands: the five level buttons (level indexes 0 to 4) and the boxes.
    ID_LEVEL_0 = 32788,
    ID_LEVEL_1 = 32792,
    ID_LEVEL_2 = 32781,
    ID_LEVEL_3 = 32782,
    ID_LEVEL_4 = 32783,
    ID_SELECT_WRITE_PATTERN = 32883,
    ID_SELECT_WRITE_SET = 32884,
    ID_CHANGE_WRITE_MODE = 32898,
    ID_SET_TRANSPARENCY = 32904,
};

constexpr int kTileScalingItemCount = 8;
constexpr int kTransparencyItemCount = 10;
constexpr int kLevelCommandCount = 5;
// The level commands in the order of the level indexes they jump to.
constexpr CommandId kLevelCommands[kLevelCommandCount] = {ID_LEVEL_0, ID_LEVEL_1, ID_LEVEL_2,
                                                          ID_LEVEL_3, ID_LEVEL_4};

// One command: its text in menus (or on its toolbar button), its shortcut in the portable
// text form ("Ctrl+Shift+P"), and its prompt: the status-bar hint and the tooltip, split by a
// line feed.
struct Command {
    int id;
    const char* text;
    const char* shortcut;
    const char* prompt;
};

const std::vector<Command>& CommandTable();
// The command with that id; null for an id the table lacks.
const Command* FindCommand(int id);
// The two halves of a prompt.
std::string CommandHint(const Command& command);
std::string CommandTooltip(const Command& command);

// The top-level menus in their order, each a list of command ids: 0 a separator, a negative
// number a submenu (-1 tile scaling, -2 transparency ratio).
struct MenuLayout {
    const char* title;
    std::vector<int> items;
};
constexpr int kSeparator = 0;
constexpr int kTileScalingSubmenu = -1;
constexpr int kTransparencySubmenu = -2;
const std::vector<MenuLayout>& MainMenuLayout();
extern const char* const kTileScalingMenuTitle;
extern const char* const kTransparencyMenuTitle;
// The view's right-click menu.
const std::vector<int>& ViewMenuLayout();

// Toolbars, each a list of command ids; 0 is a separator and a negative number an embedded
// box (below).
enum ToolbarBox : int {
    kBoxWriteSet = -1,
    kBoxColor = -2,
    kBoxLineStyle = -3,
    kBoxTransparency = -4,
    kBoxPattern = -5,
    kBoxTileScalingLabel = -6,
    kBoxTileScaling = -7,
};
struct ToolbarLayout {
    const char* name;   // the object name under which its place is saved
    const char* title;  // shown where the toolbar is named
    std::vector<int> items;
};
const std::vector<ToolbarLayout>& ToolbarLayouts();

}  // namespace hfp
