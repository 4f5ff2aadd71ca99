#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hfp {

// One named place of the position list.
struct POSITION_ITEM {
    std::string group;
    std::string name;
    int32_t longitude = 0;  // geo units, east
    int32_t latitude = 0;   // geo units, north
};

// The position list as poslist.csv holds it: a place a line, "group,name,longitude,latitude",
// the coordinates as packed degree digits. Read as UTF-8, or as Shift-JIS when the file is not
// UTF-8 (the older program wrote it so), with LF or CR LF line ends; written as UTF-8 with LF
// through poslist.csv_, which is renamed over the file.
//
// A line that does not read as a place keeps its place among the others and is written back
// as it stands: saving never drops what could not be understood. Group and name are kept whole
// whatever their length.
class CPositionList {
  public:
    static constexpr const char* kFileName = "poslist.csv";
    static constexpr const char* kTemporaryName = "poslist.csv_";
    // What the dialog's group and name fields take (longer texts from the file stay whole).
    static constexpr int kTextLimit = 255;
    // A bigger file is not a position list; it is refused rather than read into memory.
    static constexpr std::uintmax_t kMaxFileSize = 64u << 20;

    enum class LoadResult { Missing, Read, Unreadable };
    // A missing file gives an empty list. An unreadable one (`error` says why) gives an empty
    // list too, and is never saved over.
    LoadResult Load(const std::filesystem::path& file, std::string* error);
    bool Save(const std::filesystem::path& file, std::string* error) const;
    // The file's text as Save writes it.
    std::string Text() const;

    // Entries in file order: places and the lines kept unread (At() null for those).
    int size() const { return static_cast<int>(m_entries.size()); }
    const POSITION_ITEM* At(int index) const;
    POSITION_ITEM* At(int index);
    // The entry of the place (group, name), compared exactly; -1 when there is none.
    int Find(const std::string& group, const std::string& name) const;
    void Append(const POSITION_ITEM& item);
    void Swap(int a, int b);
    void Erase(int index);
    void EraseGroup(const std::string& group);
    // Every group once, in file order.
    std::vector<std::string> Groups() const;
    // Lines with text that could not be read as a place (blank lines are not counted).
    int unreadLines() const;

  private:
    struct Entry {
        bool read = false;
        POSITION_ITEM item;
        std::string line;  // as it stood, when not read
    };
    std::vector<Entry> m_entries;
    bool m_unreadable = false;
};

// Why a place cannot go into the list, in the dialog's words; empty when it can.
std::string RefusePosition(const POSITION_ITEM& item);

// The one notice of lines that were kept unread.
std::string UnreadLinesNotice(int count);

}  // namespace hfp
