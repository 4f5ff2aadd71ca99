#pragma once

#include "platform/Messages.h"

class QWidget;

namespace hfp {

// Messages shown to the user in message boxes over the main window.
class MessageBoxes : public Messages {
  public:
    explicit MessageBoxes(QWidget* parent) : m_parent(parent) {}

    void Show(const std::string& text, MessageIcon icon) override;
    bool Ask(const std::string& text, MessageIcon icon, bool defaultYes) override;

  private:
    QWidget* m_parent;
};

}  // namespace hfp
