#include "print/ui/DialogProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace hfp {

namespace {

constexpr int kTickMs = 100;

}  // namespace

CDialogProgress::CDialogProgress(QWidget* parent, const QString& text, Job job)
    : QDialog(parent), m_job(std::move(job)) {
    setWindowTitle("Processing");
    m_text = new QLabel(text, this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_abort = new QPushButton("Abort", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(m_abort, 0, Qt::AlignHCenter);
    setMinimumWidth(360);
    connect(m_abort, &QPushButton::clicked, this, &CDialogProgress::reject);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CDialogProgress::Tick);
}

CDialogProgress::~CDialogProgress() {
    m_control.Abort();
    if (m_worker.joinable()) m_worker.join();
}

int CDialogProgress::exec() {
    if (!m_worker.joinable() && !m_finished) {
        m_worker = std::thread([this] {
            m_job(m_control);
            m_finished = true;
        });
        m_timer.start();
    }
    return QDialog::exec();
}

void CDialogProgress::reject() {
    // The dialog ends only with its job; until then a close asks the job to stop.
    if (m_finished) return QDialog::reject();
    m_control.Abort();
    m_abort->setEnabled(false);
    m_text->setText(m_text->text() + "\nStopping...");
}

void CDialogProgress::Tick() {
    m_bar->setValue(m_control.position());
    if (!m_finished) return;
    m_timer.stop();
    m_worker.join();
    done(m_control.aborted() ? QDialog::Rejected : QDialog::Accepted);
}

}  // namespace hfp
