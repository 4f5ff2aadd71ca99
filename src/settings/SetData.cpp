#include "settings/SetData.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <span>
#include <type_traits>
#include <unordered_map>
#include <variant>

#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/ProfileReader.h"
#include "platform/ReadWholeFile.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

// ---------------------------------------------------------------------------------------------
// Values as text

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The C library's decimal conversion: blanks, an optional sign, then the leading digits;
// anything else reads as 0. Values beyond the 32-bit range stop at its ends.
int32_t IntegerOf(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr int64_t kLimit = int64_t{1} << 31;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    if (negative) return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min(value, kLimit - 1));
}

// The decimal floating conversion with '.' as the decimal point whatever the locale: blanks,
// an optional sign, then the longest number; anything else (and a number out of range) reads
// as 0.
double RealOf(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return 0.0;
    }
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

// A flag is true exactly when its text is "true" in any letter case.
bool FlagOf(std::string_view text) {
    constexpr std::string_view kTrue = "true";
    if (text.size() != kTrue.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kTrue[i]) return false;
    }
    return true;
}

void FromText(std::string_view text, int32_t& field) {
    field = IntegerOf(text);
}
// Colours are read and written as signed decimal integers, as they always have been, so that
// every stored text comes back the same.
void FromText(std::string_view text, COLORREF& field) {
    field = static_cast<COLORREF>(IntegerOf(text));
}
void FromText(std::string_view text, bool& field) {
    field = FlagOf(text);
}
void FromText(std::string_view text, double& field) {
    field = RealOf(text);
}
void FromText(std::string_view text, std::string& field) {
    field = text;
}

std::string ToText(int32_t value) {
    return std::to_string(value);
}
std::string ToText(COLORREF value) {
    return std::to_string(static_cast<int32_t>(value));
}
std::string ToText(bool value) {
    return value ? "true" : "false";
}
// One decimal, as in 1.0 and 1.5.
std::string ToText(double value) {
    char buffer[512];  // the longest double in fixed notation needs 312
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc()) return "0.0";
    return std::string(buffer, result.ptr);
}
// A zero byte ends a value in set.dat: text is written up to its first zero byte, since the
// rest would otherwise be read as the key of the next record and shift every record after it.
std::string ToText(const std::string& value) {
    return value.substr(0, value.find('\0'));
}

template <class T>
constexpr SettingType TypeOf() {
    if constexpr (std::is_same_v<T, bool>)
        return SettingType::Flag;
    else if constexpr (std::is_same_v<T, double>)
        return SettingType::Real;
    else if constexpr (std::is_same_v<T, std::string>)
        return SettingType::Text;
    else
        return SettingType::Integer;
}

// ---------------------------------------------------------------------------------------------
// The key tables. Every key of the two files is made from these tables; nothing else names
// keys. A field is kept in set.dat under `prefix + name` and in set.txt under `name` in
// `section`.

// A key, kept as its parts until its text is needed: `head`, `field`, then the `first` index
// (when there is one), then "-", `entry` and the `second` index (when there is one):
// "ColorChange" "" 3 "-" "Name" 12, "PrintLongitudeLine" "Size" 3, "Zoom" "" 11.
struct KeyName {
    std::string_view section = {};
    std::string_view prefix = {};
    std::string_view head = {};
    std::string_view field = {};
    int first = -1;
    std::string_view entry = {};
    int second = -1;
    // set.dat has always been read this way for two flags: when it lacks their keys they read
    // as false, although their default (a first start, or set.txt) is true.
    bool missingReadsFalse = false;

    // The key in set.txt.
    std::string Name() const { return Text(""); }
    // The key in set.dat.
    std::string DatKey() const { return Text(prefix); }

  private:
    std::string Text(std::string_view start) const {
        std::string text;
        text.reserve(64);
        text.append(start).append(head).append(field);
        if (first >= 0) text += std::to_string(first);
        if (second >= 0) text.append("-").append(entry).append(std::to_string(second));
        return text;
    }
};

// A field of record type R: a key name (or the part of it that names the field) and where the
// field is.
template <class R>
using Member = std::variant<int32_t R::*, COLORREF R::*, bool R::*, double R::*, std::string R::*>;

template <class R>
struct FieldKey {
    const char* name;
    Member<R> member;
    bool missingReadsFalse = false;
};

// Appended to "WindowPlacement".
constexpr FieldKey<WindowPlacement> kWindowPlacementKeys[] = {
    {"Flags", &WindowPlacement::flags},
    {"ShowCmd", &WindowPlacement::showCmd},
    {"MinPositionX", &WindowPlacement::minPositionX},
    {"MinPositionY", &WindowPlacement::minPositionY},
    {"MaxPositionX", &WindowPlacement::maxPositionX},
    {"MaxPositionY", &WindowPlacement::maxPositionY},
    {"NormalPositionLeft", &WindowPlacement::normalLeft},
    {"NormalPositionTop", &WindowPlacement::normalTop},
    {"NormalPositionRight", &WindowPlacement::normalRight},
    {"NormalPositionBottom", &WindowPlacement::normalBottom},
};

// Appended to the name of a point ("PrintCenter").
constexpr FieldKey<GeoPoint> kGeoPointKeys[] = {
    {"Longitude", &GeoPoint::lon},
    {"Latitude", &GeoPoint::lat},
};

// The top-level keys, in the order they are written. A row's name is the key itself, or for a
// placement, a point or the zoom factors the start of their keys.
struct TopLevelKey {
    const char* section;
    const char* name;
    std::variant<int32_t CSetData::*, bool CSetData::*, std::string CSetData::*,
                 WindowPlacement CSetData::*, GeoPoint CSetData::*,
                 std::array<double, kLevelCount> CSetData::*>
        member;
    bool missingReadsFalse = false;
};

constexpr TopLevelKey kTopLevelKeys[] = {
    {"General", "WindowPlacement", &CSetData::m_windowPlacement},
    {"General", "MapType", &CSetData::m_mapType},
    {"General", "Center", &CSetData::m_center},
    {"General", "Zoom", &CSetData::m_zoom},  // Zoom0 .. Zoom11
    {"General", "PrintCenter", &CSetData::m_printCenter},
    {"General", "FileoutCenter", &CSetData::m_fileoutCenter},
    {"General", "FileoutLongitude", &CSetData::m_fileoutLongitude},
    {"General", "FileoutLatitude", &CSetData::m_fileoutLatitude},
    {"General", "FileoutName", &CSetData::m_fileoutName},
    {"General", "FileoutRange", &CSetData::m_fileoutRange},
    {"General", "CairnUserId", &CSetData::m_cairnUserId},
    {"General", "CairnPassword", &CSetData::m_cairnPassword},
    {"Set", "MouseWheelReverse", &CSetData::m_mouseWheelReverse},
    {"Set", "MouseWheelNoMove", &CSetData::m_mouseWheelNoMove},
    {"Set", "MouseWheelInvalidity", &CSetData::m_mouseWheelInvalidity},
    {"Set", "DisplayCenterCross", &CSetData::m_displayCenterCross, true},
    {"Set", "DisplayPrintRange", &CSetData::m_displayPrintRange},
    {"Set", "DisplayFileoutRange", &CSetData::m_displayFileoutRange},
    {"Set", "CairnStartupDownload", &CSetData::m_cairnStartupDownload},
    {"Set", "MemoryMapMax", &CSetData::m_memoryMapMax},
    {"Set", "CairnSpotFileDate", &CSetData::m_cairnSpotFileDate},
    {"Set", "CairnSpotDisplay", &CSetData::m_cairnSpotDisplay},
    {"Set", "MapHighSpeedDownload", &CSetData::m_mapHighSpeedDownload},
    {"Set", "StartupVersionCheck", &CSetData::m_startupVersionCheck},
    {"Print", "SelectPrint", &CSetData::m_selectPrint},
    {"Print", "SelectFileout", &CSetData::m_selectFileout},
    {"Print", "SelectScreen", &CSetData::m_selectScreen},
};

// The keys of one line family, appended to the family's name before the layout index
// ("PrintLongitudeLine" "Size" "3"); the empty one is the family's visibility.
constexpr FieldKey<GridLineSetting> kMagneticNorthLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size},
    {"Style", &GridLineSetting::style},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend},
    {"Interval", &GridLineSetting::interval},
    {"IntervalUnit", &GridLineSetting::intervalUnit},
    {"FontSize", &GridLineSetting::fontSize},
    {"Calc", &GridLineSetting::calc},
};
constexpr FieldKey<GridLineSetting> kLongitudeLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size},
    {"Style", &GridLineSetting::style},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend},
    {"Interval", &GridLineSetting::interval},
    {"FontSize", &GridLineSetting::fontSize},
    {"ArrangedDirection", &GridLineSetting::arrangedDirection},
    {"DigitPositionUp", &GridLineSetting::digitPositionFirst, true},
    {"DigitPositionDown", &GridLineSetting::digitPositionSecond},
};
constexpr FieldKey<GridLineSetting> kLatitudeLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size},
    {"Style", &GridLineSetting::style},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend},
    {"Interval", &GridLineSetting::interval},
    {"FontSize", &GridLineSetting::fontSize},
    {"ArrangedDirection", &GridLineSetting::arrangedDirection},
    {"DigitPositionLeft", &GridLineSetting::digitPositionFirst},
    {"DigitPositionRight", &GridLineSetting::digitPositionSecond},
};
constexpr FieldKey<GridLineSetting> kVerticalDistanceLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size},
    {"Style", &GridLineSetting::style},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend},
    {"Interval", &GridLineSetting::interval},
    {"IntervalUnit", &GridLineSetting::intervalUnit},
    {"DigitPositionUp", &GridLineSetting::digitPositionFirst},
    {"DigitPositionDown", &GridLineSetting::digitPositionSecond},
    {"FontSize", &GridLineSetting::fontSize},
    {"NumberOfDigits", &GridLineSetting::numberOfDigits},
};
constexpr FieldKey<GridLineSetting> kHorizontalDistanceLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size},
    {"Style", &GridLineSetting::style},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend},
    {"Interval", &GridLineSetting::interval},
    {"IntervalUnit", &GridLineSetting::intervalUnit},
    {"DigitPositionLeft", &GridLineSetting::digitPositionFirst},
    {"DigitPositionRight", &GridLineSetting::digitPositionSecond},
    {"FontSize", &GridLineSetting::fontSize},
    {"NumberOfDigits", &GridLineSetting::numberOfDigits},
};

// "Print<Family>Subline<layout>-<name><subline>".
constexpr FieldKey<SublineSetting> kSublineKeys[] = {
    {"Enabled", &SublineSetting::enabled},
    {"Division", &SublineSetting::division},
    {"Length", &SublineSetting::length},
    {"Style", &SublineSetting::style},
    {"Size", &SublineSetting::size},
    {"Color", &SublineSetting::color},
    {"Alphablend", &SublineSetting::alphablend},
};

// "ColorChange<layout>-<name><entry>".
constexpr FieldKey<ColorChange> kColorChangeKeys[] = {
    {"Name", &ColorChange::name},
    {"BeforeColor", &ColorChange::beforeColor},
    {"AfterColor", &ColorChange::afterColor},
};

// The keys of one layout, in the order they are written, each followed by the layout index. A
// line family row names the family and carries its own keys, then its sublines if it has them.
struct OutputSettingKey {
    const char* name;
    std::variant<int32_t OutputSetting::*, bool OutputSetting::*, std::string OutputSetting::*,
                 std::array<ColorChange, kColorChangeCount> OutputSetting::*,
                 GridLineSetting OutputSetting::*>
        member;
    std::span<const FieldKey<GridLineSetting>> lineKeys = {};
    bool sublines = false;
};

constexpr OutputSettingKey kOutputSettingKeys[] = {
    {"Name", &OutputSetting::name},
    {"Reduction", &OutputSetting::reduction},
    {"PrintNumberVertical", &OutputSetting::numberVertical},
    {"PrintNumberHorizontal", &OutputSetting::numberHorizontal},
    {"PrintRepetition", &OutputSetting::repetition},
    {"PrintMapType", &OutputSetting::mapType},
    {"PrintOutputMarker", &OutputSetting::outputMarker},
    {"PrintMapLevel", &OutputSetting::mapLevel},
    {"ColorChange", &OutputSetting::colorChanges},
    {"PrintScale", &OutputSetting::scale},
    {"PrintMagneticNorthLine", &OutputSetting::magneticNorth, kMagneticNorthLineKeys, false},
    {"PrintLongitudeLine", &OutputSetting::longitude, kLongitudeLineKeys, true},
    {"PrintLatitudeLine", &OutputSetting::latitude, kLatitudeLineKeys, true},
    {"PrintVerticalDistanceLine", &OutputSetting::verticalDistance, kVerticalDistanceLineKeys,
     true},
    {"PrintHorizontalDistanceLine", &OutputSetting::horizontalDistance, kHorizontalDistanceLineKeys,
     true},
};

// "PrintHistory-<name><entry>".
constexpr FieldKey<PrintHistoryEntry> kPrintHistoryKeys[] = {
    {"Name", &PrintHistoryEntry::name},
    {"NoDelete", &PrintHistoryEntry::keep},
    {"Longitude", &PrintHistoryEntry::longitude},
    {"Latitude", &PrintHistoryEntry::latitude},
};

constexpr std::string_view kLayoutSection = "Print";
constexpr std::string_view kLayoutPrefix = "Print-";
constexpr std::string_view kHistorySection = "PrintHistory";
constexpr std::string_view kHistoryPrefix = "PrintHistory-";

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Calls visit(key, field) for the field of `record` that `field` names, under `key`.
template <class Record, class R, class Visitor>
void VisitField(Record& record, const FieldKey<R>& field, KeyName key, Visitor& visit) {
    key.missingReadsFalse = field.missingReadsFalse;
    std::visit([&](auto member) { visit(key, record.*member); }, field.member);
}

// Calls visit(key, field) for every field of the store (const or not), in write order.
template <class Store, class Visitor>
void VisitSettings(Store& store, Visitor&& visit) {
    for (const TopLevelKey& row : kTopLevelKeys) {
        const KeyName key{.section = row.section, .head = row.name};
        std::visit(Overloaded{
                       [&](WindowPlacement CSetData::*member) {
                           for (const auto& field : kWindowPlacementKeys) {
                               KeyName name = key;
                               name.field = field.name;
                               VisitField(store.*member, field, name, visit);
                           }
                       },
                       [&](GeoPoint CSetData::*member) {
                           for (const auto& field : kGeoPointKeys) {
                               KeyName name = key;
                               name.field = field.name;
                               VisitField(store.*member, field, name, visit);
                           }
                       },
                       [&](std::array<double, kLevelCount> CSetData::*member) {
                           for (int i = 0; i < kLevelCount; ++i) {
                               KeyName name = key;
                               name.first = i;
                               visit(name, (store.*member)[i]);
                           }
                       },
                       [&](auto member) {
                           KeyName name = key;
                           name.missingReadsFalse = row.missingReadsFalse;
                           visit(name, store.*member);
                       },
                   },
                   row.member);
    }

    for (int layoutIndex = 0; layoutIndex < kOutputSettingCount; ++layoutIndex) {
        auto& layout = store.m_outputSettings[layoutIndex];
        for (const OutputSettingKey& row : kOutputSettingKeys) {
            const KeyName key{.section = kLayoutSection,
                              .prefix = kLayoutPrefix,
                              .head = row.name,
                              .first = layoutIndex};
            std::visit(Overloaded{
                           [&](std::array<ColorChange, kColorChangeCount> OutputSetting::*member) {
                               for (int i = 0; i < kColorChangeCount; ++i) {
                                   for (const auto& field : kColorChangeKeys) {
                                       KeyName name = key;
                                       name.entry = field.name;
                                       name.second = i;
                                       VisitField((layout.*member)[i], field, name, visit);
                                   }
                               }
                           },
                           [&](GridLineSetting OutputSetting::*member) {
                               auto& line = layout.*member;
                               for (const auto& field : row.lineKeys) {
                                   KeyName name = key;
                                   name.field = field.name;
                                   VisitField(line, field, name, visit);
                               }
                               if (!row.sublines) return;
                               for (int i = 0; i < kSublineCount; ++i) {
                                   for (const auto& field : kSublineKeys) {
                                       KeyName name = key;
                                       name.field = "Subline";
                                       name.entry = field.name;
                                       name.second = i;
                                       VisitField(line.sublines[i], field, name, visit);
                                   }
                               }
                           },
                           [&](auto member) { visit(key, layout.*member); },
                       },
                       row.member);
        }
    }

    for (int i = 0; i < kPrintHistoryCount; ++i) {
        for (const auto& field : kPrintHistoryKeys) {
            const KeyName key{.section = kHistorySection,
                              .prefix = kHistoryPrefix,
                              .head = field.name,
                              .first = i};
            VisitField(store.m_printHistory[i], field, key, visit);
        }
    }
}

// Looks strings up by string_view without copying them.
struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using KeyIndex = std::unordered_map<std::string, std::size_t, StringHash, std::equal_to<>>;

// Every record of a default store, in write order, and the position of every set.dat key in
// that order: made once, so that key texts are not made again for every use.
const std::vector<SettingRecord>& DefaultRecords() {
    static const std::vector<SettingRecord> records = [] {
        std::vector<SettingRecord> defaults;
        defaults.reserve(CSetData::kRecordCount);
        const CSetData store;
        VisitSettings(store, [&](const KeyName& key, const auto& field) {
            defaults.push_back({key.DatKey(), std::string(key.section), key.Name(),
                                TypeOf<std::remove_cvref_t<decltype(field)>>(), ToText(field)});
        });
        return defaults;
    }();
    return records;
}

const KeyIndex& KeyOrdinals() {
    static const KeyIndex ordinals = [] {
        KeyIndex keys;
        for (const SettingRecord& record : DefaultRecords())
            keys.emplace(record.key, keys.size());
        return keys;
    }();
    return ordinals;
}

// Calls use(field) with the field of `store` whose set.dat key is `key`; false when there is
// no such key.
template <class Store, class Use>
bool VisitKey(Store& store, std::string_view key, Use&& use) {
    const auto found = KeyOrdinals().find(key);
    if (found == KeyOrdinals().end()) return false;
    std::size_t ordinal = 0;
    VisitSettings(store, [&](const KeyName&, auto& field) {
        if (ordinal++ == found->second) use(field);
    });
    return true;
}

// ---------------------------------------------------------------------------------------------
// Reading

// The value of every known key in set.dat, by the key's position in the write order; keys
// the store does not know are passed over. A key that occurs again replaces the earlier value.
// A last record that lacks either of its zero bytes is dropped, its key taking its default:
// the file was cut short, and a value cut short ("4994" of "49943139") would be worse than the
// default. Nothing past the end of the data is read.
std::vector<std::optional<std::string_view>> ParseRecords(std::span<const char> data) {
    std::vector<std::optional<std::string_view>> values(KeyOrdinals().size());
    std::string_view rest(data.data(), data.size());
    while (!rest.empty()) {
        const std::size_t keyEnd = rest.find('\0');
        if (keyEnd == std::string_view::npos) break;
        const std::size_t valueEnd = rest.find('\0', keyEnd + 1);
        if (valueEnd == std::string_view::npos) break;
        auto known = KeyOrdinals().find(rest.substr(0, keyEnd));
        if (known != KeyOrdinals().end())
            values[known->second] = rest.substr(keyEnd + 1, valueEnd - keyEnd - 1);
        rest.remove_prefix(valueEnd + 1);
    }
    return values;
}

CSetData FromRecords(const std::vector<std::optional<std::string_view>>& values) {
    CSetData store;
    std::size_t ordinal = 0;
    VisitSettings(store, [&](const KeyName& key, auto& field) {
        const std::optional<std::string_view>& value = values[ordinal++];
        if (value)
            FromText(*value, field);
        else if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, bool>)
            if (key.missingReadsFalse) field = false;
    });
    return store;
}

CSetData FromProfile(const ProfileReader& profile) {
    CSetData store;
    VisitSettings(store, [&](const KeyName& key, auto& field) {
        if (std::optional<std::string> value = profile.Find(key.section, key.Name()))
            FromText(*value, field);
    });
    return store;
}

}  // namespace

bool CSetData::Load() {
    return Load(DataFolder());
}

bool CSetData::Save() {
    return Save(DataFolder());
}

bool CSetData::Load(const std::filesystem::path& folder) {
    std::vector<char> data;
    switch (ReadWholeFile(folder / kFileName, &data)) {
        case ReadResult::CannotOpen:
            Trace("settings: no %s, reading %s", kFileName, kProfileFileName);
            *this = FromProfile(ProfileReader(folder / kProfileFileName));
            return true;
        case ReadResult::Short:
            Trace("settings: %s could not be read whole", kFileName);
            return false;
        case ReadResult::Whole:
            break;
    }
    *this = FromRecords(ParseRecords(data));
    return true;
}

bool CSetData::Save(const std::filesystem::path& folder) {
    std::string data;
    for (const SettingRecord& record : Records()) {
        data += record.key;
        data.push_back('\0');
        data += record.value;
        data.push_back('\0');
    }
    AtomicFileWriter writer(
        folder / kFileName, folder / kTemporaryFileName,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    if (writer.Open() && writer.Write(data) && writer.Commit()) return true;
    Trace("settings: not saved: %s", writer.error().c_str());
    return false;
}

std::vector<SettingRecord> CSetData::Records() const {
    std::vector<SettingRecord> records = DefaultRecords();
    std::size_t ordinal = 0;
    VisitSettings(*this, [&](const KeyName&, const auto& field) {
        records[ordinal++].value = ToText(field);
    });
    return records;
}

bool CSetData::GetValue(std::string_view key, std::string* value) const {
    return VisitKey(*this, key, [&](const auto& field) { *value = ToText(field); });
}

bool CSetData::SetValue(std::string_view key, std::string_view text) {
    return VisitKey(*this, key, [&](auto& field) { FromText(text, field); });
}

}  // namespace hfp
