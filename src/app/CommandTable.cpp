#include "app/CommandTable.h"

#include <algorithm>

namespace hfp {

const char* const kTileScalingMenuTitle = "Tile scaling";
const char* const kTransparencyMenuTitle = "Transparency ratio(&H)";

const std::vector<Command>& CommandTable() {
    static const std::vector<Command> table = {
        {ID_FILE_PRINT, "Print(&P)...", "Ctrl+P", "Print the map in the print out bounds.\nPrint"},
        {ID_FILE_PRINT_PREVIEW, "Print preview(&V)", "Ctrl+R",
         "Show the sheets as they will be printed.\nPrint preview"},
        {ID_FILE_PRINT_SETUP, "Printer setting(&R)...", "Ctrl+Shift+P",
         "Choose the printer and its paper.\nPrinter setting"},
        {ID_FILE_FILEOUT, "File out(&F)...", "Ctrl+O", "Write the map to an image file.\nFile out"},
        {ID_FILE_SHOW_INFORMATION, "Show information(I)", "Ctrl+Shift+I",
         "Show the version, memory, printer and tile cache figures.\nShow information"},
        {ID_APP_EXIT, "Exit(&X)", "", "Quit the application.\nExit"},
        {ID_EDIT_UNDO, "Undo(&U)", "Ctrl+Z", "Undo the last change of the write set.\nUndo"},
        {ID_EDIT_CUT, "Cut(&T)", "Ctrl+X", "Move the selected objects to the clipboard.\nCut"},
        {ID_EDIT_COPY, "Copy(&C)", "Ctrl+C", "Copy the selected objects to the clipboard.\nCopy"},
        {ID_EDIT_PASTE, "Paste(&P)", "Ctrl+V", "Insert the objects of the clipboard.\nPaste"},
        {ID_EDIT_DELETE, "Delete(&D)", "Del", "Delete the selected objects.\nDelete"},
        {ID_VIEW_TOOLBAR, "Edit toolbar(&T)", "",
         "Show or hide the edit toolbar.\nToggle edit toolbar"},
        {ID_VIEW_MAP_TOOLBAR, "Map toolbar(&M)", "",
         "Show or hide the map toolbar.\nToggle map toolbar"},
        {ID_VIEW_WRITE_TOOLBAR, "Write toolbar(&W)", "",
         "Show or hide the write toolbar.\nToggle write toolbar"},
        {ID_VIEW_SETTING_TOOLBAR, "Setting toolbar(&C)", "",
         "Show or hide the setting toolbar.\nToggle setting toolbar"},
        {ID_VIEW_STATUS_BAR, "Statusbar(&S)", "",
         "Show or hide the status bar.\nToggle status bar"},
        {ID_MAP_REFRESH, "Refresh(&S)", "F5", "Reload map tiles from the server.\nRefresh"},
        {ID_MAP_MOVE_LATLNG, "Move to latitude/longitude(&G)...", "Ctrl+G",
         "Move the map to a latitude and longitude.\nMove to latitude/longitude"},
        {ID_MAP_POSITION_REGISTER, "Position register(&J)...", "Ctrl+J",
         "Register named positions and move to them.\nPosition register"},
        {ID_MAP_MOVE_PRINT_BOUNDS, "Move print out bounds to center(&T)", "Ctrl+T",
         "Move the print out bounds to the center of the map.\nMove print out bounds"},
        {ID_MAP_MOVE_FILEOUT_BOUNDS, "Move file out bounds to center(&F)", "Ctrl+F",
         "Move the file out bounds to the center of the map.\nMove file out bounds"},
        {ID_MAP_PRINT_HISTORY, "Print history(&H)", "Ctrl+Shift+H",
         "Show the places printed before.\nPrint history"},
        {ID_MAP_ZOOM_IN, "Zoom in(&Z)", "Up", "Show the map one zoom level closer.\nZoom in"},
        {ID_MAP_ZOOM_OUT, "Zoom out(&R)", "Down", "Show the map one zoom level farther.\nZoom out"},
        {ID_TILE_SCALING_FIRST + 0, "0.2", "",
         "Show a map tile pixel as 0.2 screen pixels.\nTile scaling 0.2"},
        {ID_TILE_SCALING_FIRST + 1, "0.4", "",
         "Show a map tile pixel as 0.4 screen pixels.\nTile scaling 0.4"},
        {ID_TILE_SCALING_FIRST + 2, "0.6", "",
         "Show a map tile pixel as 0.6 screen pixels.\nTile scaling 0.6"},
        {ID_TILE_SCALING_FIRST + 3, "0.8", "",
         "Show a map tile pixel as 0.8 screen pixels.\nTile scaling 0.8"},
        {ID_TILE_SCALING_FIRST + 4, "1.0", "",
         "Show a map tile pixel as one screen pixel.\nTile scaling 1.0"},
        {ID_TILE_SCALING_FIRST + 5, "1.5", "",
         "Show a map tile pixel as 1.5 screen pixels.\nTile scaling 1.5"},
        {ID_TILE_SCALING_FIRST + 6, "2.0", "",
         "Show a map tile pixel as 2 screen pixels.\nTile scaling 2.0"},
        {ID_TILE_SCALING_FIRST + 7, "3.0", "",
         "Show a map tile pixel as 3 screen pixels.\nTile scaling 3.0"},
        {ID_MAP_SPOT_INFORMATION, "Spot information(&K)", "Ctrl+K",
         "Show or hide the spots of the hiking service.\nSpot information"},
        {ID_WRITE_SET, "Write set(&W)...", "Ctrl+W",
         "Show, order, export and import write sets.\nWrite set"},
        {ID_WRITE_PATTERN, "Write pattern(&A)...", "Ctrl+B",
         "Edit the write patterns.\nWrite pattern"},
        {ID_WRITE_COLOR, "Color select(&C)...", "Ctrl+I",
         "Choose the color of new and selected objects.\nColor select"},
        {ID_WRITE_LINE_STYLE, "Line style(N)...", "Ctrl+L",
         "Choose the line width and dash style.\nLine style"},
        {ID_TRANSPARENCY_FIRST + 0, "100%", "", "Draw objects fully opaque.\nTransparency 100%"},
        {ID_TRANSPARENCY_FIRST + 1, "90%", "", "Draw objects at 90% opacity.\nTransparency 90%"},
        {ID_TRANSPARENCY_FIRST + 2, "80%", "", "Draw objects at 80% opacity.\nTransparency 80%"},
        {ID_TRANSPARENCY_FIRST + 3, "70%", "", "Draw objects at 70% opacity.\nTransparency 70%"},
        {ID_TRANSPARENCY_FIRST + 4, "60%", "", "Draw objects at 60% opacity.\nTransparency 60%"},
        {ID_TRANSPARENCY_FIRST + 5, "50%", "", "Draw objects at 50% opacity.\nTransparency 50%"},
        {ID_TRANSPARENCY_FIRST + 6, "40%", "", "Draw objects at 40% opacity.\nTransparency 40%"},
        {ID_TRANSPARENCY_FIRST + 7, "30%", "", "Draw objects at 30% opacity.\nTransparency 30%"},
        {ID_TRANSPARENCY_FIRST + 8, "20%", "", "Draw objects at 20% opacity.\nTransparency 20%"},
        {ID_TRANSPARENCY_FIRST + 9, "10%", "", "Draw objects at 10% opacity.\nTransparency 10%"},
        {ID_WRITE_SELECT, "Select objects(&R)", "F2",
         "Select, move and reshape objects.\nSelect objects"},
        {ID_WRITE_LINE, "Connected line(&L)", "L", "Write a connected line.\nConnected line"},
        {ID_WRITE_RECTANGLE, "Rectangle(&Q)", "B", "Write a rectangle.\nRectangle"},
        {ID_WRITE_ELLIPSE, "Ellipse(&E)", "E", "Write an ellipse.\nEllipse"},
        {ID_WRITE_STRING, "String(&S)...", "S", "Write a string.\nString"},
        {ID_WRITE_PICTURE, "Picture file(&P)...", "P",
         "Put a picture file on the map.\nPicture file"},
        {ID_WRITE_MOST_FRONT, "Move to the most front(&T)", "Shift+F3",
         "Bring the selected objects in front of all others.\nMove to the most front"},
        {ID_WRITE_MOST_BACK, "Move to the most back(&K)", "Shift+F4",
         "Send the selected objects behind all others.\nMove to the most back"},
        {ID_WRITE_FRONT, "Move to front(&F)", "Ctrl+F3",
         "Bring the selected objects one step forward.\nMove to front"},
        {ID_WRITE_BACK, "Move to back(&B)", "Ctrl+F4",
         "Send the selected objects one step back.\nMove to back"},
        {ID_SETTING, "Setting(&S)...", "Ctrl+S", "Change the settings of the program.\nSetting"},
        {ID_OUTPUT_SETTING, "Output setting(&E)...", "Ctrl+E",
         "Change the layouts for printing, file out and the screen.\nOutput setting"},
        {ID_APP_ABOUT, "About HollowfernPlotter(&A)...", "",
         "Show the program's name, version and copyright.\nAbout"},
        {ID_HELP, "Help", "F1", "Open the help.\nHelp"},
        {ID_HELP_WEBSITE, "Website of HollowfernPlotter(&W)", "",
         "Open the website of HollowfernPlotter in the web browser.\nWebsite"},
        {ID_HELP_MESSAGE_BOARD, "Message board(&B)", "",
         "Open the message board of the hiking service in the web browser.\nMessage board"},
        {ID_HELP_GSI_POLICY, "GSI acceptable use policy", "",
         "Open the acceptable use policy of the GSI maps in the web browser.\nGSI acceptable "
         "use policy"},
        {ID_POPUP_MOVE_PRINT_BOUNDS, "Move print out bounds to center(&P)", "",
         "Move print out bounds here.\nMove print out bounds"},
        {ID_POPUP_MOVE_FILEOUT_BOUNDS, "Move file out bounds to center(&F)", "",
         "Move file out bounds here.\nMove file out bounds"},
        {ID_POPUP_ZOOM_IN, "Zoom in(&Z)", "", "Show the map one zoom level closer.\nZoom in"},
        {ID_POPUP_ZOOM_OUT, "Zoom out(&R)", "", "Show the map one zoom level farther.\nZoom out"},
        {ID_LEVEL_0, "7", "", "Show the whole country at zoom level 7.\nLevel 7"},
        {ID_LEVEL_1, "8", "", "Show the map at zoom level 8.\nLevel 8"},
        {ID_LEVEL_2, "9", "", "Show the map at zoom level 9.\nLevel 9"},
        {ID_LEVEL_3, "10", "", "Show the map at zoom level 10.\nLevel 10"},
        {ID_LEVEL_4, "11", "", "Show the map at zoom level 11.\nLevel 11"},
        {ID_SELECT_WRITE_PATTERN, "Select write pattern", "",
         "Choose the write pattern to draw with.\nSelect write pattern"},
        {ID_SELECT_WRITE_SET, "Select write set", "",
         "Choose the write set to draw in.\nSelect write set"},
        {ID_CHANGE_WRITE_MODE, "Change write mode", "",
         "Change the write mode.\nChange write mode"},
        {ID_SET_TRANSPARENCY, "Set transparency ratio", "",
         "Set the opacity of new objects in percent.\nSet transparency ratio"},
    };
    return table;
}

const Command* FindCommand(int id) {
    const auto& table = CommandTable();
    auto it =
        std::find_if(table.begin(), table.end(), [id](const Command& c) { return c.id == id; });
    return it == table.end() ? nullptr : &*it;
}

std::string CommandHint(const Command& command) {
    std::string prompt = command.prompt;
    return prompt.substr(0, prompt.find('\n'));
}

std::string CommandTooltip(const Command& command) {
    std::string prompt = command.prompt;
    auto split = prompt.find('\n');
    return split == std::string::npos ? prompt : prompt.substr(split + 1);
}

const std::vector<MenuLayout>& MainMenuLayout() {
    static const std::vector<MenuLayout> menus = {
        {"File(&F)",
         {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, kSeparator, ID_FILE_FILEOUT,
          kSeparator, ID_FILE_SHOW_INFORMATION, kSeparator, ID_APP_EXIT}},
        {"Edit(&E)",
         {ID_EDIT_UNDO, kSeparator, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE}},
        {"Display(&V)",
         {ID_VIEW_TOOLBAR, ID_VIEW_MAP_TOOLBAR, ID_VIEW_WRITE_TOOLBAR, ID_VIEW_SETTING_TOOLBAR,
          ID_VIEW_STATUS_BAR}},
        {"Map(&M)",
         {ID_MAP_REFRESH, kSeparator, ID_MAP_MOVE_LATLNG, ID_MAP_POSITION_REGISTER, kSeparator,
          ID_MAP_MOVE_PRINT_BOUNDS, ID_MAP_MOVE_FILEOUT_BOUNDS, ID_MAP_PRINT_HISTORY, kSeparator,
          ID_MAP_ZOOM_IN, ID_MAP_ZOOM_OUT, kTileScalingSubmenu, kSeparator,
          ID_MAP_SPOT_INFORMATION}},
        {"Write(&W)",
         {ID_WRITE_SET, ID_WRITE_PATTERN, kSeparator, ID_WRITE_COLOR, ID_WRITE_LINE_STYLE,
          kTransparencySubmenu, kSeparator, ID_WRITE_SELECT, ID_WRITE_LINE, ID_WRITE_RECTANGLE,
          ID_WRITE_ELLIPSE, ID_WRITE_STRING, ID_WRITE_PICTURE, kSeparator, ID_WRITE_MOST_FRONT,
          ID_WRITE_MOST_BACK, ID_WRITE_FRONT, ID_WRITE_BACK}},
        {"Setting(&S)", {ID_SETTING, ID_OUTPUT_SETTING}},
        {"Help(&H)",
         {ID_HELP, kSeparator, ID_HELP_WEBSITE, ID_HELP_MESSAGE_BOARD, ID_HELP_GSI_POLICY,
          kSeparator, ID_APP_ABOUT}},
    };
    return menus;
}

const std::vector<int>& ViewMenuLayout() {
    static const std::vector<int> items = {ID_POPUP_MOVE_PRINT_BOUNDS, ID_POPUP_MOVE_FILEOUT_BOUNDS,
                                           kSeparator, ID_POPUP_ZOOM_IN, ID_POPUP_ZOOM_OUT};
    return items;
}

const std::vector<ToolbarLayout>& ToolbarLayouts() {
    static const std::vector<ToolbarLayout> bars = {
        {"EditToolbar",
         "Edit toolbar",
         {ID_EDIT_UNDO, kSeparator, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE,
          kSeparator, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_FILEOUT}},
        {"MapToolbar",
         "Map toolbar",
         {ID_MAP_REFRESH, kSeparator, ID_MAP_ZOOM_IN, ID_MAP_ZOOM_OUT, kSeparator, ID_LEVEL_0,
          ID_LEVEL_1, ID_LEVEL_2, ID_LEVEL_3, ID_LEVEL_4, kSeparator, ID_MAP_MOVE_LATLNG,
          ID_MAP_POSITION_REGISTER, kSeparator, kBoxTileScalingLabel, kBoxTileScaling}},
        {"WriteToolbar",
         "Write toolbar",
         {kBoxWriteSet, ID_WRITE_SET, kSeparator, kBoxColor, kBoxLineStyle, kBoxTransparency,
          kSeparator, ID_WRITE_SELECT, ID_WRITE_LINE, ID_WRITE_RECTANGLE, ID_WRITE_ELLIPSE,
          ID_WRITE_STRING, ID_WRITE_PICTURE, kBoxPattern, ID_WRITE_PATTERN}},
        {"SettingToolbar",
         "Setting toolbar",
         {ID_SETTING, ID_OUTPUT_SETTING, kSeparator, ID_MAP_SPOT_INFORMATION, kSeparator, ID_HELP}},
    };
    return bars;
}

}  // namespace hfp
