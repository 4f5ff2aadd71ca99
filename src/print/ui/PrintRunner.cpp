#include "print/ui/PrintRunner.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

#include "platform/Messages.h"
#include "print/PrintHistory.h"
#include "print/ui/DialogPrintAbort.h"
#include "settings/SetData.h"
#include "view/HollowfernPlotterView.h"

namespace hfp {

namespace {

constexpr const char* kBoundsChanged =
    "Print bounding was changed because printer setting was changed.\nProceed to print?";
constexpr const char* kCreateMapError = "Create map error.";
constexpr const char* kPrintIncomplete =
    "Couldn't create the map normally.\nWould you like to print out it?";
constexpr const char* kPreviewIncomplete = "The map was not created normally.";

// Busy cursor while the pages are drawn.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

PrintRunner::PrintRunner(QWidget* parent, CHollowfernPlotterView& view, CSetData& settings,
                         Messages& messages)
    : m_parent(parent), m_view(view), m_settings(settings), m_messages(messages) {}

const OutputSetting& PrintRunner::Layout() const {
    return m_settings.m_outputSettings[static_cast<std::size_t>(
        std::clamp(m_settings.m_selectPrint, 0, kOutputSettingCount - 1))];
}

void PrintRunner::Print() {
    const OutputSetting& layout = Layout();
    const int sheets = std::max(1, layout.numberHorizontal) * std::max(1, layout.numberVertical);
    QPrinter& printer = m_view.printer();
    QPrintDialog dialog(&printer, m_parent);
    dialog.setMinMax(1, sheets);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted) return;
    std::unique_ptr<OutputJob> job = Prepare(false);
    if (!job) return;
    const BusyCursor busy;
    std::string error;
    const bool range = printer.printRange() == QPrinter::PageRange;
    if (!PrintSheets(printer, job->map(), m_plan, &error, range ? printer.fromPage() : 0,
                     range ? printer.toPage() : 0))
        m_messages.Show("The map cannot be printed: " + error + ".", MessageIcon::Error);
}

void PrintRunner::Preview() {
    std::unique_ptr<OutputJob> job = Prepare(true);
    if (!job) return;
    QPrintPreviewDialog preview(&m_view.printer(), m_parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter* printer) {
        const BusyCursor busy;
        PrintSheets(*printer, job->map(), m_plan, nullptr);
    });
    preview.exec();
}

std::unique_ptr<OutputJob> PrintRunner::Prepare(bool preview) {
    if (!m_view.composer()) return nullptr;
    // The printer chosen now may not be the one the print-out bounds were made for.
    QPrinter& printer = m_view.printer();
    const PrinterMetrics metrics = MetricsOf(printer.pageLayout(), printer.resolution());
    if (metrics != m_view.printerMetrics()) {
        const bool proceed = m_messages.Ask(kBoundsChanged, MessageIcon::Warning, false);
        m_view.OnPrinterChanged();
        if (!proceed) return nullptr;
    }
    if (ExceedsA3(metrics)) {
        m_messages.Show(kOverA3Message, MessageIcon::Error);
        return nullptr;
    }
    const OutputSetting& layout = Layout();
    m_plan = PlanSheets(layout, metrics);
    const GeoPoint center = m_settings.m_printCenter;

    // The write sets as they are now: the user may edit them while the worker draws.
    auto write = std::make_unique<CWrite>();
    write->LoadBytes(m_view.write().SaveBytes());
    OutputJob::Order order;
    order.request =
        PrintRequest(layout, metrics, m_plan, center, m_settings.m_mapHighSpeedDownload);
    order.layout = layout;
    order.write = std::move(write);
    order.previewWidth = PrintPreviewWidth(m_plan.width, m_plan.height);
    auto job = std::make_unique<OutputJob>(*m_view.composer(), std::move(order));
    CDialogPrintAbort progress(m_parent, preview ? "Print preview" : "Print", *job);
    const int result = progress.exec();
    CountPrintRun();
    if (result == CDialogPrintAbort::kFailed) {
        if (progress.outcome() == OutputJob::Outcome::Failed)
            m_messages.Show(kCreateMapError, MessageIcon::Error);
        return nullptr;
    }
    // What the map lacks, before anything is printed with it.
    const std::string shortfalls = PrintShortfallText(m_plan, job->stats(), job->Shortfalls());
    if (!shortfalls.empty()) m_messages.Show(shortfalls, MessageIcon::Warning);
    if (result == CDialogPrintAbort::kNotComplete) {
        if (preview) {
            m_messages.Show(kPreviewIncomplete, MessageIcon::Warning);
            return job;
        }
        if (!m_messages.Ask(kPrintIncomplete, MessageIcon::Warning, false)) return nullptr;
    }
    AddPrintHistoryNow(m_settings.m_printHistory, center);
    return job;
}

}  // namespace hfp
