// Drawing with a write pattern in the real window: made from the selected object in the
// "Write pattern" dialog, chosen in the pattern box, saved to writepat.dat on its own.
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/FrameFixture.h"
#include "common/Screenshot.h"
#include "write/WritePattern.h"
#include "write/ui/DialogWritePattern.h"

namespace hfp::test {
namespace {

class PatternModeTest : public FrameFixture {
  protected:
    void Drag(QPoint from, QPoint to) {
        for (auto [type, p, button, held] :
             {std::tuple{QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton},
              std::tuple{QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton},
              std::tuple{QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton}}) {
            QMouseEvent event(type, QPointF(p), QPointF(m_view->mapToGlobal(p)), button,
                              Qt::MouseButtons(held), Qt::NoModifier);
            QApplication::sendEvent(m_view, &event);
        }
    }
    CHollowfernPlotterView* m_view = nullptr;
};

TEST_F(PatternModeTest, APatternMadeFromTheSelectionDrawsItsLikenessAndIsSaved) {
    WriteSettings([&](CSetData& s) { s.m_mapType = LevelIndex(16); });
    auto frame = Open();
    m_view = frame->view();
    ASSERT_TRUE(WaitForMap(*frame));
    const QPoint c(m_view->width() / 2, m_view->height() / 2);
    m_view->OnWriteMode(CHollowfernPlotterView::kEllipseMode);
    Drag(c - QPoint(200, 60), c - QPoint(100, 0));
    auto& objects = m_view->write().Set(0).aObjects;
    ASSERT_EQ(m_view->selection().size(), 1u);
    objects.front()->m_crColor = MakeColorref(220, 0, 0);
    objects.front()->m_nSize = 5;

    QTimer::singleShot(0, [] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* patterns = static_cast<CDialogWritePattern*>(dialog);
        patterns->nameBox()->setText("  Red ring ");
        patterns->button("add")->click();
        KeepScreenshot(*patterns, "write-pattern");
        patterns->button("select")->click();
    });
    m_view->OnWritePattern();
    EXPECT_EQ(m_view->writeMode(), CHollowfernPlotterView::kPatternMode);
    ASSERT_EQ(frame->patternBox()->count(), 2);
    EXPECT_EQ(frame->patternBox()->currentText(), "Red ring");
    EXPECT_FALSE(frame->patternBox()->itemIcon(1).isNull());

    Drag(c + QPoint(40, 20), c + QPoint(160, 90));
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects.front()->m_nType, kWriteEllipse);
    EXPECT_EQ(objects.front()->m_crColor, MakeColorref(220, 0, 0));
    EXPECT_EQ(objects.front()->m_nSize, 5);
    KeepScreenshot(*frame, "pattern-mode-drawn");

    // The box starts and ends the mode.
    frame->patternBox()->setCurrentIndex(1);
    emit frame->patternBox()->activated(1);
    EXPECT_EQ(m_view->writeMode(), CHollowfernPlotterView::kPatternMode);
    frame->patternBox()->setCurrentIndex(0);
    emit frame->patternBox()->activated(0);
    EXPECT_EQ(m_view->writeMode(), CHollowfernPlotterView::kNoMode);

    const std::filesystem::path file = m_data / CWritePattern::kFileName;
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(file); }, 20000));
    CWritePattern saved;
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved.LoadFile(file) && saved.Count() == 1; }));
    EXPECT_EQ(saved.aNames[0], "Red ring");
}

}  // namespace
}  // namespace hfp::test
