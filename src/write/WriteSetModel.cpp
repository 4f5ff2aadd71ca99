#include "write/WriteSetModel.h"

#include "platform/Messages.h"
#include "write/CsvFields.h"
#include "write/WriteExchange.h"

namespace hfp {

namespace {

constexpr const char* kSameName = "Already exist the same name write set.";

}  // namespace

WriteSetModel::WriteSetModel(CWrite& write, Messages& messages)
    : m_write(write), m_messages(messages) {
    for (int i = 0; i < write.SetCount(); ++i)
        m_checked.push_back(write.Set(i).bVisible);
}

std::vector<WriteSetModel::Row> WriteSetModel::Rows() const {
    std::vector<Row> rows;
    for (int i = 0; i < m_write.SetCount(); ++i)
        rows.push_back({m_checked[static_cast<std::size_t>(i)], m_write.Set(i).szName});
    return rows;
}

std::string WriteSetModel::Select(int row) {
    m_selected = row >= 0 && row < m_write.SetCount() ? row : -1;
    return m_selected < 0 ? std::string() : m_write.Set(m_selected).szName;
}

void WriteSetModel::SetChecked(int row, bool visible) {
    if (row >= 0 && row < m_write.SetCount()) m_checked[static_cast<std::size_t>(row)] = visible;
}

WriteSetModel::Enabled WriteSetModel::State() const {
    Enabled e;
    if (m_selected < 0) return e;
    e.up = m_selected > 0;
    e.down = m_selected < m_write.SetCount() - 1;
    e.remove = e.rename = e.exportSet = true;
    e.ok = !m_write.Set(m_selected).aObjects.empty();
    return e;
}

bool WriteSetModel::DoubleClickAccepts(int row) const {
    return row >= 0 && row < m_write.SetCount() && !m_write.Set(row).aObjects.empty();
}

bool WriteSetModel::NameTaken(const std::string& name, int except) const {
    const int found = m_write.FindSet(name);
    return found >= 0 && found != except;
}

bool WriteSetModel::Add(const std::string& nameBox) {
    const std::string name = TrimBlanks(nameBox);
    if (name.empty()) {
        m_messages.Show("Input name", MessageIcon::Warning);
        return false;
    }
    if (NameTaken(name, -1)) {
        m_messages.Show(kSameName, MessageIcon::Warning);
        return false;
    }
    if (!m_write.AddSet(name)) {
        m_messages.Show("Couldn't add write set.", MessageIcon::Error);
        return false;
    }
    const int added = m_write.SetCount() - 1;
    m_write.PushUndo(added);
    m_checked.push_back(m_write.Set(added).bVisible);
    Select(added);
    return true;
}

bool WriteSetModel::Rename(const std::string& nameBox) {
    if (m_selected < 0) return false;
    // A set without a name could not be told apart in the set box.
    if (TrimBlanks(nameBox).empty()) {
        m_messages.Show("Input name", MessageIcon::Warning);
        return false;
    }
    if (NameTaken(nameBox, m_selected)) {
        m_messages.Show(kSameName, MessageIcon::Warning);
        return false;
    }
    m_write.Set(m_selected).szName = CutSetName(nameBox);
    return true;
}

void WriteSetModel::Move(bool up) {
    const int other = up ? m_selected - 1 : m_selected + 1;
    if (m_selected < 0 || other < 0 || other >= m_write.SetCount()) return;
    std::swap(m_write.Sets()[static_cast<std::size_t>(m_selected)],
              m_write.Sets()[static_cast<std::size_t>(other)]);
    std::vector<bool>::swap(m_checked[static_cast<std::size_t>(m_selected)],
                            m_checked[static_cast<std::size_t>(other)]);
    m_selected = other;
}

bool WriteSetModel::Delete() {
    if (m_selected < 0) {
        m_messages.Show("Select item to delete.", MessageIcon::Warning);
        return false;
    }
    const std::string& name = m_write.Set(m_selected).szName;
    if (name == CWrite::kDefaultSetName) {
        m_messages.Show("Defeult is not deletable.", MessageIcon::Information);
        return false;
    }
    if (!m_messages.Ask(name + " will be deleted.\nWe can not undo.\nOK?", MessageIcon::Warning,
                        false))
        return false;
    m_write.DeleteSet(m_selected);
    m_checked.erase(m_checked.begin() + m_selected);
    Select(-1);
    return true;
}

std::optional<int> WriteSetModel::Finish(bool ok) {
    bool anyVisible = false;
    for (int i = 0; i < m_write.SetCount(); ++i) {
        m_write.Set(i).bVisible = m_checked[static_cast<std::size_t>(i)];
        anyVisible = anyVisible || m_write.Set(i).bVisible;
    }
    if (!anyVisible) {
        m_messages.Show("Select visible write set.", MessageIcon::Warning);
        return std::nullopt;
    }
    return ok ? m_selected : -1;
}

int WriteSetModel::ExportSet() {
    if (m_selected < 0) m_messages.Show("Select write set.", MessageIcon::Warning);
    return m_selected;
}

int WriteSetModel::ImportTarget(const std::filesystem::path& file) {
    if (const int selected = SelectedImportTarget(); selected >= 0) return selected;
    std::string name, error;
    if (!ImportSetName(file, m_write, &name, &error)) {
        m_messages.Show(error, MessageIcon::Error);
        return -1;
    }
    return NewImportSet(name);
}

int WriteSetModel::SelectedImportTarget() {
    if (m_selected >= 0 &&
        m_messages.Ask("Inport to selected write set " + m_write.Set(m_selected).szName,
                       MessageIcon::Question, true))
        return m_selected;
    return -1;
}

int WriteSetModel::NewImportSet(const std::string& name) {
    if (!m_messages.Ask("New write set " + name + " will be created.\nOK?", MessageIcon::Question,
                        true))
        return -1;
    if (!m_write.AddSet(name)) {
        m_messages.Show("Cannot add write set.", MessageIcon::Error);
        return -1;
    }
    const int added = m_write.SetCount() - 1;
    m_write.PushUndo(added);
    m_checked.push_back(true);
    return added;
}

}  // namespace hfp
