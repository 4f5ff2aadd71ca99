#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>

#include "app/CommandTable.h"
#include "app/FrameFixture.h"
#include "common/Screenshot.h"
#include "print/ui/DialogPrintAbort.h"

namespace hfp::test {
namespace {

// Slow tiles: the print's tiles are still on their way when the view refreshes.
using WindowPrintTest = SlowTilesFixture;

// Page n of the PDF as an image.
QImage Page(const std::string& pdf, int n, const std::filesystem::path& folder) {
    const std::string prefix = (folder / "page").string();
    const ProcessResult r =
        RunProcess("/usr/bin/pdftoppm", {"-r", "72", "-f", std::to_string(n), "-l",
                                         std::to_string(n), "-png", "-singlefile", pdf, prefix});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return QImage(QString::fromStdString(prefix + ".png"));
}

// Ctrl+P prints the sheets chosen in the print dialog, composed on the worker while the view
// refreshes (which cancels the view's own composition): every sheet printed has its whole
// map, nothing is reported missing, the history has the print. Ctrl+R shows every sheet; an
// aborted print prints nothing.
TEST_F(WindowPrintTest, PrintsTheSheetsChosenWhileTheViewRefreshes) {
    WriteSettings([](CSetData& s) {
        s.m_mapType = 7;  // the view shows level 14, as the print composes it
        OutputSetting& layout = s.m_outputSettings[0];
        layout.numberHorizontal = layout.numberVertical = 2;
        layout.repetition = 10;
        layout.mapLevel = 14;
        // The map's white turns green: a white place on the page is a missing tile.
        layout.colorChanges[0].beforeColor = MakeColorref(255, 255, 255);
        layout.colorChanges[0].afterColor = MakeColorref(120, 200, 120);
    });
    auto frame = Open();
    ASSERT_TRUE(WaitForMap(*frame));
    const std::string pdf = (m_data / "print.pdf").string();
    QPrinter& printer = frame->view()->printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setResolution(72);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    frame->view()->OnPrinterChanged();

    int ticks = 0, previewPages = 0;
    bool printing = true, abort = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
            dialog->accept();
        } else if (dynamic_cast<CDialogPrintAbort*>(modal) && abort) {
            modal->close();
        } else if (dynamic_cast<CDialogPrintAbort*>(modal)) {
            if (++ticks == 1) frame->view()->OnRefresh();
            if (printing) KeepScreenshot(*modal, "print-abort-dialog");  // the last shows most
            if (ticks == 1200) modal->close();  // 30 s: tiles that never come abort the print
        } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
            previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
            KeepScreenshot(*preview, "print-preview");
            preview->reject();
        }
    });
    watch.start(25);
    frame->action(ID_FILE_PRINT)->trigger();
    printing = false;
    EXPECT_GT(ticks, 1);  // the view refreshed while the print's tiles came
    EXPECT_TRUE(m_messages.records().empty()) << m_messages.records()[0].text;
    const ProcessResult info = RunProcess("/usr/bin/pdfinfo", {pdf});
    EXPECT_NE(info.out.find("Pages:           2\n"), std::string::npos) << info.out;
    for (int page : {1, 2})
        EXPECT_LT(WhiteShare(Page(pdf, page, m_data.path())), 0.1) << page;
    EXPECT_FALSE(frame->settings().m_printHistory[0].name.empty());

    frame->action(ID_FILE_PRINT_PREVIEW)->trigger();
    EXPECT_EQ(previewPages, 4);

    // Aborted while its tiles come: nothing printed, no history entry, nothing to tell.
    const PrintHistoryEntry last = frame->settings().m_printHistory[0];
    const auto printed = std::filesystem::last_write_time(pdf);
    frame->settings().m_printCenter.lat += 20000;
    abort = true;
    frame->action(ID_FILE_PRINT)->trigger();
    EXPECT_EQ(frame->settings().m_printHistory[0].latitude, last.latitude);
    EXPECT_EQ(std::filesystem::last_write_time(pdf), printed);
    EXPECT_TRUE(m_messages.records().empty());
}

}  // namespace
}  // namespace hfp::test
