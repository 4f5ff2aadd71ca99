#pragma once

#include <QObject>

#include "platform/Messages.h"

namespace hfp {

// Messages for a job on a worker thread: each message or question is handed to the user
// interface thread, which shows it through `target` while the worker waits for the answer.
// `context` must live on the user interface thread and run its event loop meanwhile (a
// progress dialog does).
class GuiThreadMessages : public Messages {
  public:
    GuiThreadMessages(QObject* context, Messages& target) : m_context(context), m_target(target) {}

    void Show(const std::string& text, MessageIcon icon) override;
    bool Ask(const std::string& text, MessageIcon icon, bool defaultYes) override;

  private:
    QObject* m_context;
    Messages& m_target;
};

}  // namespace hfp
