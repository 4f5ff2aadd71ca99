#include "view/DeferredMessages.h"

#include <QMetaObject>

namespace hfp {

DeferredMessages::DeferredMessages(Messages* target, QObject* context)
    : m_target(target), m_context(context) {}

void DeferredMessages::Show(const std::string& text, MessageIcon icon) {
    if (!m_waiting.insert(text).second) return;
    QMetaObject::invokeMethod(
        m_context,
        [this, text, icon] {
            m_target->Show(text, icon);
            m_waiting.erase(text);
        },
        Qt::QueuedConnection);
}

bool DeferredMessages::Ask(const std::string& text, MessageIcon icon, bool defaultYes) {
    return m_target->Ask(text, icon, defaultYes);
}

}  // namespace hfp
