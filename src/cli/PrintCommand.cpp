#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>

#include "cli/Cli.h"
#include "cli/OutputRun.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "platform/NamedMutex.h"
#include "print/PrintHistory.h"
#include "print/PrintJob.h"
#include "settings/SetData.h"

namespace hfp::cli {

namespace {

// "A4", "A3", "Letter" or "WxHmm" (210x297mm).
bool ParsePaper(const std::string& text, QPageSize* paper) {
    if (text == "A4")
        *paper = QPageSize(QPageSize::A4);
    else if (text == "A3")
        *paper = QPageSize(QPageSize::A3);
    else if (text == "Letter")
        *paper = QPageSize(QPageSize::Letter);
    else {
        const std::size_t x = text.find('x');
        double w, h;
        if (x == std::string::npos || text.size() < x + 3 || text.substr(text.size() - 2) != "mm" ||
            !ParseDouble(text.substr(0, x), &w) ||
            !ParseDouble(text.substr(x + 1, text.size() - x - 3), &h) || !(w >= 10) || !(h >= 10) ||
            w > 10000 || h > 10000)
            return false;
        *paper = QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    return true;
}

int Print(Args& args) {
    std::string pdf, paperText = "A4", marginsText, dpiText, timeoutText;
    const bool hasPdf = args.Option("--pdf", &pdf);
    args.Option("--paper", &paperText);
    const bool hasMargins = args.Option("--margins", &marginsText);
    const bool hasDpi = args.Option("--dpi", &dpiText);
    const bool hasTimeout = args.Option("--timeout", &timeoutText);
    if (!args.Positionals().empty() || args.wrong() || !hasPdf) return kExitUsage;
    QPageSize paper;
    double margins = 10, timeout = 300;
    long long dpi = 300;
    if (!ParsePaper(paperText, &paper)) {
        args.SetWrong("--paper must be A4, A3, Letter or WxHmm");
        return kExitUsage;
    }
    if ((hasMargins && (!ParseDouble(marginsText, &margins) || !(margins >= 0))) ||
        (hasDpi && (!ParseInt(dpiText, &dpi) || dpi < 72 || dpi > 1200)) ||
        (hasTimeout && (!ParseDouble(timeoutText, &timeout) || !(timeout > 0)))) {
        args.SetWrong("--margins must be 0 or more, --dpi 72 to 1200, --timeout more than 0");
        return kExitUsage;
    }
    const QSizeF paperMm = paper.size(QPageSize::Millimeter);
    if (2 * margins >= std::min(paperMm.width(), paperMm.height())) {
        std::fprintf(stderr, "hfp: margins of %g mm leave nothing of the paper to print on\n",
                     margins);
        return kExitFailure;
    }
    // The printable area of a printer with this paper and these margins.
    const QPageLayout page(paper, QPageLayout::Portrait,
                           QMarginsF(margins, margins, margins, margins), QPageLayout::Millimeter);
    const PrinterMetrics metrics = MetricsOf(page, static_cast<int>(dpi));
    if (ExceedsA3(metrics)) {
        std::fprintf(stderr, "hfp: %s\n", kOverA3Message);
        return kExitFailure;
    }

    // The print history goes into the settings: the program must not be running, and cannot
    // start while the print runs.
    NamedMutex program(kProgramMutexName);
    if (!program.TryLock() && program.fileOpen()) {
        std::fprintf(stderr, "hfp: HollowfernPlotter is running; close it first\n");
        return kExitFailure;
    }
    CSetData settings;
    if (!settings.Load())
        std::fprintf(stderr, "hfp: cannot read the settings; using the defaults\n");
    const OutputSetting& layout = settings.m_outputSettings[static_cast<std::size_t>(
        std::clamp(settings.m_selectPrint, 0, kOutputSettingCount - 1))];
    const SheetPlan plan = PlanSheets(layout, metrics);
    const GeoPoint center = settings.m_printCenter;
    OutputJob::Order order;
    order.request = PrintRequest(layout, metrics, plan, center, settings.m_mapHighSpeedDownload);
    order.layout = layout;
    order.write = LoadWriteSets();
    order.timeoutSeconds = timeout;
    order.progress = TileProgressLine();
    // A PDF appears whole or not at all: written beside, then renamed over the name.
    order.sink = [&](CDivBitmap& map, std::string* error) {
        QSaveFile file(QString::fromStdString(pdf));
        if (!file.open(QIODevice::WriteOnly)) {
            *error = "cannot write " + pdf + ": " + file.errorString().toStdString();
            return false;
        }
        {
            QPdfWriter writer(&file);
            writer.setCreator("HollowfernPlotter");
            writer.setResolution(static_cast<int>(dpi));
            writer.setPageLayout(page);
            std::string reason;
            if (!PrintSheets(writer, map, plan, &reason)) {
                *error = "cannot print to " + pdf + ": " + reason;
                return false;
            }
        }
        if (!file.commit()) {
            *error = "cannot write " + pdf + ": " + file.errorString().toStdString();
            return false;
        }
        return true;
    };

    PrintingMessages messages;
    CCreateMap composer(settings.m_memoryMapMax, order.request.highSpeed, order.request.mapType,
                        &messages, DataFolder());
    OutputJob job(composer, std::move(order));
    if (const int code = RunOutputJob(job, timeout); code != kExitOk) return code;
    std::printf("%s\n", pdf.c_str());

    CountPrintRun();
    AddPrintHistoryNow(settings.m_printHistory, center);
    if (!settings.Save()) {
        std::fprintf(stderr, "hfp: printed, but the print history cannot be saved\n");
        return kExitFailure;
    }
    return ReportShortfalls(job);
}

}  // namespace

void AddPrintCommands(std::vector<Command>& commands) {
    commands.push_back(
        {{"print"},
         "--pdf FILE [--paper A4|A3|Letter|WxHmm] [--margins MM] [--dpi N] [--timeout SEC]",
         "Print the print out bounds (their centre from the settings) with the print layout to a "
         "PDF, one page per sheet, as the map editor prints to a printer whose printable area is "
         "the paper less the margins (A4, 10 mm, 300 dpi unless given). Neighbouring pages share "
         "the layout's overlap. Adds a print history entry and counts the print. Waits for the "
         "tiles (300 s unless --timeout). Exit 0 when printed whole; 4 when printed with tiles "
         "missing or without the magnetic declination (stderr says why); 3 when the tiles did "
         "not all come in time (nothing written); 1 on an error, a printable area over A3 "
         "included.",
         Print});
}

}  // namespace hfp::cli
