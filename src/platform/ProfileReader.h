#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hfp {

// Reads a profile (INI) file the way the older versions of the program expect it to be read:
//
// - "[Section]" lines open a section; "key=value" lines belong to the section above them.
// - Section and key names are compared without regard to case (ASCII letters).
// - The first occurrence of a key wins, also when its section occurs again further down: a
//   repeated section continues the first one.
// - Blanks around section names, keys and values are dropped, and a value wrapped in a pair of
//   matching quotes (' or ") loses them.
// - A value is cut to kMaxValueLength bytes (never in the middle of a UTF-8 sequence).
// - Lines starting with ';' or '#', blank lines, lines without '=' and lines before the first
//   section are ignored.
// - A missing or unreadable file reads as an empty profile, so every lookup finds nothing.
//
// It reads only; nothing here writes profiles.
class ProfileReader {
  public:
    static constexpr std::size_t kMaxValueLength = 1023;

    ProfileReader() = default;
    explicit ProfileReader(const std::filesystem::path& file);

    // The value of `key` in `section`, or nothing when the profile does not have it.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // The value of `key` in `section`, or `fallback` when the profile does not have it.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;

  private:
    void Parse(std::string_view text);

    // Keyed by lower-case section name, then lower-case key.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> m_sections;
};

}  // namespace hfp
