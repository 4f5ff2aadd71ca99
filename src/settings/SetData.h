#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "geo/GeoPoint.h"
#include "print/OutputSetting.h"
#include "print/PrintHistoryEntry.h"

namespace hfp {

// The main window's placement as the platform reports it (the platform record's length field
// has no use here and is not kept).
struct WindowPlacement {
    int32_t flags = 0;
    int32_t showCmd = 0;
    int32_t minPositionX = 0;
    int32_t minPositionY = 0;
    int32_t maxPositionX = 0;
    int32_t maxPositionY = 0;
    int32_t normalLeft = 50;
    int32_t normalTop = 50;
    int32_t normalRight = 600;
    int32_t normalBottom = 600;
};

// How a settings value is written as text: integers in decimal, reals with one decimal, flags
// as "true" or "false", text as it is.
enum class SettingType { Integer, Real, Flag, Text };

// One record of set.dat, and where the older set.txt keeps the same value.
struct SettingRecord {
    std::string key;         // the set.dat key ("Print-ColorChange3-Name12")
    std::string section;     // the set.txt section ("Print")
    std::string profileKey;  // the set.txt key ("ColorChange3-Name12")
    SettingType type = SettingType::Integer;
    std::string value;  // the text set.dat holds
};

// Every persistent setting of the map editor, in one object that the main frame owns. It is
// loaded once at start-up and saved once at the end of the run; in between, the rest of the
// program reads and changes the fields directly.
//
// The settings live in the data folder, in set.dat: a plain sequence of records, each the key's
// bytes, a zero byte, the value's bytes and a zero byte, with no header. When set.dat cannot be
// opened, the older set.txt profile is read instead (it is never written).
class CSetData {
  public:
    static constexpr const char* kFileName = "set.dat";
    static constexpr const char* kTemporaryFileName = "set.dat_temp_";
    static constexpr const char* kProfileFileName = "set.txt";
    // The number of records a complete set.dat holds.
    static constexpr std::size_t kRecordCount = 3350;

    // Every field starts at its default, the value of a first start.
    CSetData() = default;

    // Loads from the data folder. A missing set.dat falls back to set.txt, a missing set.txt to
    // the defaults; both count as success. False when set.dat is there but cannot be read
    // whole: the fields are then unchanged, or taken from set.txt when set.dat cannot be opened
    // at all. Saving after a failed load would replace the user's settings, so the caller must
    // not. A number that would index, size or divide something and lies outside the values it
    // may take reads as its key's default. No message is shown here.
    bool Load();
    bool Load(const std::filesystem::path& folder);
    // Writes every record to set.dat in the data folder through set.dat_temp_, which replaces
    // set.dat only once it is complete. The file is readable by its owner only: it holds the
    // spot service password in plain text. False (set.dat untouched) on any failure.
    bool Save();
    bool Save(const std::filesystem::path& folder);

    // Every record Save writes, in the order it writes them: the top-level keys, then the keys
    // of layouts 0 to 9, then print history entries 0 to 99. CairnPassword is empty while the
    // keyring holds the password.
    std::vector<SettingRecord> Records() const;
    // The text of one record by its set.dat key; false for a key the store does not have.
    bool GetValue(std::string_view key, std::string* value) const;
    // Sets one field from text, converted and checked as when loading set.dat; false for an
    // unknown key.
    bool SetValue(std::string_view key, std::string_view text);

    WindowPlacement m_windowPlacement;
    int32_t m_mapType = 0;  // zoom level index of the view, 0 to 11
    GeoPoint m_center = kDefaultCenter;
    // The tile scaling factor per zoom level index.
    std::array<double, kLevelCount> m_zoom = [] {
        std::array<double, kLevelCount> zoom{};
        zoom.fill(1.0);
        return zoom;
    }();
    GeoPoint m_printCenter = kDefaultCenter;
    GeoPoint m_fileoutCenter = kDefaultCenter;
    // The file-out extent in geo units.
    int32_t m_fileoutLongitude = 6000;
    int32_t m_fileoutLatitude = 6000;
    std::string m_fileoutName;
    int32_t m_fileoutRange = 0;
    std::string m_cairnUserId;
    std::string m_cairnPassword;
    // Not a record: the desktop keyring holds the password, so set.dat is written without it
    // (settings/CairnPassword.h).
    bool m_cairnPasswordInKeyring = false;
    bool m_mouseWheelReverse = false;
    bool m_mouseWheelNoMove = false;
    bool m_mouseWheelInvalidity = false;
    bool m_displayCenterCross = true;
    bool m_displayPrintRange = true;
    bool m_displayFileoutRange = true;
    bool m_cairnStartupDownload = true;
    int32_t m_memoryMapMax = 500;
    std::string m_cairnSpotFileDate;
    bool m_cairnSpotDisplay = true;
    bool m_mapHighSpeedDownload = true;
    bool m_startupVersionCheck = true;
    // The layouts used for printing, file out and the screen, 0 to 9.
    int32_t m_selectPrint = 0;
    int32_t m_selectFileout = 0;
    int32_t m_selectScreen = 0;
    std::array<OutputSetting, kOutputSettingCount> m_outputSettings{};
    std::array<PrintHistoryEntry, kPrintHistoryCount> m_printHistory{};
};

}  // namespace hfp
