#include "write/ui/GuiThreadMessages.h"

#include <QThread>

namespace hfp {

void GuiThreadMessages::Show(const std::string& text, MessageIcon icon) {
    if (QThread::currentThread() == m_context->thread()) return m_target.Show(text, icon);
    QMetaObject::invokeMethod(
        m_context, [&] { m_target.Show(text, icon); }, Qt::BlockingQueuedConnection);
}

bool GuiThreadMessages::Ask(const std::string& text, MessageIcon icon, bool defaultYes) {
    if (QThread::currentThread() == m_context->thread())
        return m_target.Ask(text, icon, defaultYes);
    bool answer = defaultYes;
    QMetaObject::invokeMethod(
        m_context, [&] { answer = m_target.Ask(text, icon, defaultYes); },
        Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace hfp
