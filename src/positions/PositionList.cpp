#include "positions/PositionList.h"

#include <algorithm>
#include <string_view>

#include "geo/CoordinateText.h"
#include "geo/GeoPoint.h"
#include "platform/AtomicFile.h"
#include "platform/ReadWholeFile.h"
#include "write/CsvFields.h"
#include "write/LegacyText.h"

namespace hfp {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A place from "group,name,longitude,latitude": cut at the first three commas, the rest of the
// line being the latitude; false when the line is not a place.
bool ReadPlace(std::string_view line, POSITION_ITEM* item) {
    std::size_t cuts[3];
    std::size_t from = 0;
    for (std::size_t& cut : cuts) {
        cut = line.find(',', from);
        if (cut == std::string_view::npos) return false;
        from = cut + 1;
    }
    const int32_t lon = ParseCoordinateText(line.substr(cuts[1] + 1, cuts[2] - cuts[1] - 1), true);
    const int32_t lat = ParseCoordinateText(line.substr(cuts[2] + 1), false);
    if (lon < 0 || lat < 0) return false;
    item->group = TrimBlanks(line.substr(0, cuts[0]));
    item->name = TrimBlanks(line.substr(cuts[0] + 1, cuts[1] - cuts[0] - 1));
    item->longitude = lon;
    item->latitude = lat;
    return true;
}

bool OutOfRange(int32_t geo, int lowest, int highest) {
    const int32_t degrees = geo / kGeoUnitsPerDegree;
    return geo < 0 || degrees < lowest || degrees > highest;
}

}  // namespace

CPositionList::LoadResult CPositionList::Load(const std::filesystem::path& file,
                                              std::string* error) {
    m_entries.clear();
    m_unreadable = false;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
        return LoadResult::Missing;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    std::vector<char> bytes;
    if (!ec && size > kMaxFileSize) {
        *error = file.string() + " is larger than a position list can be";
    } else if (ReadWholeFile(file, &bytes) != ReadResult::Whole) {
        *error = file.string() + " cannot be read";
    } else {
        std::string_view rest(bytes.data(), bytes.size());
        if (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
        while (!rest.empty()) {
            const std::size_t end = std::min(rest.find('\n'), rest.size());
            std::string_view bytesOfLine = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (bytesOfLine.ends_with('\r')) bytesOfLine.remove_suffix(1);
            // Line by line, so that a line added in UTF-8 to an old Shift-JIS file reads too
            // (no Shift-JIS byte is a line feed).
            const std::string line = TextOfFile(bytesOfLine);
            Entry entry;
            entry.read = ReadPlace(line, &entry.item);
            if (!entry.read) entry.line = line;
            m_entries.push_back(std::move(entry));
        }
        return LoadResult::Read;
    }
    m_unreadable = true;
    return LoadResult::Unreadable;
}

std::string CPositionList::Text() const {
    std::string text;
    for (const Entry& e : m_entries) {
        if (e.read)
            text += e.item.group + "," + e.item.name + "," +
                    FormatCoordinateText(e.item.longitude) + "," +
                    FormatCoordinateText(e.item.latitude);
        else
            text += e.line;
        text += '\n';
    }
    return text;
}

bool CPositionList::Save(const std::filesystem::path& file, std::string* error) const {
    if (m_unreadable) {
        *error = file.string() + " could not be read, so it is not replaced";
        return false;
    }
    std::filesystem::path temporary = file;
    temporary += "_";
    return WriteFileAtomically(file, temporary, Text(), error);
}

const POSITION_ITEM* CPositionList::At(int index) const {
    const Entry& e = m_entries[static_cast<std::size_t>(index)];
    return e.read ? &e.item : nullptr;
}

POSITION_ITEM* CPositionList::At(int index) {
    Entry& e = m_entries[static_cast<std::size_t>(index)];
    return e.read ? &e.item : nullptr;
}

int CPositionList::Find(const std::string& group, const std::string& name) const {
    for (int i = 0; i < size(); ++i)
        if (const POSITION_ITEM* item = At(i); item && item->group == group && item->name == name)
            return i;
    return -1;
}

void CPositionList::Append(const POSITION_ITEM& item) {
    m_entries.push_back({true, item, {}});
}

void CPositionList::Swap(int a, int b) {
    std::swap(m_entries[static_cast<std::size_t>(a)], m_entries[static_cast<std::size_t>(b)]);
}

void CPositionList::Erase(int index) {
    m_entries.erase(m_entries.begin() + index);
}

void CPositionList::EraseGroup(const std::string& group) {
    std::erase_if(m_entries, [&](const Entry& e) { return e.read && e.item.group == group; });
}

std::vector<std::string> CPositionList::Groups() const {
    std::vector<std::string> groups;
    for (const Entry& e : m_entries)
        if (e.read && std::find(groups.begin(), groups.end(), e.item.group) == groups.end())
            groups.push_back(e.item.group);
    return groups;
}

int CPositionList::unreadLines() const {
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& e) {
        return !e.read && !TrimBlanks(e.line).empty();
    }));
}

std::string RefusePosition(const POSITION_ITEM& item) {
    if (item.group.empty()) return "Input group name in the combo box.";
    if (item.name.empty()) return "Input name.";
    // The file has no quoting: a comma or a line break would split the place when it is read.
    for (const std::string* text : {&item.group, &item.name})
        if (text->find_first_of(",\r\n") != std::string::npos)
            return "Group and name cannot contain a comma (,).";
    // The whole value, as the file is read back: 153° 75′ is 154° and would not be.
    if (OutOfRange(item.longitude, 122, 153)) return "Longitude is out of range.";
    if (OutOfRange(item.latitude, 20, 45)) return "Latitude is out of range.";
    return {};
}

std::string UnreadLinesNotice(int count) {
    return std::to_string(count) + (count == 1 ? " line" : " lines") + " of " +
           CPositionList::kFileName +
           " could not be read as a place. They are kept in the file as they are.";
}

}  // namespace hfp
