// The main window: toolbars, status bar, help and web links, and what it keeps from one run
// to the next.
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "geo/Projection.h"

namespace hfp::test {
namespace {

using MainFrameTest = FrameFixture;

// At the size of a first start (fitted to the screen as the placement tests say) every toolbar
// button shows (none behind the bar's extension button); the cursor readout names the place
// and colour under the cursor and fits in the status bar left of its indicators.
TEST_F(MainFrameTest, FirstStartShowsEveryButtonAndTheCursorReadout) {
    auto frame = Open();
    frame->resize(CMainFrame::kFirstStartSize);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->size() == CMainFrame::kFirstStartSize; }));
    ASSERT_TRUE(WaitForMap(*frame));
    for (int b = 0; b < CMainFrame::kToolbarCount; ++b) {
        QToolBar* bar = frame->toolbar(static_cast<CMainFrame::Toolbar>(b));
        for (QAction* a : bar->actions()) {
            QWidget* button = bar->widgetForAction(a);
            if (a->isSeparator()) continue;
            EXPECT_TRUE(button && button->isVisible()) << a->toolTip().toStdString();
        }
    }
    CHollowfernPlotterView* view = frame->view();
    const QPoint at(view->width() - 5, view->height() - 5);
    const QRgb shown = Screen(*frame).pixel(at);
    QTest::mouseMove(view, at);
    const QString text = frame->statusBar()->currentMessage();
    EXPECT_EQ(
        text.toStdString(),
        FormatStatusText(view->navigation().level(), view->Transform().ClientToGeo(at.x(), at.y()),
                         view->navigation().center(), qRed(shown), qGreen(shown), qBlue(shown)));
    int free = frame->statusBar()->width();
    for (QLabel* pane : frame->statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        free = std::min(free, pane->x());
    EXPECT_GT(free, frame->statusBar()->fontMetrics().horizontalAdvance(text));
}

// What the user left (place, hidden bars, level, centre, factor, settings) is there again
// at the next start; the bars' menu items check while the bars show.
TEST_F(MainFrameTest, PlaceBarsAndSettingsSurviveARestart) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 8;
        s.m_center = {12700000, 49900000};
        s.m_zoom[9] = 1.5;
        s.m_cairnUserId = "walker";
    });
    {
        auto frame = Open();
        EXPECT_EQ(frame->settings().m_cairnUserId, "walker");
        frame->setGeometry(120, 130, 700, 500);
        frame->action(ID_VIEW_WRITE_TOOLBAR)->trigger();
        frame->action(ID_VIEW_STATUS_BAR)->trigger();
        EXPECT_TRUE(frame->toolbar(CMainFrame::kWriteToolbar)->isHidden());
        QTest::keyClick(frame.get(), Qt::Key_Up);
        EXPECT_EQ(frame->tileScalingBox()->currentText(), "1.5");
        frame->settings().m_cairnUserId = "climber";
        frame->close();
    }
    const CSetData saved = ReadSettings();
    EXPECT_EQ(saved.m_cairnUserId, "climber");
    EXPECT_DOUBLE_EQ(saved.m_zoom[9], 1.5);

    auto frame = Open();
    EXPECT_EQ(frame->geometry(), QRect(120, 130, 700, 500));
    EXPECT_TRUE(frame->toolbar(CMainFrame::kWriteToolbar)->isHidden());
    EXPECT_TRUE(frame->statusBar()->isHidden());
    frame->UpdateCommandStates();
    EXPECT_FALSE(frame->action(ID_VIEW_WRITE_TOOLBAR)->isChecked());
    EXPECT_TRUE(frame->action(ID_VIEW_MAP_TOOLBAR)->isChecked());
    EXPECT_EQ(frame->view()->navigation().levelIndex(), 9);
    EXPECT_EQ(frame->view()->navigation().center(), (GeoPoint{12700000, 49900000}));
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

// A set.dat that is there but did not load (here a link to a drive that is not mounted) is
// never replaced by the run's settings; the user is told once.
TEST_F(MainFrameTest, ASetDatThatDidNotLoadIsNeverSavedOver) {
    const std::filesystem::path target = m_data / "unmounted" / "set.dat";
    std::filesystem::create_symlink(target, m_data / "set.dat");
    {
        auto frame = Open();
        frame->close();
    }
    EXPECT_EQ(std::filesystem::read_symlink(m_data / "set.dat"), target);
    EXPECT_FALSE(std::filesystem::exists(m_data / "set.dat_temp_"));
    ASSERT_EQ(m_messages.records().size(), 1u);
    EXPECT_NE(m_messages.records()[0].text.find("set.dat could not be read"), std::string::npos);
    EXPECT_EQ(m_messages.records()[0].icon, MessageIcon::Warning);
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

// The web links open their pages on the configured host; a missing help file is reported.
TEST_F(MainFrameTest, WebLinksAndHelp) {
    Browser browser;
    auto frame = Open();
    frame->action(ID_HELP_WEBSITE)->trigger();
    frame->action(ID_HELP_MESSAGE_BOARD)->trigger();
    frame->action(ID_HELP_GSI_POLICY)->trigger();
    ASSERT_EQ(browser.opened.size(), 3u);
    for (const QUrl& url : browser.opened)  // the configured host, never a buried constant
        EXPECT_EQ(url.authority().toStdString(), server().host()) << url.toString().toStdString();
    EXPECT_TRUE(m_messages.records().empty());
    QTest::keyClick(frame.get(), Qt::Key_F1);
    ASSERT_EQ(m_messages.records().size(), 1u);
    EXPECT_EQ(m_messages.records()[0].text, "Cannot open help file.");
}

}  // namespace
}  // namespace hfp::test

#include "MainFrameTest.moc"
