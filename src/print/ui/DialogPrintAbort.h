#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>
#include <atomic>
#include <thread>

#include "print/OutputJob.h"

class QLabel;
class QPushButton;

namespace hfp {

// The progress and abort dialog of a print or file-out run. exec() starts the job on a worker
// thread of its own, once, and returns when the job has returned: kComplete, kNotComplete
// when the map lacks tiles, kFailed when it failed or was aborted. Meanwhile it shows the
// status words and a small preview of the map as its tiles arrive, centred in a 300 × 300
// square whose corner lies at (50, 50). "Abort" (and closing) cancels only the job's own
// composition; the window behind keeps painting, and the dialog ends once the worker has
// returned.
//
// Threads: the worker runs the job alone; the dialog reads the job's status and preview on a
// 100 ms timer and joins the worker once the job has returned.
class CDialogPrintAbort : public QDialog {
  public:
    enum Result { kComplete = 1, kNotComplete = 2, kFailed = 3 };

    CDialogPrintAbort(QWidget* parent, const QString& title, OutputJob& job);
    ~CDialogPrintAbort() override;

    int exec() override;
    void reject() override;  // Abort, Escape and the window's close button
    OutputJob::Outcome outcome() const { return m_outcome; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Tick();

    OutputJob& m_job;
    std::atomic<bool> m_finished{false};
    OutputJob::Outcome m_outcome = OutputJob::Outcome::Failed;
    std::thread m_worker;
    QTimer m_timer;
    QImage m_preview;
    QLabel* m_status;
    QPushButton* m_abort;
};

// The preview's width for an output of width × height pixels: the longer side fills 300.
int32_t PrintPreviewWidth(int32_t width, int32_t height);

}  // namespace hfp
