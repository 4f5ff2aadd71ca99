#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "FrameFixture.h"
#include "app/CommandTable.h"
#include "app/DialogInformation.h"
#include "app/DialogSet.h"
#include "common/Screenshot.h"

namespace hfp::test {
namespace {

using SettingDialogsTest = FrameFixture;

std::vector<std::string> Values(const CSetData& settings) {
    std::vector<std::string> values;
    for (const SettingRecord& record : settings.Records())
        values.push_back(record.key + "=" + record.value);
    return values;
}

// OK stores what the dialog shows only when the login's rights and the tile cache allow it
// (otherwise the message shows, the dialog stays open and nothing is stored), and the view
// takes the options at once; Cancel stores nothing.
TEST_F(SettingDialogsTest, SettingDialogStoresOnlyWhatOkMayStore) {
    struct Case {
        const char* name;
        bool clearDownload;
        const char* tiles;
        bool ok;
        const char* message;  // empty: stored and closed
    };
    const Case cases[] = {
        {"no right to clear the download", true, "500", true, "Spot data download error."},
        {"tile count 0", false, "0", true, "from 1 to 20000"},
        {"tile count above the cache's", false, "20001", true, "from 1 to 20000"},
        {"tile count not a number", false, "many", true, "from 1 to 20000"},
        {"Cancel", false, "1200", false, ""},
        {"1200 tiles", false, "1200", true, ""},
    };
    auto frame = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.Clear();
        const std::vector<std::string> before = Values(frame->settings());
        bool stayedOpen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            KeepScreenshot(*dialog, "settings-dialog");
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
                if (!box->text().startsWith("Download spot") || c.clearDownload) box->toggle();
            }
            auto* tiles = dialog->findChild<QLineEdit*>("memoryMapMax");
            tiles->selectAll();
            QTest::keyClicks(tiles, c.tiles);
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            buttons->button(c.ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            stayedOpen = dialog->isVisible();
            if (stayedOpen) dialog->reject();
        });
        frame->action(ID_SETTING)->trigger();
        const CSetData& settings = frame->settings();
        if (!c.ok || *c.message) {
            EXPECT_EQ(stayedOpen, c.ok);
            EXPECT_EQ(Values(settings), before);
            ASSERT_EQ(m_messages.records().size(), *c.message ? 1u : 0u);
            if (*c.message) {
                EXPECT_NE(m_messages.records()[0].text.find(c.message), std::string::npos);
            }
            continue;
        }
        EXPECT_FALSE(stayedOpen);
        EXPECT_EQ(settings.m_memoryMapMax, 1200);
        EXPECT_TRUE(settings.m_mouseWheelReverse);
        EXPECT_FALSE(settings.m_displayPrintRange);
        EXPECT_TRUE(settings.m_cairnStartupDownload);
        EXPECT_TRUE(frame->view()->navigation().wheelReverse());
        EXPECT_EQ(frame->view()->frames()[kPrintFrameSlot].kind, BoundsFrame::kHidden);
    }
    // With the right, the cleared download box is stored.
    CSetData settings;
    CDialogSet dialog(&settings, true, &m_messages);
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
        box->setChecked(!box->text().startsWith("Download spot"));
    dialog.accept();
    EXPECT_FALSE(settings.m_cairnStartupDownload);
}

// The report reaches the dialog from its worker thread, the tile cache counted by the disk its
// files take, once per file even where links lead back into it.
TEST_F(SettingDialogsTest, InformationDialogShowsTheReportOfTheCache) {
    std::filesystem::create_directories(m_data / "map/xyz16/58210");
    std::string tile(1 << 20, '\0');
    for (std::size_t i = 0; i < tile.size(); ++i)
        tile[i] = static_cast<char>((i * 2654435761u) >> 13);  // no run a disk could pack
    WriteFile(m_data / "map/xyz16/58210/25803.png", tile);
    std::filesystem::create_directory_symlink("..", m_data / "map/xyz16/58210/up");
    std::filesystem::create_directory_symlink(m_data / "map", m_data / "map/xyz17");
    // An index file is sparse: its length is not the disk it takes.
    std::filesystem::create_directories(m_data / "map/xyz7");
    WriteFile(m_data / "map/xyz7/mst.dat", "");
    std::filesystem::resize_file(m_data / "map/xyz7/mst.dat", 8 << 20);
    CDialogInformation dialog(PrinterCapabilities{}, m_data.path());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.text().isEmpty(); }, 30000));
    KeepScreenshot(dialog, "information-dialog");
    const std::string text = dialog.text().toStdString();
    for (const char* line :
         {"\t'map' folder\t\t: 1MB 1,024KB 1,048,576B\n",
          "\t'xyz16' folder\t\t: 1MB 1,024KB 1,048,576B\n", "\t'xyz17' folder\t\t: 0MB 0KB 0B\n",
          "Version : 1.23\n", "\tDevice technology\t\t\t: Unknown\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
}

// hfp info prints the same report with LF line ends; with no tile cache yet every storage line
// reads 0.
TEST(HfpInfo, WithoutACacheEveryStorageLineReadsZero) {
    TempDir dir;
    const ProcessResult r =
        RunProcess(BuiltProgram("hfp"), {"--data-dir", dir.path().string(), "info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const std::size_t storage = r.out.find("\nStorage information\n");
    ASSERT_NE(storage, std::string::npos) << r.out;
    std::string zero;
    for (int level = 7; level <= 18; ++level)
        zero += "\t'xyz" + std::to_string(level) + "' folder\t\t: 0MB 0KB 0B\n";
    EXPECT_EQ(r.out.substr(storage),
              "\nStorage information\n\t'map' folder\t\t: 0MB 0KB 0B\n" + zero);
}

}  // namespace
}  // namespace hfp::test
