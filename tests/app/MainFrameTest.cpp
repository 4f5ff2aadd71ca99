// The main window: menus, commands, toolbars, status bar, help and web links, and what it
// keeps from one run to the next.
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"

namespace hfp::test {
namespace {

using MainFrameTest = FrameFixture;

struct Expected {
    int id;
    const char* text;
    const char* shortcut;
};

// The command table of the main window, as the user meets it.
const Expected kCommands[] = {
    {57607, "Print(&P)...", "Ctrl+P"},
    {57609, "Print preview(&V)", "Ctrl+R"},
    {57606, "Printer setting(&R)...", "Ctrl+Shift+P"},
    {32828, "File out(&F)...", "Ctrl+O"},
    {32910, "Show information(I)", "Ctrl+Shift+I"},
    {57665, "Exit(&X)", ""},
    {57643, "Undo(&U)", "Ctrl+Z"},
    {57635, "Cut(&T)", "Ctrl+X"},
    {57634, "Copy(&C)", "Ctrl+C"},
    {57637, "Paste(&P)", "Ctrl+V"},
    {32899, "Delete(&D)", "Del"},
    {59392, "Edit toolbar(&T)", ""},
    {32815, "Map toolbar(&M)", ""},
    {32868, "Write toolbar(&W)", ""},
    {32867, "Setting toolbar(&C)", ""},
    {59393, "Statusbar(&S)", ""},
    {32787, "Refresh(&S)", "F5"},
    {32791, "Move to latitude/longitude(&G)...", "Ctrl+G"},
    {32855, "Position register(&J)...", "Ctrl+J"},
    {32773, "Move print out bounds to center(&T)", "Ctrl+T"},
    {32852, "Move file out bounds to center(&F)", "Ctrl+F"},
    {32923, "Print history(&H)", "Ctrl+Shift+H"},
    {32813, "Zoom in(&Z)", "Up"},
    {32814, "Zoom out(&R)", "Down"},
    {32972, "0.2", ""},
    {32973, "0.4", ""},
    {32974, "0.6", ""},
    {32975, "0.8", ""},
    {32976, "1.0", ""},
    {32977, "1.5", ""},
    {32978, "2.0", ""},
    {32979, "3.0", ""},
    {32933, "Spot information(&K)", "Ctrl+K"},
    {32869, "Write set(&W)...", "Ctrl+W"},
    {32870, "Write pattern(&A)...", "Ctrl+B"},
    {32871, "Color select(&C)...", "Ctrl+I"},
    {32873, "Line style(N)...", "Ctrl+L"},
    {32947, "100%", ""},
    {32951, "60%", ""},
    {32956, "10%", ""},
    {32885, "Select objects(&R)", "F2"},
    {32876, "Connected line(&L)", "L"},
    {32877, "Rectangle(&Q)", "B"},
    {32878, "Ellipse(&E)", "E"},
    {32879, "String(&S)...", "S"},
    {32881, "Picture file(&P)...", "P"},
    {32889, "Move to the most front(&T)", "Shift+F3"},
    {32901, "Move to the most back(&K)", "Shift+F4"},
    {32902, "Move to front(&F)", "Ctrl+F3"},
    {32890, "Move to back(&B)", "Ctrl+F4"},
    {32771, "Setting(&S)...", "Ctrl+S"},
    {32772, "Output setting(&E)...", "Ctrl+E"},
    {57664, "About HollowfernPlotter(&A)...", ""},
    {57670, "Help", "F1"},
    {32959, "Website of HollowfernPlotter(&W)", ""},
    {32960, "Message board(&B)", ""},
    {32984, "GSI acceptable use policy", ""},
};

// Every action of a menu and its submenus.
void Collect(QMenu* menu, std::vector<QAction*>* actions) {
    for (QAction* a : menu->actions()) {
        if (a->menu())
            Collect(a->menu(), actions);
        else if (!a->isSeparator())
            actions->push_back(a);
    }
}

TEST_F(MainFrameTest, SevenMenusWithEveryCommand) {
    auto frame = Open();
    std::vector<QString> titles;
    std::vector<QAction*> inMenus;
    for (QAction* top : frame->menuBar()->actions()) {
        titles.push_back(top->text());
        Collect(top->menu(), &inMenus);
    }
    EXPECT_EQ(titles, (std::vector<QString>{"File(&F)", "Edit(&E)", "Display(&V)", "Map(&M)",
                                            "Write(&W)", "Setting(&S)", "Help(&H)"}));
    for (const Expected& e : kCommands) {
        QAction* a = frame->action(e.id);
        ASSERT_NE(a, nullptr) << e.id;
        EXPECT_EQ(a->text().toStdString(), e.text) << e.id;
        EXPECT_EQ(a->shortcut().toString().toStdString(), e.shortcut) << e.id;
        EXPECT_NE(std::find(inMenus.begin(), inMenus.end(), a), inMenus.end()) << e.text;
        EXPECT_FALSE(a->statusTip().isEmpty()) << e.text;
        EXPECT_FALSE(a->toolTip().isEmpty()) << e.text;
    }
    EXPECT_EQ(frame->action(ID_MAP_REFRESH)->statusTip(), "Reload map tiles from the server.");
    EXPECT_EQ(frame->action(ID_MAP_REFRESH)->toolTip(), "Refresh");
    // The submenus.
    QMenu* map = frame->menuBar()->actions()[3]->menu();
    std::vector<QString> submenus;
    for (QAction* a : map->actions())
        if (a->menu()) submenus.push_back(a->text());
    EXPECT_EQ(submenus, std::vector<QString>{"Tile scaling"});
    QMenu* write = frame->menuBar()->actions()[4]->menu();
    submenus.clear();
    for (QAction* a : write->actions())
        if (a->menu()) submenus.push_back(a->text());
    EXPECT_EQ(submenus, std::vector<QString>{"Transparency ratio(&H)"});
}

TEST_F(MainFrameTest, LaterCommandsWaitDisabled) {
    auto frame = Open();
    for (int id : {ID_APP_EXIT,
                   ID_VIEW_TOOLBAR,
                   ID_VIEW_MAP_TOOLBAR,
                   ID_VIEW_WRITE_TOOLBAR,
                   ID_VIEW_SETTING_TOOLBAR,
                   ID_VIEW_STATUS_BAR,
                   ID_MAP_REFRESH,
                   ID_MAP_ZOOM_IN,
                   ID_MAP_ZOOM_OUT,
                   ID_TILE_SCALING_FIRST,
                   ID_TILE_SCALING_LAST,
                   ID_APP_ABOUT,
                   ID_HELP,
                   ID_HELP_WEBSITE,
                   ID_HELP_MESSAGE_BOARD,
                   ID_HELP_GSI_POLICY,
                   ID_LEVEL_0,
                   ID_LEVEL_4,
                   ID_POPUP_ZOOM_IN,
                   ID_POPUP_ZOOM_OUT})
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    for (int id : {ID_FILE_PRINT, ID_FILE_FILEOUT, ID_EDIT_UNDO, ID_EDIT_DELETE, ID_WRITE_SET,
                   ID_WRITE_LINE, ID_SETTING, ID_MAP_MOVE_LATLNG, ID_MAP_SPOT_INFORMATION,
                   ID_TRANSPARENCY_FIRST, ID_POPUP_MOVE_FILEOUT_BOUNDS})
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    // A disabled command's key does nothing: Ctrl+P opens no dialog.
    QTest::keyClick(frame.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainFrameTest, ToolbarsWithTheirBoxes) {
    auto frame = Open();
    const char* names[] = {"EditToolbar", "MapToolbar", "WriteToolbar", "SettingToolbar"};
    for (int i = 0; i < CMainFrame::kToolbarCount; ++i) {
        QToolBar* bar = frame->toolbar(static_cast<CMainFrame::Toolbar>(i));
        EXPECT_EQ(bar->objectName(), names[i]);
        EXPECT_TRUE(bar->isVisible());
    }
    QComboBox* scaling = frame->tileScalingBox();
    ASSERT_EQ(scaling->count(), 8);
    QStringList items;
    for (int i = 0; i < scaling->count(); ++i)
        items << scaling->itemText(i);
    EXPECT_EQ(items, QStringList({"0.2", "0.4", "0.6", "0.8", "1.0", "1.5", "2.0", "3.0"}));
    EXPECT_EQ(scaling->currentText(), "1.0");
    EXPECT_EQ(scaling->width(), 50);
    EXPECT_EQ(scaling->parentWidget(), frame->toolbar(CMainFrame::kMapToolbar));
    EXPECT_EQ(frame->writeSetBox()->width(), 200);
    EXPECT_EQ(frame->colorButton()->width(), 40);
    EXPECT_EQ(frame->lineStyleButton()->width(), 100);
    EXPECT_EQ(frame->transparencyBox()->width(), 50);
    EXPECT_EQ(frame->patternBox()->width(), 200);
    ASSERT_GE(frame->patternBox()->count(), 1);
    EXPECT_EQ(frame->patternBox()->itemText(0), "(Unselected)");
    for (QWidget* box : std::initializer_list<QWidget*>{
             frame->writeSetBox(), frame->colorButton(), frame->lineStyleButton(),
             frame->transparencyBox(), frame->patternBox()})
        EXPECT_EQ(box->parentWidget(), frame->toolbar(CMainFrame::kWriteToolbar));
    QList<QLabel*> labels = frame->toolbar(CMainFrame::kMapToolbar)->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), "Tile scaling");
    EXPECT_EQ(labels[0]->width(), 80);
}

TEST_F(MainFrameTest, StatusBarPanes) {
    auto frame = Open();
    QList<QLabel*> panes = frame->statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(panes.size(),
              5);  // the fixed pane and four lock indicators; the text pane is the bar's own
    EXPECT_EQ(panes[0]->width(), 580);
    // Hints of commands show in the text pane.
    QStatusTipEvent tip(frame->action(ID_MAP_REFRESH)->statusTip());
    QApplication::sendEvent(frame.get(), &tip);
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Reload map tiles from the server.");
}

TEST_F(MainFrameTest, ToolbarTogglesCheckWhileShown) {
    auto frame = Open();
    QAction* toggle = frame->action(ID_VIEW_WRITE_TOOLBAR);
    frame->UpdateCommandStates();
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(frame->toolbar(CMainFrame::kWriteToolbar)->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(frame->toolbar(CMainFrame::kWriteToolbar)->isHidden());
    EXPECT_TRUE(toggle->isChecked());
    frame->action(ID_VIEW_STATUS_BAR)->trigger();
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(frame->action(ID_VIEW_STATUS_BAR)->isChecked());
}

TEST_F(MainFrameTest, PlaceAndToolbarsSurviveARestart) {
    {
        auto frame = Open();
        frame->setGeometry(120, 130, 700, 500);
        frame->action(ID_VIEW_WRITE_TOOLBAR)->trigger();
        frame->action(ID_VIEW_STATUS_BAR)->trigger();
        QTest::keyClick(frame.get(), Qt::Key_Up);
        QTest::keyClick(frame.get(), Qt::Key_Up);
        frame->close();
    }
    const CSetData saved = ReadSettings();
    EXPECT_EQ(saved.m_windowPlacement.showCmd, 1);
    EXPECT_EQ(saved.m_windowPlacement.normalLeft, 120);
    EXPECT_EQ(saved.m_windowPlacement.normalBottom, 630);
    EXPECT_EQ(saved.m_mapType, 2);

    auto frame = Open();
    EXPECT_EQ(frame->geometry(), QRect(120, 130, 700, 500));
    EXPECT_TRUE(frame->toolbar(CMainFrame::kWriteToolbar)->isHidden());
    EXPECT_FALSE(frame->toolbar(CMainFrame::kMapToolbar)->isHidden());
    EXPECT_TRUE(frame->statusBar()->isHidden());
    frame->UpdateCommandStates();
    EXPECT_FALSE(frame->action(ID_VIEW_WRITE_TOOLBAR)->isChecked());
    EXPECT_TRUE(frame->action(ID_VIEW_MAP_TOOLBAR)->isChecked());
    EXPECT_EQ(frame->view()->navigation().levelIndex(), 2);
}

TEST_F(MainFrameTest, AMaximisedWindowComesBackMaximised) {
    {
        auto frame = Open();
        frame->setGeometry(100, 100, 500, 400);
        frame->showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame->isMaximized(); }));
        frame.reset();  // ends without a close, as when the session ends
    }
    EXPECT_EQ(ReadSettings().m_windowPlacement.showCmd, 3);
    auto frame = Open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->isMaximized(); }));
    EXPECT_EQ(frame->normalGeometry(), QRect(100, 100, 500, 400));
}

TEST_F(MainFrameTest, APlaceOffEveryScreenComesBackOnScreen) {
    WriteSettings([](CSetData& s) {
        s.m_windowPlacement.normalLeft = 40000;
        s.m_windowPlacement.normalTop = 30000;
        s.m_windowPlacement.normalRight = 40400;
        s.m_windowPlacement.normalBottom = 30300;
    });
    auto frame = Open();
    const QRect screen = frame->screen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(frame->geometry())) << frame->geometry().x();
}

TEST_F(MainFrameTest, SettingsAreLoadedAtTheStartAndSavedAtTheEnd) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 8;
        s.m_center = {12700000, 49900000};
        s.m_zoom[8] = 1.5;
        s.m_cairnUserId = "walker";
    });
    {
        auto frame = Open();
        EXPECT_EQ(frame->settings().m_cairnUserId, "walker");
        EXPECT_EQ(frame->view()->navigation().center(), (GeoPoint{12700000, 49900000}));
        EXPECT_EQ(frame->tileScalingBox()->currentText(), "1.5");
        frame->settings().m_cairnUserId = "climber";
        frame->close();
    }
    const CSetData saved = ReadSettings();
    EXPECT_EQ(saved.m_cairnUserId, "climber");
    EXPECT_EQ(saved.m_mapType, 8);
    EXPECT_EQ(saved.m_center, (GeoPoint{12700000, 49900000}));
    EXPECT_DOUBLE_EQ(saved.m_zoom[8], 1.5);
}

TEST_F(MainFrameTest, MissingHelpFileIsReported) {
    auto frame = Open();
    QTest::keyClick(frame.get(), Qt::Key_F1);
    ASSERT_EQ(m_messages.records().size(), 1u);
    EXPECT_EQ(m_messages.records()[0].text, "Cannot open help file.");
    EXPECT_EQ(m_messages.records()[0].icon, MessageIcon::Error);
}

}  // namespace

// Receives the addresses the program hands to the web browser.
class Browser : public QObject {
    Q_OBJECT
  public:
    Browser() { QDesktopServices::setUrlHandler("http", this, "Open"); }
    ~Browser() override { QDesktopServices::unsetUrlHandler("http"); }
    std::vector<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

namespace {

TEST_F(MainFrameTest, WebLinksOpenTheirPagesInTheBrowser) {
    Browser browser;
    auto frame = Open();
    frame->action(ID_HELP_WEBSITE)->trigger();
    frame->action(ID_HELP_MESSAGE_BOARD)->trigger();
    frame->action(ID_HELP_GSI_POLICY)->trigger();
    const std::string host = server().host();
    ASSERT_EQ(browser.opened.size(), 3u);
    EXPECT_EQ(browser.opened[0].toString().toStdString(), "http://" + host + "/");
    EXPECT_EQ(browser.opened[1].toString().toStdString(), "http://" + host + "/yama/bbs.html");
    EXPECT_EQ(browser.opened[2].toString().toStdString(),
              "http://" + host + "/kikakuchousei/kikakuchousei40182.html");
    EXPECT_TRUE(m_messages.records().empty());
}

TEST_F(MainFrameTest, ExitClosesTheWindow) {
    auto frame = Open();
    frame->action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(std::filesystem::exists(m_data / "set.dat"));
}

}  // namespace
}  // namespace hfp::test

#include "MainFrameTest.moc"
