// Drawing on the map view with the mouse and keys, offscreen, on tiles from hfp-devserver; what
// was drawn is on disk without the program ending.
#include <QAction>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "common/Screenshot.h"
#include "write/WriteObjectString.h"
#include "write/ui/DialogWriteProperty.h"

namespace hfp::test {
namespace {

class EditingTest : public FrameFixture {
  protected:
    std::unique_ptr<CMainFrame> OpenAtLevel(int level) {
        WriteSettings([&](CSetData& s) { s.m_mapType = LevelIndex(level); });
        auto frame = Open();
        m_view = frame->view();
        return frame;
    }
    void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(p), QPointF(m_view->mapToGlobal(p)), button, held, mods);
        QApplication::sendEvent(m_view, &event);
    }
    void Click(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, p, button, button, mods);
        Mouse(QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, mods);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, mods);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, mods);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, mods);
    }
    // A rectangle drawn by mouse from `a` to `b`.
    CWriteObject* DrawRectangle(QPoint a, QPoint b) {
        m_view->OnWriteMode(CHollowfernPlotterView::kRectangleMode);
        Drag(a, b);
        return Objects().empty() ? nullptr : Objects().front().get();
    }
    std::vector<std::unique_ptr<CWriteObject>>& Objects(int set = 0) {
        return m_view->write().Set(set).aObjects;
    }
    QPoint Center() const { return QPoint(m_view->width() / 2, m_view->height() / 2); }
    // Answers the dialog that the next command opens.
    static void AnswerDialog(const std::function<void(QWidget*)>& answer) {
        QTimer::singleShot(0, [answer] {
            if (QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }))
                answer(QApplication::activeModalWidget());
        });
    }
    CHollowfernPlotterView* m_view = nullptr;
};

// Every class is made by the mouse, lands at the front of the current set, selected, and ends
// its mode. Only the picture and string ask for their one value first.
TEST_F(EditingTest, EveryClassIsCreatedByMouseIntoTheCurrentSet) {
    auto frame = OpenAtLevel(16);
    const std::filesystem::path picture = m_data / "pin.png";
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(QString::fromStdString(picture.string()));
    ASSERT_TRUE(WaitForMap(*frame));
    QPoint a = Center() - QPoint(330, 40), b = a + QPoint(100, 80);
    const struct {
        int id;
        int32_t type;
        std::function<void()> mouse;
    } cases[] = {
        {ID_WRITE_LINE, kWriteLine,
         [&] {
             Click(a);
             Click(b);
             Mouse(QEvent::MouseButtonDblClick, b, Qt::LeftButton, Qt::LeftButton);
         }},
        {ID_WRITE_RECTANGLE, kWriteRectangle, [&] { Drag(a, b); }},
        {ID_WRITE_ELLIPSE, kWriteEllipse, [&] { Drag(a, b); }},
        {ID_WRITE_STRING, kWriteString, [&] { Drag(a, b); }},
        {ID_WRITE_PICTURE, kWritePicture, [&] { Drag(a, b); }},
    };
    for (const auto& c : cases) {
        if (c.type == kWriteString)
            AnswerDialog([](QWidget* w) {
                static_cast<CDialogWriteString*>(w)->textBox()->setPlainText("Col");
                qobject_cast<QDialog*>(w)->accept();
            });
        if (c.type == kWritePicture)
            AnswerDialog([&](QWidget* w) {
                static_cast<CDialogWritePicture*>(w)->SetFile(
                    QString::fromStdString(picture.string()));
                qobject_cast<QDialog*>(w)->accept();
            });
        frame->action(c.id)->trigger();
        c.mouse();
        ASSERT_FALSE(Objects().empty());
        EXPECT_EQ(Objects().front()->m_nType, c.type);
        EXPECT_EQ(m_view->selection(), std::vector<CWriteObject*>{Objects().front().get()});
        EXPECT_EQ(m_view->writeMode(), CHollowfernPlotterView::kNoMode);
        a += QPoint(130, 0);
        b += QPoint(130, 0);
    }
    EXPECT_EQ(static_cast<CWriteObjectString*>(Objects()[1].get())->m_strText, "Col");
    KeepScreenshot(*frame, "editing-created");
}

// Click, Shift-click, the band, and Ctrl-click on another visible set; a click without Ctrl
// leaves the other set's object alone.
TEST_F(EditingTest, SelectionByClickShiftBandAndOtherSet) {
    auto frame = OpenAtLevel(16);
    CWriteObject* left = DrawRectangle(Center() - QPoint(200, 50), Center() - QPoint(100, -50));
    CWriteObject* right = DrawRectangle(Center() + QPoint(100, -50), Center() + QPoint(200, 50));
    m_view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
    Click(Center() - QPoint(200, 0));
    EXPECT_EQ(m_view->selection(), std::vector<CWriteObject*>{left});
    Click(Center() + QPoint(200, 0), Qt::ShiftModifier);
    EXPECT_EQ(m_view->selection(), (std::vector<CWriteObject*>{left, right}));
    Click(Center() + QPoint(0, 200));
    EXPECT_TRUE(m_view->selection().empty());
    Mouse(QEvent::MouseButtonPress, Center() - QPoint(250, 100), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, Center() + QPoint(0, 100), Qt::NoButton, Qt::LeftButton);
    KeepScreenshot(*frame, "editing-band");
    Mouse(QEvent::MouseButtonRelease, Center() + QPoint(0, 100), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_view->selection(), std::vector<CWriteObject*>{left});
    KeepScreenshot(*frame, "editing-selected");

    // A second set holding an object under the click.
    ASSERT_TRUE(m_view->write().AddSet("Other"));
    m_view->write().Set(1).aObjects.push_back(left->Clone());
    m_view->write().UpdateSetBox(1);
    m_view->write().Set(0).aObjects.erase(Objects().begin() + 1);
    m_view->write().UpdateSetBox(0);
    frame->FillWriteSetBox({{0, "Default"}, {1, "Other"}});
    m_view->OnWriteSetChanged();
    Click(Center() - QPoint(200, 0));
    EXPECT_TRUE(m_view->selection().empty());
    EXPECT_EQ(frame->CurrentWriteSet(), 0);
    // Hovering tells which set the object belongs to, and how to reach it.
    for (QPoint at : {Center() + QPoint(200, 0), Center() - QPoint(200, 0)})
        Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(m_view->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Write object Other Ctrl+Left click=Active");
    Click(Center() - QPoint(200, 0), Qt::ControlModifier);
    EXPECT_EQ(frame->CurrentWriteSet(), 1);
    EXPECT_EQ(m_view->selection(), std::vector<CWriteObject*>{Objects(1).front().get()});
}

// A corner drag reshapes one object, a body drag moves the whole selection by the same
// amount; a drag that ends where it began is no change and pushes no snapshot; a drag held
// near an edge scrolls the map.
TEST_F(EditingTest, DragsOfHandleAndSelectionAndEdgeScrolling) {
    auto frame = OpenAtLevel(16);
    CWriteObject* a = DrawRectangle(Center() - QPoint(200, 50), Center() - QPoint(100, -50));
    const GeoBox before = a->m_rcBounds;
    Drag(Center() - QPoint(100, -50), Center() - QPoint(50, -100));
    EXPECT_EQ(a->m_rcBounds.left, before.left);
    EXPECT_GT(a->m_rcBounds.right, before.right);
    EXPECT_LT(a->m_rcBounds.bottom, before.bottom);

    CWriteObject* b = DrawRectangle(Center() + QPoint(100, -50), Center() + QPoint(200, 50));
    Click(Center() - QPoint(200, 0), Qt::ShiftModifier);
    ASSERT_EQ(m_view->selection().size(), 2u);
    const GeoBox a0 = a->m_rcBounds, b0 = b->m_rcBounds;
    const std::size_t snapshots = m_view->write().Set(0).aUndo.size();
    Drag(Center() + QPoint(200, 0), Center() + QPoint(200, 0));
    EXPECT_EQ(m_view->write().Set(0).aUndo.size(), snapshots);
    Drag(Center() + QPoint(200, 0), Center() + QPoint(240, 30));
    EXPECT_EQ(m_view->write().Set(0).aUndo.size(), snapshots + 1);
    EXPECT_GT(a->m_rcBounds.left, a0.left);
    EXPECT_EQ(a->m_rcBounds.left - a0.left, b->m_rcBounds.left - b0.left);
    EXPECT_EQ(a->m_rcBounds.top - a0.top, b->m_rcBounds.top - b0.top);

    // Held near the left edge, a drag scrolls the map west until the button goes up.
    const GeoPoint center = m_view->navigation().center();
    m_view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
    Mouse(QEvent::MouseButtonPress, Center() + QPoint(0, 250), Qt::LeftButton, Qt::LeftButton);
    QCursor::setPos(m_view->mapToGlobal(QPoint(5, Center().y())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_view->navigation().center().lon < center.lon; }));
    EXPECT_EQ(m_view->navigation().center().lat, center.lat);
    Mouse(QEvent::MouseButtonRelease, Center(), Qt::LeftButton, Qt::NoButton);
    QCursor::setPos(m_view->mapToGlobal(Center()));
}

// The four stacking commands move the selection, in its order, through the set; one step
// never passes a selected neighbour.
TEST_F(EditingTest, StackingOrder) {
    auto frame = OpenAtLevel(16);
    std::vector<CWriteObject*> o;  // o[0] drawn first, so it ends at the back
    for (int i = 0; i < 5; ++i)
        o.push_back(DrawRectangle(Center() + QPoint(60 * i - 200, -20),
                                  Center() + QPoint(60 * i - 160, 20)));
    const struct {
        int id;
        std::vector<int> selected;
        std::vector<CWriteObject*> expected;  // from the front, starting from o[4] ... o[0]
    } cases[] = {
        {ID_WRITE_MOST_FRONT, {4, 3, 0}, {o[4], o[3], o[0], o[2], o[1]}},
        {ID_WRITE_MOST_BACK, {4, 1, 0}, {o[3], o[2], o[4], o[1], o[0]}},
        {ID_WRITE_FRONT, {4, 3, 0}, {o[4], o[3], o[2], o[0], o[1]}},
        {ID_WRITE_BACK, {4, 1, 0}, {o[3], o[4], o[2], o[1], o[0]}},
    };
    for (const auto& c : cases) {
        std::sort(Objects().begin(), Objects().end(), [&](const auto& x, const auto& y) {
            return std::find(o.begin(), o.end(), x.get()) > std::find(o.begin(), o.end(), y.get());
        });
        m_view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
        for (int i : c.selected)
            Click(Center() + QPoint(60 * i - 200, 0), Qt::ShiftModifier);
        frame->action(c.id)->trigger();
        std::vector<CWriteObject*> order;
        for (auto& object : Objects())
            order.push_back(object.get());
        EXPECT_EQ(order, c.expected) << c.id;
    }
}

// Undo is off at start; after an edit and a delete it steps back one change at a time, and a
// delete with nothing selected is still a step.
TEST_F(EditingTest, UndoStepsBackThroughEdits) {
    auto frame = OpenAtLevel(16);
    EXPECT_FALSE(frame->action(ID_EDIT_UNDO)->isEnabled());
    DrawRectangle(Center() - QPoint(50, 50), Center() + QPoint(50, 50));
    QTest::keyClick(m_view, Qt::Key_Delete);
    EXPECT_TRUE(Objects().empty());
    m_view->OnEditDelete();
    ASSERT_TRUE(frame->action(ID_EDIT_UNDO)->isEnabled());
    for (std::size_t expected : {0u, 1u, 0u}) {
        frame->action(ID_EDIT_UNDO)->trigger();
        EXPECT_EQ(Objects().size(), expected);
    }
    EXPECT_FALSE(frame->action(ID_EDIT_UNDO)->isEnabled());
}

// Copy and paste go through the clipboard's bytes alone: two pastes stack at the view centre,
// the later in front; cut takes the objects away; plain text becomes a string around the centre.
TEST_F(EditingTest, ClipboardRoundTrip) {
    auto frame = OpenAtLevel(16);
    CWriteObject* a = DrawRectangle(Center() - QPoint(300, 100), Center() - QPoint(200, 50));
    const int32_t width = a->m_rcBounds.right - a->m_rcBounds.left;
    frame->action(ID_EDIT_CUT)->trigger();
    EXPECT_TRUE(Objects().empty());
    frame->action(ID_EDIT_PASTE)->trigger();
    frame->action(ID_EDIT_PASTE)->trigger();
    ASSERT_EQ(Objects().size(), 2u);
    const GeoPoint c = m_view->navigation().center();
    for (auto& pasted : Objects()) {
        EXPECT_EQ(pasted->m_rcBounds.right - pasted->m_rcBounds.left, width);
        EXPECT_NEAR((pasted->m_rcBounds.left + pasted->m_rcBounds.right) / 2, c.lon, 1);
        EXPECT_NEAR((pasted->m_rcBounds.bottom + pasted->m_rcBounds.top) / 2, c.lat, 1);
    }
    EXPECT_EQ(m_view->selection(), std::vector<CWriteObject*>{Objects().front().get()});

    QApplication::clipboard()->setText("Summit hut");
    frame->action(ID_EDIT_PASTE)->trigger();
    auto* text = dynamic_cast<CWriteObjectString*>(Objects().front().get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->m_strText, "Summit hut");
    EXPECT_EQ(text->m_rcBounds, (GeoBox{c.lon - 300, c.lat - 300, c.lon + 300, c.lat + 300}));
}

// Below level 15 a click on an object is the map's, Delete does nothing and Undo is off.
TEST_F(EditingTest, ObjectsAreNotEditedBelowLevel15) {
    auto frame = OpenAtLevel(15);
    const GeoBox box =
        DrawRectangle(Center() - QPoint(50, 50), Center() + QPoint(50, 50))->m_rcBounds;
    frame->action(ID_MAP_ZOOM_OUT)->trigger();
    ASSERT_EQ(m_view->navigation().level(), 14);
    QPoint corner;
    m_view->Transform().GeoToClient({box.top, box.left}, &corner.rx(), &corner.ry());
    m_view->OnWriteMode(CHollowfernPlotterView::kNoMode);
    Click(corner);
    EXPECT_TRUE(m_view->selection().empty());
    m_view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
    Click(corner);
    EXPECT_TRUE(m_view->selection().empty());
    QTest::keyClick(m_view, Qt::Key_Delete);
    EXPECT_EQ(Objects().size(), 1u);
    EXPECT_FALSE(frame->action(ID_EDIT_UNDO)->isEnabled());
}

// Escape and the right button take back what is being drawn, and end a mode with nothing
// being drawn.
TEST_F(EditingTest, EscapeAndRightClickCancel) {
    auto frame = OpenAtLevel(16);
    m_view->OnWriteMode(CHollowfernPlotterView::kRectangleMode);
    Mouse(QEvent::MouseButtonPress, Center(), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, Center() + QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    ASSERT_NE(m_view->creating(), nullptr);
    QTest::keyClick(m_view, Qt::Key_Escape);
    EXPECT_EQ(m_view->creating(), nullptr);
    QTest::keyClick(m_view, Qt::Key_Escape);
    EXPECT_EQ(m_view->writeMode(), CHollowfernPlotterView::kNoMode);

    m_view->OnWriteMode(CHollowfernPlotterView::kLineMode);
    Click(Center());
    Click(Center() + QPoint(50, 0));
    Click(Center(), Qt::NoModifier, Qt::RightButton);  // the last point goes
    Click(Center(), Qt::NoModifier, Qt::RightButton);  // then the line
    EXPECT_EQ(m_view->creating(), nullptr);
    Click(Center(), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(m_view->writeMode(), CHollowfernPlotterView::kNoMode);
    EXPECT_TRUE(Objects().empty());

    // An extension given up leaves the line as it was, not gone.
    m_view->OnWriteMode(CHollowfernPlotterView::kLineMode);
    Click(Center());
    Click(Center() + QPoint(80, 0));
    Mouse(QEvent::MouseButtonDblClick, Center() + QPoint(80, 0), Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(Objects().size(), 1u);
    const GeoBox line = Objects().front()->m_rcBounds;
    Click(Center() + QPoint(80, 0), Qt::ControlModifier);
    ASSERT_NE(m_view->creating(), nullptr);
    Click(Center() + QPoint(120, 40));
    QTest::keyClick(m_view, Qt::Key_Escape);
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Objects().front()->m_rcBounds, line);
}

// The object menu of a right click on the selection offers the string and picture changes only
// for one object of that class.
TEST_F(EditingTest, ObjectMenuEnablesChangesForOneStringOnly) {
    auto frame = OpenAtLevel(16);
    QApplication::clipboard()->setText("Pass");
    frame->action(ID_EDIT_PASTE)->trigger();
    CWriteObject* box = DrawRectangle(Center() - QPoint(200, 50), Center() - QPoint(100, -50));
    m_view->OnWriteMode(CHollowfernPlotterView::kSelectMode);
    QPoint string;
    m_view->Transform().GeoToClient({Objects()[1]->m_rcBounds.top, Objects()[1]->m_rcBounds.left},
                                    &string.rx(), &string.ry());
    string += QPoint(4, 4);
    for (bool both : {false, true}) {
        Click(string);
        if (both) Click(Center() - QPoint(200, 0), Qt::ShiftModifier);
        ASSERT_EQ(m_view->selection().size(), both ? 2u : 1u);
        bool changeString = false;
        QTimer::singleShot(0, [&] {
            if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }))
                return;
            QWidget* menu = QApplication::activePopupWidget();
            for (QAction* a : menu->actions())
                if (a->text() == "Chang string(&S)...") changeString = a->isEnabled();
            if (!both) KeepScreenshot(*menu, "editing-object-menu");
            menu->close();
        });
        Click(string, Qt::NoModifier, Qt::RightButton);
        EXPECT_EQ(changeString, !both);
        EXPECT_EQ(m_view->selection().size(), both ? 2u : 1u);
    }
    EXPECT_TRUE(box->m_bSelected);
}

// The transparency box takes digits only, caps its number at 100 when it is left, and gives
// it, like the menu's ratios and the colour dialog's colour, to the selection and to new objects.
TEST_F(EditingTest, TransparencyAndColourSetTheSelectionAndNewObjects) {
    auto frame = OpenAtLevel(16);
    CWriteObject* a = DrawRectangle(Center() - QPoint(50, 50), Center() + QPoint(50, 50));
    QComboBox* box = frame->transparencyBox();
    box->lineEdit()->clear();
    box->setFocus();
    QTest::keyClicks(box->lineEdit(), "1a50");
    EXPECT_EQ(box->currentText(), "150");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(box->currentText(), "100");
    EXPECT_EQ(a->m_nTransparency, 100);
    frame->action(ID_TRANSPARENCY_FIRST + 7)->trigger();
    EXPECT_EQ(box->currentText(), "30");
    EXPECT_EQ(a->m_nTransparency, 30);
    EXPECT_EQ(DrawRectangle(Center() + QPoint(60, 60), Center() + QPoint(90, 90))->m_nTransparency,
              30);

    // The colour dialog's choice goes to the selection and to the next objects.
    AnswerDialog([](QWidget* w) {
        qobject_cast<QColorDialog*>(w)->setCurrentColor(QColor(10, 120, 230));
        qobject_cast<QDialog*>(w)->accept();
    });
    frame->action(ID_WRITE_COLOR)->trigger();
    EXPECT_EQ(Objects().front()->m_crColor, MakeColorref(10, 120, 230));
    EXPECT_EQ(DrawRectangle(Center(), Center() + QPoint(20, 20))->m_crColor,
              MakeColorref(10, 120, 230));
}

// A write file that cannot be read whole is kept aside before anything is saved over it.
TEST_F(EditingTest, ADamagedWriteFileIsKeptBeforeTheFirstSave) {
    CWrite write;
    write.AddSet("Ridge");
    write.AddSet("Valley");
    std::string bytes = write.SaveBytes();
    bytes.resize(bytes.size() - 10);  // the second set is cut short
    { std::ofstream(m_data / "write.dat", std::ios::binary) << bytes; }
    auto frame = OpenAtLevel(16);
    ASSERT_EQ(m_messages.records().size(), 1u);
    EXPECT_EQ(m_messages.records()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(frame->writeSetBox()->currentText(), "Ridge");
    DrawRectangle(Center() - QPoint(50, 50), Center() + QPoint(50, 50));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view->AutosavePending(); }, 10000));
    std::ifstream kept(m_data / "write.dat.damaged", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), bytes);
}

// An end signal closes the program as the user would: it exits normally, with write.dat saved.
TEST_F(EditingTest, EndSignalSavesTheDrawings) {
    TempDir runtime;
    const auto before = server().TotalRequests();
    ChildProcess program(
        BuiltProgram("HollowfernPlotter"), {},
        {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime.path().string(),
         "XDG_CONFIG_HOME=" + (m_data / "config").string(),
         "HFP_DATA_DIR=" + m_data.path().string(), "HFP_SERVICES=" + server().baseUrl()});
    ASSERT_TRUE(program.started());
    // Its first paint asks for tiles: the window is up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server().TotalRequests() > before; }, 60000));
    EXPECT_EQ(program.Stop(), 0);
    CWrite saved;
    EXPECT_TRUE(saved.LoadFile(m_data / "write.dat"));
}

// A change is on disk within seconds while the program runs. A save that fails says so once,
// keeps the old file, and succeeds by itself once the disk lets it.
TEST_F(EditingTest, ChangesAreSavedWithoutAnExitAndAFailedSaveIsRetried) {
    auto frame = OpenAtLevel(16);
    const std::filesystem::path file = m_data / "write.dat";
    DrawRectangle(Center() - QPoint(50, 50), Center() + QPoint(50, 50));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view->AutosavePending(); }, 10000));
    CWrite saved;
    ASSERT_TRUE(saved.LoadFile(file));
    EXPECT_EQ(saved.Set(0).aObjects.size(), 1u);

    std::filesystem::create_directory(m_data / "write.dat_");  // the disk refuses
    DrawRectangle(Center() + QPoint(60, 60), Center() + QPoint(90, 90));
    auto* notice = m_view->findChild<QLabel*>("SaveNotice");
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice->isVisible(); }, 10000));
    EXPECT_EQ(std::filesystem::file_size(file), saved.SaveBytes().size());
    std::filesystem::remove(m_data / "write.dat_");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notice->isVisible(); }, 15000));
    ASSERT_TRUE(saved.LoadFile(file));
    EXPECT_EQ(saved.Set(1).aObjects.size(), 2u);  // the file's second read appends its set
    EXPECT_TRUE(m_messages.records().empty());
}

}  // namespace
}  // namespace hfp::test
