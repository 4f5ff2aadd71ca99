#pragma once

#include <QDialog>
#include <filesystem>
#include <thread>

#include "info/SystemInformation.h"

class QPlainTextEdit;

namespace hfp {

// "Information": the system information report as read-only text. The report is built once,
// on a thread of its own as the dialog opens, since walking a large tile cache takes a while;
// the wait cursor shows until the text arrives, and the window answers meanwhile. Closing the
// dialog first stops the walk and waits for the thread.
class CDialogInformation : public QDialog {
  public:
    CDialogInformation(const PrinterCapabilities& printer, std::filesystem::path dataFolder,
                       QWidget* parent = nullptr);
    ~CDialogInformation() override;

    // Empty until the report has arrived.
    QString text() const;

  private:
    void ShowReport(const QString& report);

    QPlainTextEdit* m_text;
    bool m_waiting = true;  // the wait cursor is on
    std::jthread m_worker;  // last: stopped and joined before the rest goes
};

}  // namespace hfp
