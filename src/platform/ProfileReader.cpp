#include "platform/ProfileReader.h"

#include <vector>

#include "platform/ReadWholeFile.h"

namespace hfp {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string lower(s);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Cuts to at most `length` bytes, backing off so that no UTF-8 sequence is split.
std::string_view Cut(std::string_view value, std::size_t length) {
    if (value.size() <= length) return value;
    std::size_t end = length;
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80)
        --end;
    return value.substr(0, end);
}

}  // namespace

ProfileReader::ProfileReader(const std::filesystem::path& file) {
    std::vector<char> data;
    if (ReadWholeFile(file, &data) == ReadResult::Whole) Parse({data.data(), data.size()});
}

void ProfileReader::Parse(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::unordered_map<std::string, std::string>* section = nullptr;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            std::string_view name = line.substr(1);
            name = Trim(name.substr(0, name.find(']')));
            section = &m_sections[Lower(name)];
            continue;
        }
        std::size_t equals = line.find('=');
        if (!section || equals == std::string_view::npos) continue;
        std::string_view value = Cut(Unquote(Trim(line.substr(equals + 1))), kMaxValueLength);
        section->emplace(Lower(Trim(line.substr(0, equals))), std::string(value));
    }
}

std::optional<std::string> ProfileReader::Find(std::string_view section,
                                               std::string_view key) const {
    auto s = m_sections.find(Lower(section));
    if (s == m_sections.end()) return std::nullopt;
    auto k = s->second.find(Lower(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

std::string ProfileReader::GetString(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
    std::optional<std::string> value = Find(section, key);
    return value ? *value : std::string(Cut(fallback, kMaxValueLength));
}

}  // namespace hfp
