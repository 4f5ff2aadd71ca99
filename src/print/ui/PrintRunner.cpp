#include "print/ui/PrintRunner.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <algorithm>
#include <atomic>
#include <thread>

#include "compose/ImageFile.h"
#include "platform/Messages.h"
#include "print/PrintHistory.h"
#include "print/ui/DialogFileout.h"
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
constexpr const char* kFileoutIncomplete =
    "The map is not created normally.\nWould you like to proceed?";
constexpr const char* kFileoutComplete = "Complete";

// Busy cursor while the pages are drawn.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// Encodes the decorated map into `file` on a thread of its own behind a modal note, so that
// the window keeps painting however long a large file takes.
bool WriteFileBehindNote(QWidget* parent, const CDivBitmap& map, const std::string& file,
                         std::string* error) {
    QProgressDialog note(QString("Writing %1").arg(QString::fromStdString(file)), QString(), 0, 0,
                         parent);
    note.setWindowTitle("File out");
    note.setCancelButton(nullptr);
    bool written = false;
    std::atomic<bool> done = false;
    std::thread writer([&] {
        written = WriteImageFile(map, file, error);
        done = true;
        QMetaObject::invokeMethod(&note, &QProgressDialog::accept, Qt::QueuedConnection);
    });
    // Escape and the close button end exec(), not the writing: the note comes back.
    while (!done)
        note.exec();
    writer.join();
    return written;
}

}  // namespace

PrintRunner::PrintRunner(QWidget* parent, CHollowfernPlotterView& view, CSetData& settings,
                         Messages& messages)
    : m_parent(parent), m_view(view), m_settings(settings), m_messages(messages) {}

const OutputSetting& PrintRunner::Layout(int32_t select) const {
    return m_settings
        .m_outputSettings[static_cast<std::size_t>(std::clamp(select, 0, kOutputSettingCount - 1))];
}

void PrintRunner::Print() {
    const OutputSetting& layout = Layout(m_settings.m_selectPrint);
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
    const OutputSetting& layout = Layout(m_settings.m_selectPrint);
    m_plan = PlanSheets(layout, metrics);
    const GeoPoint center = m_settings.m_printCenter;
    int result = 0;
    std::unique_ptr<OutputJob> job =
        Compose(preview ? "Print preview" : "Print",
                PrintRequest(layout, metrics, m_plan, center, m_settings.m_mapHighSpeedDownload),
                layout, &result);
    if (!job) return nullptr;
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

void PrintRunner::Fileout() {
    if (!m_view.composer()) return;
    const OutputSetting& layout = Layout(m_settings.m_selectFileout);
    const std::array<FileoutModel::Area, FileoutModel::kRangeCount> areas = FileoutAreas();
    CDialogFileout dialog(areas, layout.mapLevel, m_view.navigation().level(), m_settings,
                          &m_messages, m_parent);
    if (dialog.exec() != QDialog::Accepted) return;
    const FileoutModel::Choice choice = dialog.choice();
    FileoutModel::StoreChoice(choice, &m_settings);
    const FileoutModel::Area& area = areas[choice.range];
    int result = 0;
    const std::unique_ptr<OutputJob> job =
        Compose("File out",
                OutputRequest(layout, area.center, area.widthGeo, choice.size.width,
                              choice.size.height, m_settings.m_mapHighSpeedDownload),
                layout, &result);
    if (!job) return;
    const std::string shortfalls = AsSentences(job->Shortfalls());
    if (!shortfalls.empty()) m_messages.Show(shortfalls, MessageIcon::Warning);
    if (result == CDialogPrintAbort::kNotComplete &&
        !m_messages.Ask(kFileoutIncomplete, MessageIcon::Warning, false))
        return;
    std::string error;
    if (WriteFileBehindNote(m_parent, job->map(), choice.file, &error))
        m_messages.Show(kFileoutComplete, MessageIcon::Information);
    else
        m_messages.Show(std::string(FileoutModel::kFailure) + "\n" + AsSentences({error}),
                        MessageIcon::Error);
}

std::unique_ptr<OutputJob> PrintRunner::Compose(const char* title, const MapRequest& request,
                                                const OutputSetting& layout, int* result) {
    // The write sets as they are now: the user may edit them while the worker draws.
    auto write = std::make_unique<CWrite>();
    write->LoadBytes(m_view.write().SaveBytes());
    OutputJob::Order order;
    order.request = request;
    order.layout = layout;
    order.write = std::move(write);
    order.previewWidth = PrintPreviewWidth(request.width, request.height);
    auto job = std::make_unique<OutputJob>(*m_view.composer(), std::move(order));
    CDialogPrintAbort progress(m_parent, title, *job);
    *result = progress.exec();
    CountPrintRun();
    if (*result != CDialogPrintAbort::kFailed) return job;
    if (progress.outcome() == OutputJob::Outcome::Failed)
        m_messages.Show(std::string(kCreateMapError) + "\n" + AsSentences({job->error()}),
                        MessageIcon::Error);
    return nullptr;
}

std::array<FileoutModel::Area, FileoutModel::kRangeCount> PrintRunner::FileoutAreas() const {
    const BoundsFrame& print = m_view.frames()[kPrintFrameSlot];
    const ViewTransform screen = m_view.Transform();
    return {
        {{m_settings.m_fileoutCenter, m_settings.m_fileoutLongitude, m_settings.m_fileoutLatitude},
         {print.center, print.width, print.height},
         {screen.center, TruncToInt(screen.width / screen.kx()),
          TruncToInt(screen.height / screen.ky())}}};
}

}  // namespace hfp
