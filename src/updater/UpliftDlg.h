#pragma once

#include <QDialog>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

class QLabel;

namespace hfp {

// The updater's dialog: it shows the list's message while a worker thread carries out the
// list's commands, closes when they are done and then starts the list's program. In silent
// mode it is never shown, and the commands run all the same.
//
// Threads: the worker only runs the commands and posts the close to the dialog's thread. The
// dialog does not close before the worker has finished: an update cut short would leave the
// installation half replaced.
class CupliftDlg : public QDialog {
  public:
    CupliftDlg(std::vector<std::string> lines, std::filesystem::path folder, bool silent);
    ~CupliftDlg() override;

    void setVisible(bool visible) override;
    void reject() override;  // Escape and the window's close button wait for the worker

    QString message() const;

  private:
    void Finish();
    void StartProgram() const;

    std::vector<std::string> m_lines;
    std::filesystem::path m_folder;
    bool m_silent;
    bool m_finished = false;
    QLabel* m_text;
    std::thread m_worker;
};

}  // namespace hfp
