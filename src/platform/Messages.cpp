#include "platform/Messages.h"

#include <cstdio>

namespace hfp {

void RecordingMessages::Show(const std::string& text, MessageIcon icon) {
    m_records.push_back({text, icon, false, false});
}

bool RecordingMessages::Ask(const std::string& text, MessageIcon icon, bool defaultYes) {
    bool answer = defaultYes;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    m_records.push_back({text, icon, true, answer});
    return answer;
}

const char* MessageIconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return "error";
        case MessageIcon::Warning:
            return "warning";
        case MessageIcon::Information:
            return "information";
        case MessageIcon::Question:
            return "question";
    }
    return "message";
}

void PrintingMessages::Show(const std::string& text, MessageIcon icon) {
    std::fprintf(stderr, "%s: %s\n", MessageIconName(icon), text.c_str());
}

bool PrintingMessages::Ask(const std::string& text, MessageIcon icon, bool defaultYes) {
    std::fprintf(stderr, "%s: %s [%s]\n", MessageIconName(icon), text.c_str(),
                 defaultYes ? "yes" : "no");
    return defaultYes;
}

}  // namespace hfp
