#pragma once

#include <QObject>
#include <set>
#include <string>

#include "platform/Messages.h"

namespace hfp {

// Passes messages on to another Messages once control is back in the event loop. For
// failures found while the view paints: a message box opened inside a paint would paint the
// view again from its own loop. A message already waiting is not queued a second time, so a
// failure that every paint meets is shown once, not once per paint.
class DeferredMessages : public Messages {
  public:
    DeferredMessages(Messages* target, QObject* context);

    void Show(const std::string& text, MessageIcon icon) override;
    // Questions cannot wait: they are asked at once.
    bool Ask(const std::string& text, MessageIcon icon, bool defaultYes) override;

  private:
    Messages* m_target;
    QObject* m_context;
    std::set<std::string> m_waiting;
};

}  // namespace hfp
