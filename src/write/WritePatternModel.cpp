#include "write/WritePatternModel.h"

#include "platform/Messages.h"
#include "write/ByteStream.h"
#include "write/CsvFields.h"

namespace hfp {

namespace {

constexpr const char* kSameName = "Already exist the same name write pattern.";

}  // namespace

WritePatternModel::WritePatternModel(CWritePattern& patterns, const CWriteObject* templateObject,
                                     Messages& messages)
    : m_patterns(patterns), m_template(templateObject), m_messages(messages) {}

std::vector<WritePatternModel::Row> WritePatternModel::Rows() const {
    std::vector<Row> rows;
    for (int i = 0; i < m_patterns.Count(); ++i) {
        const CWriteObject& object = *m_patterns.aObjects[static_cast<std::size_t>(i)];
        rows.push_back({object.m_nType, m_patterns.aNames[static_cast<std::size_t>(i)],
                        object.GetStatusText()});
    }
    return rows;
}

std::string WritePatternModel::Select(int row) {
    m_selected = row >= 0 && row < m_patterns.Count() ? row : -1;
    return m_selected < 0 ? std::string() : m_patterns.aNames[static_cast<std::size_t>(m_selected)];
}

WritePatternModel::Enabled WritePatternModel::State() const {
    Enabled e;
    e.add = m_template != nullptr;
    if (m_selected < 0) return e;
    e.up = m_selected > 0;
    e.down = m_selected < m_patterns.Count() - 1;
    e.remove = e.rename = e.select = true;
    return e;
}

bool WritePatternModel::Add(const std::string& nameBox) {
    if (!m_template) return false;
    const std::string name = TrimBlanks(nameBox);
    if (name.empty()) {
        m_messages.Show("Input name.", MessageIcon::Warning);
        return false;
    }
    if (m_patterns.Find(name) >= 0) {
        m_messages.Show(kSameName, MessageIcon::Warning);
        return false;
    }
    if (!m_patterns.Add(name, *m_template)) {
        m_messages.Show("Couldn't add write pattern.", MessageIcon::Error);
        return false;
    }
    Select(m_patterns.Count() - 1);
    return true;
}

bool WritePatternModel::Rename(const std::string& nameBox) {
    if (m_selected < 0) return false;
    const int found = m_patterns.Find(nameBox);
    if (found >= 0 && found != m_selected) {
        m_messages.Show(kSameName, MessageIcon::Warning);
        return false;
    }
    m_patterns.aNames[static_cast<std::size_t>(m_selected)] =
        CutUtf8(nameBox, CWritePattern::kMaxNameBytes);
    return true;
}

void WritePatternModel::Move(bool up) {
    const int other = up ? m_selected - 1 : m_selected + 1;
    if (m_selected < 0 || other < 0 || other >= m_patterns.Count()) return;
    m_patterns.Swap(m_selected, other);
    m_selected = other;
}

bool WritePatternModel::Delete() {
    if (m_selected < 0) {
        m_messages.Show("Select item to delete.", MessageIcon::Warning);
        return false;
    }
    if (!m_messages.Ask(m_patterns.aNames[static_cast<std::size_t>(m_selected)] +
                            " will be deleted.\nWe can not undo.\nOK?",
                        MessageIcon::Warning, false))
        return false;
    m_patterns.Remove(m_selected);
    Select(-1);
    return true;
}

}  // namespace hfp
