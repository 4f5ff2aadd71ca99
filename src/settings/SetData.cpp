#include "settings/SetData.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <type_traits>
#include <unordered_map>
#include <variant>

#include "geo/MapSourceConfig.h"
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

// The values a number may take where it indexes, sizes or divides something. A value read
// outside them (NaN included) takes the key's default instead: a level index of 12 or a tile
// scaling of 0 from a damaged file must not reach the map.
struct Limits {
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();

    bool Admit(double value) const { return value >= min && value <= max; }
};

constexpr Limits kAny{};
constexpr Limits kLevelIndexes{0, kLevelCount - 1};
constexpr Limits kLayoutIndexes{0, kOutputSettingCount - 1};
// The box offers 0.2 to 3.0; far beyond them a level needs more tiles than its memory holds,
// or its tiles shrink to nothing.
constexpr Limits kTileScalings{0.1, 10.0};
constexpr Limits kDashStyles{0, 4};
constexpr Limits kPercent{0, 100};
constexpr Limits kPenSizes{1, 100};
constexpr Limits kIntervals{1, 9999};
constexpr Limits kFontSizes{0, 999};

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
    Limits limits = {};
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
    Limits limits = {};
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
    Limits limits = {};
    bool missingReadsFalse = false;
};

constexpr TopLevelKey kTopLevelKeys[] = {
    {"General", "WindowPlacement", &CSetData::m_windowPlacement},
    {"General", "MapType", &CSetData::m_mapType, kLevelIndexes},
    {"General", "Center", &CSetData::m_center},
    {"General", "Zoom", &CSetData::m_zoom, kTileScalings},  // Zoom0 .. Zoom11
    {"General", "PrintCenter", &CSetData::m_printCenter},
    {"General", "FileoutCenter", &CSetData::m_fileoutCenter},
    {"General",
     "FileoutLongitude",
     &CSetData::m_fileoutLongitude,
     {1, kServiceEast - kServiceWest}},
    {"General",
     "FileoutLatitude",
     &CSetData::m_fileoutLatitude,
     {1, kServiceNorth - kServiceSouth}},
    {"General", "FileoutName", &CSetData::m_fileoutName},
    {"General", "FileoutRange", &CSetData::m_fileoutRange, {0, 2}},
    {"General", "CairnUserId", &CSetData::m_cairnUserId},
    {"General", "CairnPassword", &CSetData::m_cairnPassword},
    {"Set", "MouseWheelReverse", &CSetData::m_mouseWheelReverse},
    {"Set", "MouseWheelNoMove", &CSetData::m_mouseWheelNoMove},
    {"Set", "MouseWheelInvalidity", &CSetData::m_mouseWheelInvalidity},
    {"Set", "DisplayCenterCross", &CSetData::m_displayCenterCross, kAny, true},
    {"Set", "DisplayPrintRange", &CSetData::m_displayPrintRange},
    {"Set", "DisplayFileoutRange", &CSetData::m_displayFileoutRange},
    {"Set", "CairnStartupDownload", &CSetData::m_cairnStartupDownload},
    {"Set", "MemoryMapMax", &CSetData::m_memoryMapMax, {1, kMemoryTileLimitMax}},
    {"Set", "CairnSpotFileDate", &CSetData::m_cairnSpotFileDate},
    {"Set", "CairnSpotDisplay", &CSetData::m_cairnSpotDisplay},
    {"Set", "MapHighSpeedDownload", &CSetData::m_mapHighSpeedDownload},
    {"Set", "StartupVersionCheck", &CSetData::m_startupVersionCheck},
    {"Print", "SelectPrint", &CSetData::m_selectPrint, kLayoutIndexes},
    {"Print", "SelectFileout", &CSetData::m_selectFileout, kLayoutIndexes},
    {"Print", "SelectScreen", &CSetData::m_selectScreen, kLayoutIndexes},
};

// The keys of one line family, appended to the family's name before the layout index
// ("PrintLongitudeLine" "Size" "3"); the empty one is the family's visibility.
constexpr FieldKey<GridLineSetting> kMagneticNorthLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size, kPenSizes},
    {"Style", &GridLineSetting::style, kDashStyles},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend, kPercent},
    {"Interval", &GridLineSetting::interval, kIntervals},
    {"IntervalUnit", &GridLineSetting::intervalUnit, {0, 2}},
    {"FontSize", &GridLineSetting::fontSize, kFontSizes},
    {"Calc", &GridLineSetting::calc, {0, 2}},
};
constexpr FieldKey<GridLineSetting> kLongitudeLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size, kPenSizes},
    {"Style", &GridLineSetting::style, kDashStyles},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend, kPercent},
    {"Interval", &GridLineSetting::interval, kIntervals},
    {"FontSize", &GridLineSetting::fontSize, kFontSizes},
    {"ArrangedDirection", &GridLineSetting::arrangedDirection, {0, 1}},
    {"DigitPositionUp", &GridLineSetting::digitPositionFirst, kAny, true},
    {"DigitPositionDown", &GridLineSetting::digitPositionSecond},
};
constexpr FieldKey<GridLineSetting> kLatitudeLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size, kPenSizes},
    {"Style", &GridLineSetting::style, kDashStyles},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend, kPercent},
    {"Interval", &GridLineSetting::interval, kIntervals},
    {"FontSize", &GridLineSetting::fontSize, kFontSizes},
    {"ArrangedDirection", &GridLineSetting::arrangedDirection, {0, 1}},
    {"DigitPositionLeft", &GridLineSetting::digitPositionFirst},
    {"DigitPositionRight", &GridLineSetting::digitPositionSecond},
};
constexpr FieldKey<GridLineSetting> kVerticalDistanceLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size, kPenSizes},
    {"Style", &GridLineSetting::style, kDashStyles},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend, kPercent},
    {"Interval", &GridLineSetting::interval, kIntervals},
    {"IntervalUnit", &GridLineSetting::intervalUnit, {0, 1}},
    {"DigitPositionUp", &GridLineSetting::digitPositionFirst},
    {"DigitPositionDown", &GridLineSetting::digitPositionSecond},
    {"FontSize", &GridLineSetting::fontSize, kFontSizes},
    {"NumberOfDigits", &GridLineSetting::numberOfDigits, {1, 4}},
};
constexpr FieldKey<GridLineSetting> kHorizontalDistanceLineKeys[] = {
    {"", &GridLineSetting::enabled},
    {"Size", &GridLineSetting::size, kPenSizes},
    {"Style", &GridLineSetting::style, kDashStyles},
    {"Color", &GridLineSetting::color},
    {"Alphablend", &GridLineSetting::alphablend, kPercent},
    {"Interval", &GridLineSetting::interval, kIntervals},
    {"IntervalUnit", &GridLineSetting::intervalUnit, {0, 1}},
    {"DigitPositionLeft", &GridLineSetting::digitPositionFirst},
    {"DigitPositionRight", &GridLineSetting::digitPositionSecond},
    {"FontSize", &GridLineSetting::fontSize, kFontSizes},
    {"NumberOfDigits", &GridLineSetting::numberOfDigits, {1, 4}},
};

// "Print<Family>Subline<layout>-<name><subline>".
constexpr FieldKey<SublineSetting> kSublineKeys[] = {
    {"Enabled", &SublineSetting::enabled},
    {"Division", &SublineSetting::division, {2, 100}},
    {"Length", &SublineSetting::length, {-1, 999}},  // -1: across the whole sheet
    {"Style", &SublineSetting::style, kDashStyles},
    {"Size", &SublineSetting::size, kPenSizes},
    {"Color", &SublineSetting::color},
    {"Alphablend", &SublineSetting::alphablend, kPercent},
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
    Limits limits = {};
    std::span<const FieldKey<GridLineSetting>> lineKeys = {};
    bool sublines = false;
};

constexpr OutputSettingKey kOutputSettingKeys[] = {
    {"Name", &OutputSetting::name},
    {"Reduction", &OutputSetting::reduction, {1, 999999}},
    {"PrintNumberVertical", &OutputSetting::numberVertical, {1, 99}},
    {"PrintNumberHorizontal", &OutputSetting::numberHorizontal, {1, 99}},
    {"PrintRepetition", &OutputSetting::repetition, {0, 99}},
    {"PrintMapType", &OutputSetting::mapType, {0, 1}},
    {"PrintOutputMarker", &OutputSetting::outputMarker},
    {"PrintMapLevel", &OutputSetting::mapLevel, {kMinLevel, kMaxLevel}},
    {"ColorChange", &OutputSetting::colorChanges},
    {"PrintScale", &OutputSetting::scale, {0, 4}},
    {"PrintMagneticNorthLine", &OutputSetting::magneticNorth, kAny, kMagneticNorthLineKeys, false},
    {"PrintLongitudeLine", &OutputSetting::longitude, kAny, kLongitudeLineKeys, true},
    {"PrintLatitudeLine", &OutputSetting::latitude, kAny, kLatitudeLineKeys, true},
    {"PrintVerticalDistanceLine", &OutputSetting::verticalDistance, kAny, kVerticalDistanceLineKeys,
     true},
    {"PrintHorizontalDistanceLine", &OutputSetting::horizontalDistance, kAny,
     kHorizontalDistanceLineKeys, true},
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
    key.limits = field.limits;
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
                               name.limits = row.limits;
                               visit(name, (store.*member)[i]);
                           }
                       },
                       [&](auto member) {
                           KeyName name = key;
                           name.limits = row.limits;
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
                           [&](auto member) {
                               KeyName name = key;
                               name.limits = row.limits;
                               visit(name, layout.*member);
                           },
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

// Calls use(name, ordinal, field) with the field of `store` whose set.dat key is `key`; false
// when there is no such key.
template <class Store, class Use>
bool VisitKey(Store& store, std::string_view key, Use&& use) {
    const auto found = KeyOrdinals().find(key);
    if (found == KeyOrdinals().end()) return false;
    std::size_t ordinal = 0;
    VisitSettings(store, [&](const KeyName& name, auto& field) {
        if (ordinal == found->second) use(name, ordinal, field);
        ++ordinal;
    });
    return true;
}

// ---------------------------------------------------------------------------------------------
// Reading

// Takes `text` into `field` as FromText does, unless it reads as a number outside `limits`:
// then the field is left as it is and the result is false.
template <class T>
bool ReadValue(const KeyName& key, std::string_view text, T& field) {
    T value{};
    FromText(text, value);
    if constexpr (std::is_arithmetic_v<T>) {
        if (!key.limits.Admit(static_cast<double>(value))) {
            Trace("settings: %s=%.*s is out of range; the default holds", key.DatKey().c_str(),
                  static_cast<int>(text.size()), text.data());
            return false;
        }
    }
    field = std::move(value);
    return true;
}

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
            ReadValue(key, *value, field);
        else if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, bool>)
            if (key.missingReadsFalse) field = false;
    });
    return store;
}

CSetData FromProfile(const ProfileReader& profile) {
    CSetData store;
    VisitSettings(store, [&](const KeyName& key, auto& field) {
        if (std::optional<std::string> value = profile.Find(key.section, key.Name()))
            ReadValue(key, *value, field);
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
        case ReadResult::CannotOpen: {
            Trace("settings: cannot open %s, reading %s", kFileName, kProfileFileName);
            *this = FromProfile(ProfileReader(folder / kProfileFileName));
            // A set.dat that is there (a link to a drive not mounted, a file of another user)
            // still holds the user's settings: it did not load.
            std::error_code ec;
            return std::filesystem::symlink_status(folder / kFileName, ec).type() ==
                   std::filesystem::file_type::not_found;
        }
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
    if (m_cairnPasswordInKeyring)
        records[KeyOrdinals().find("CairnPassword")->second].value.clear();
    return records;
}

bool CSetData::GetValue(std::string_view key, std::string* value) const {
    return VisitKey(*this, key, [&](const KeyName&, std::size_t, const auto& field) {
        *value = ToText(field);
    });
}

bool CSetData::SetValue(std::string_view key, std::string_view text) {
    return VisitKey(*this, key, [&](const KeyName& name, std::size_t ordinal, auto& field) {
        if (!ReadValue(name, text, field)) FromText(DefaultRecords()[ordinal].value, field);
    });
}

}  // namespace hfp
