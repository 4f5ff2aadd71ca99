#include <QLineEdit>
#include <QTimer>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "common/Screenshot.h"
#include "print/ui/DialogFileout.h"
#include "print/ui/DialogPrintAbort.h"

namespace hfp::test {
namespace {

// Slow tiles: a file out of a large range is still composing when it is aborted.
using WindowFileoutTest = SlowTilesFixture;

// Ctrl+F centres the file-out bounds on the view; Ctrl+O writes them as PNG at their natural
// size and as JPEG at a width typed with the aspect kept, each decoded whole with its map.
// An aborted file out writes nothing and leaves the file of the same name as it was; a map
// with holes is written only when the user wants it.
TEST_F(WindowFileoutTest, WritesTheBoundsAndAnAbortKeepsTheOldFile) {
    WriteSettings([](CSetData& s) {
        OutputSetting& layout = s.m_outputSettings[0];
        layout.mapLevel = 15;
        // The map's white turns green: a white place in the file is a missing tile.
        layout.colorChanges[0].beforeColor = MakeColorref(255, 255, 255);
        layout.colorChanges[0].afterColor = MakeColorref(120, 200, 120);
    });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    frame->view()->navigation().SetCenter({12'740'000, 49'950'000});
    frame->action(ID_MAP_MOVE_FILEOUT_BOUNDS)->trigger();
    EXPECT_EQ(frame->view()->frames()[kFileoutFrameSlot].center.lon, 49'950'000);

    const TempDir out;
    std::string name, width;
    QSize natural;
    bool abort = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = dynamic_cast<CDialogFileout*>(modal)) {
            auto* w = dialog->findChild<QLineEdit*>("width");
            natural = {w->text().toInt(), dialog->findChild<QLineEdit*>("height")->text().toInt()};
            KeepScreenshot(*dialog, "fileout-dialog");
            dialog->findChild<QLineEdit*>("fileName")->setText(QString::fromStdString(name));
            if (!width.empty()) {
                w->setText(QString::fromStdString(width));
                emit w->editingFinished();
            }
            dialog->accept();
        } else if (dynamic_cast<CDialogPrintAbort*>(modal) && abort) {
            modal->close();
        }
    });
    watch.start(25);

    for (const char* file : {"map.png", "map.jpeg"}) {
        m_messages.Clear();
        name = (out / file).string();
        width = file == std::string("map.jpeg") ? "300" : "";
        frame->action(ID_FILE_FILEOUT)->trigger();
        ASSERT_EQ(m_messages.records().size(), 1u) << file;
        EXPECT_EQ(m_messages.records()[0].text, "Complete");
        const QImage image(QString::fromStdString(name));
        EXPECT_EQ(image.width(), width.empty() ? natural.width() : 300) << file;
        EXPECT_NEAR(image.height() * natural.width(), image.width() * natural.height(),
                    natural.width());
        EXPECT_LT(WhiteShare(image), 0.1) << file;
    }
    EXPECT_EQ(frame->settings().m_fileoutName, name);

    // Aborted while the tiles of a range ten times as wide come in.
    m_messages.Clear();
    const std::string old = ReadFile(out / "map.png");
    frame->settings().m_fileoutLongitude = frame->settings().m_fileoutLatitude = 60000;
    name = (out / "map.png").string();
    width = "800";
    abort = true;
    frame->action(ID_FILE_FILEOUT)->trigger();
    EXPECT_TRUE(m_messages.records().empty());
    EXPECT_EQ(ReadFile(out / "map.png"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 2);

    // Without the tile server the map lacks tiles: said and asked; written only on yes.
    server().Stop();
    abort = false;
    frame->settings().m_fileoutCenter.lat -= 100000;  // tiles not in the cache
    name = (out / "holes.png").string();
    for (bool yes : {false, true}) {
        m_messages.Clear();
        m_messages.QueueAnswer(yes);
        frame->action(ID_FILE_FILEOUT)->trigger();
        ASSERT_GE(m_messages.records().size(), 2u);
        EXPECT_NE(m_messages.records()[0].text.find("no answer"), std::string::npos);
        EXPECT_TRUE(m_messages.records()[1].question);
        EXPECT_EQ(std::filesystem::exists(name), yes);
    }
}

}  // namespace
}  // namespace hfp::test
