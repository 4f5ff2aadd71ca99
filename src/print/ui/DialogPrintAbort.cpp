#include "print/ui/DialogPrintAbort.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "geo/GeoPoint.h"

namespace hfp {

namespace {

constexpr int kTickMs = 100;
constexpr double kPreviewSquare = 300;
constexpr int kPreviewCorner = 50;
const char* const kStatusWords[] = {"Starting.", "Drawing the map.", "Complete", "Stopped."};

}  // namespace

int32_t PrintPreviewWidth(int32_t width, int32_t height) {
    return TruncToInt(width * (kPreviewSquare / std::max(width, height)));
}

CDialogPrintAbort::CDialogPrintAbort(QWidget* parent, const QString& title, OutputJob& job)
    : QDialog(parent), m_job(job) {
    setWindowTitle(title);
    const int side = static_cast<int>(kPreviewSquare) + 2 * kPreviewCorner;
    setFixedSize(side, side + 70);
    m_status = new QLabel("Starting", this);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setGeometry(kPreviewCorner, side, static_cast<int>(kPreviewSquare), 24);
    m_abort = new QPushButton("Abort", this);
    m_abort->setGeometry(side / 2 - 50, side + 30, 100, 30);
    connect(m_abort, &QPushButton::clicked, this, &CDialogPrintAbort::reject);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CDialogPrintAbort::Tick);
}

CDialogPrintAbort::~CDialogPrintAbort() {
    m_job.Abort();
    if (m_worker.joinable()) m_worker.join();
}

int CDialogPrintAbort::exec() {
    if (!m_worker.joinable() && !m_finished) {
        m_worker = std::thread([this] {
            m_outcome = m_job.Run();
            m_finished = true;
        });
        m_timer.start();
    }
    return QDialog::exec();
}

void CDialogPrintAbort::reject() {
    // The dialog ends only with its job; until then a close stops the job.
    if (m_finished) return;
    m_job.Abort();
    m_abort->setEnabled(false);
}

void CDialogPrintAbort::Tick() {
    m_preview = m_job.Preview();
    m_status->setText(kStatusWords[std::clamp(m_job.status(), 0, 3)]);
    update();
    if (!m_finished) return;
    m_timer.stop();
    m_worker.join();
    if (m_outcome != OutputJob::Outcome::Done)
        done(kFailed);
    else
        done(m_job.stats().missing() > 0 ? kNotComplete : kComplete);
}

void CDialogPrintAbort::paintEvent(QPaintEvent*) {
    if (m_preview.isNull()) return;
    const MapRequest& request = m_job.request();
    const double k = kPreviewSquare / std::max(request.width, request.height);
    QPainter painter(this);
    painter.drawImage(
        QPoint(TruncToInt((kPreviewSquare - request.width * k) * 0.5 + kPreviewCorner),
               TruncToInt((kPreviewSquare - request.height * k) * 0.5 + kPreviewCorner)),
        m_preview);
}

}  // namespace hfp
