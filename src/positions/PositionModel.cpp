#include "positions/PositionModel.h"

#include <algorithm>
#include <cstdio>

#include "platform/Messages.h"
#include "positions/MoveLongitudeLatitude.h"
#include "print/PrintSetModel.h"
#include "write/CsvFields.h"

namespace hfp {

namespace {

int32_t FieldsValue(const std::array<std::string, 4>& fields) {
    const int64_t value = int64_t{ReadNumber(fields[0])} * kGeoUnitsPerDegree +
                          int64_t{ReadNumber(fields[1])} * kGeoUnitsPerMinute +
                          int64_t{ReadNumber(fields[2])} * kGeoUnitsPerSecond +
                          ReadNumber(fields[3]);
    // Far outside the range either way: a value that does not fit reads as out of range.
    return TruncToInt(static_cast<double>(value));
}

std::string ListText(int32_t geo) {
    char text[32];
    std::snprintf(text, sizeof text, "%3d\u00B0%02d\u2032%02d\u2033%d", geo / kGeoUnitsPerDegree,
                  geo % kGeoUnitsPerDegree / kGeoUnitsPerMinute,
                  geo % kGeoUnitsPerMinute / kGeoUnitsPerSecond, geo % kGeoUnitsPerSecond);
    return text;
}

}  // namespace

PositionModel::PositionModel(std::filesystem::path file, GeoPoint center, Messages& messages)
    : m_file(std::move(file)), m_center(center), m_messages(messages) {}

void PositionModel::Start() {
    std::string error;
    if (m_list.Load(m_file, &error) == CPositionList::LoadResult::Unreadable)
        m_messages.Show(error + ". The list starts empty, and the file is not saved over.",
                        MessageIcon::Warning);
    else if (const int unread = m_list.unreadLines(); unread > 0)
        m_messages.Show(UnreadLinesNotice(unread), MessageIcon::Warning);
    for (int i = 0; i < m_list.size(); ++i)
        if (const POSITION_ITEM* item = m_list.At(i))
            m_textLimit = std::max({m_textLimit, static_cast<int>(item->group.size()),
                                    static_cast<int>(item->name.size())});
    m_groups = m_list.Groups();
    m_groupText = m_groups.empty() ? std::string() : m_groups.front();
    Refill();
}

void PositionModel::SetGroupText(const std::string& text) {
    m_groupText = text;
    Refill();
}

void PositionModel::Refill() {
    m_listed.clear();
    m_rows.clear();
    m_selected = -1;
    m_groupListed = std::find(m_groups.begin(), m_groups.end(), m_groupText) != m_groups.end();
    if (!m_groupListed) return;
    for (int i = 0; i < m_list.size(); ++i) {
        const POSITION_ITEM* item = m_list.At(i);
        if (!item || item->group != m_groupText) continue;
        m_listed.push_back(i);
        m_rows.push_back({item->name, ListText(item->longitude), ListText(item->latitude)});
    }
}

PositionModel::Place PositionModel::Select(int row) {
    m_selected = row >= 0 && row < static_cast<int>(m_rows.size()) ? row : -1;
    if (m_selected < 0) return {};
    const POSITION_ITEM& item = *m_list.At(m_listed[static_cast<std::size_t>(row)]);
    return {item.name, CoordinateFields(item.longitude, true),
            CoordinateFields(item.latitude, true)};
}

PositionModel::Place PositionModel::CenterPlace() const {
    return {{}, CoordinateFields(m_center.lon, false), CoordinateFields(m_center.lat, false)};
}

PositionModel::Enabled PositionModel::State() const {
    Enabled e;
    e.deleteGroup = m_groupListed;
    e.save = m_unsaved;
    if (m_selected < 0) return e;
    e.up = m_selected > 0;
    e.down = m_selected < static_cast<int>(m_rows.size()) - 1;
    e.deleteItem = e.move = true;
    return e;
}

bool PositionModel::AddOrUpdate(const Place& typed) {
    const POSITION_ITEM item{TrimBlanks(m_groupText), TrimBlanks(typed.name),
                             FieldsValue(typed.longitude), FieldsValue(typed.latitude)};
    if (const std::string refusal = RefusePosition(item); !refusal.empty()) {
        m_messages.Show(refusal, MessageIcon::Warning);
        return false;
    }
    int entry = m_list.Find(item.group, item.name);
    if (entry >= 0) {
        *m_list.At(entry) = item;
    } else {
        m_list.Append(item);
        entry = m_list.size() - 1;
    }
    if (std::find(m_groups.begin(), m_groups.end(), item.group) == m_groups.end())
        m_groups.push_back(item.group);
    m_groupText = item.group;
    Refill();
    Select(static_cast<int>(std::find(m_listed.begin(), m_listed.end(), entry) - m_listed.begin()));
    m_unsaved = true;
    return true;
}

void PositionModel::Move(bool up) {
    const int other = m_selected + (up ? -1 : 1);
    if (m_selected < 0 || other < 0 || other >= static_cast<int>(m_rows.size())) return;
    // The rows are the group's entries in list order: the row beside is the nearest place of
    // the group, and places of other groups between the two keep theirs.
    m_list.Swap(m_listed[static_cast<std::size_t>(m_selected)],
                m_listed[static_cast<std::size_t>(other)]);
    std::swap(m_rows[static_cast<std::size_t>(m_selected)],
              m_rows[static_cast<std::size_t>(other)]);
    m_selected = other;
    m_unsaved = true;
}

bool PositionModel::DeleteItem() {
    if (m_selected < 0) {
        m_messages.Show("Select item to delete.", MessageIcon::Warning);
        return false;
    }
    const int entry = m_listed[static_cast<std::size_t>(m_selected)];
    if (!m_messages.Ask(m_list.At(entry)->name + " will be deleted.\nOK?", MessageIcon::Warning,
                        false))
        return false;
    m_list.Erase(entry);
    Refill();
    m_unsaved = true;
    return true;
}

bool PositionModel::DeleteGroup() {
    const std::string group = TrimBlanks(m_groupText);
    if (group.empty()) {
        m_messages.Show("Input group name in the combo box.", MessageIcon::Warning);
        return false;
    }
    if (!m_messages.Ask(group + " and all items will be deleted.\nOK?", MessageIcon::Warning,
                        false))
        return false;
    m_list.EraseGroup(group);
    std::erase(m_groups, group);
    m_groupText.clear();
    Refill();
    m_unsaved = true;
    return true;
}

bool PositionModel::Save() {
    std::string error;
    if (!m_list.Save(m_file, &error)) {
        m_messages.Show("Save error.", MessageIcon::Error);
        return false;
    }
    m_unsaved = false;
    return true;
}

bool PositionModel::Unsaved(const char* question) const {
    return m_unsaved && !m_messages.Ask(question, MessageIcon::Warning, false);
}

bool PositionModel::MoveToSelected() {
    if (Unsaved("Changing is not saved.\nWould you like to drop changing and move?")) return false;
    if (m_selected < 0) return false;
    const POSITION_ITEM& item = *m_list.At(m_listed[static_cast<std::size_t>(m_selected)]);
    m_center = {item.latitude, item.longitude};
    return true;
}

bool PositionModel::MayClose() {
    return !Unsaved(
        "Changing is not saved.\nWould you like to drop changing and close this window?");
}

}  // namespace hfp
