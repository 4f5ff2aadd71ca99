#pragma once

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "platform/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace hfp {

// "Processing": a text line, a progress bar and "Abort" over a job that runs on a worker
// thread of its own (a write-set transfer, the spot data download). exec() starts the job
// once and returns when it has ended, Accepted when it ran to its end and Rejected when it was
// aborted. "Abort" (or closing the window) asks the job to stop and waits for it without
// freezing the window: the job decides where it can stop without leaving half a file.
//
// Threads: the job sees only its ProgressControl; the dialog reads the position on a 100 ms
// timer on its own thread and joins the worker once the job has returned.
class CDialogProgress : public QDialog {
  public:
    using Job = std::function<void(ProgressControl&)>;

    CDialogProgress(QWidget* parent, const QString& text, Job job);
    ~CDialogProgress() override;

    int exec() override;
    void reject() override;  // Abort, Escape and the window's close button

    const ProgressControl& control() const { return m_control; }

  private:
    void Tick();

    Job m_job;
    ProgressControl m_control;
    std::atomic<bool> m_finished{false};
    std::thread m_worker;
    QTimer m_timer;
    QLabel* m_text;
    QProgressBar* m_bar;
    QPushButton* m_abort;
};

}  // namespace hfp
