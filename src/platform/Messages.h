#pragma once

#include <deque>
#include <string>
#include <vector>

namespace hfp {

enum class MessageIcon { Error, Warning, Information, Question };

// Every failure the user must see goes through this interface: the desktop program shows a
// message box, hfp prints, tests record.
class Messages {
  public:
    virtual ~Messages() = default;
    virtual void Show(const std::string& text, MessageIcon icon) = 0;
    // A yes/no question; `defaultYes` is the answer preselected (and taken where nobody can be
    // asked). Returns true for yes.
    virtual bool Ask(const std::string& text, MessageIcon icon, bool defaultYes) = 0;
};

// Keeps every message; questions take the queued answers in order, then their default.
class RecordingMessages : public Messages {
  public:
    struct Record {
        std::string text;
        MessageIcon icon;
        bool question;
        bool answer;
    };

    void Show(const std::string& text, MessageIcon icon) override;
    bool Ask(const std::string& text, MessageIcon icon, bool defaultYes) override;

    void QueueAnswer(bool yes) { m_answers.push_back(yes); }
    const std::vector<Record>& records() const { return m_records; }
    void Clear() { m_records.clear(); }

  private:
    std::vector<Record> m_records;
    std::deque<bool> m_answers;
};

// Writes messages to standard error; questions take their default answer, which is printed.
class PrintingMessages : public Messages {
  public:
    void Show(const std::string& text, MessageIcon icon) override;
    bool Ask(const std::string& text, MessageIcon icon, bool defaultYes) override;
};

const char* MessageIconName(MessageIcon icon);

}  // namespace hfp
