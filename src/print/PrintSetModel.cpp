#include "print/PrintSetModel.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "settings/SetData.h"

namespace hfp {

namespace {

constexpr int kMinMapLevel = 7;
constexpr int kMaxMapLevel = 18;
constexpr int kMinDivision = 2;
constexpr int kMaxDivision = 100;
constexpr int kMaxPercent = 100;

struct SchemeEntry {
    const char* name;
    COLORREF color;
};
// The colours of the standard map, as the tile server draws them.
constexpr SchemeEntry kColorScheme[] = {
    {"Background", MakeColorref(255, 255, 255)},
    {"Character", MakeColorref(0, 0, 0)},
    {"Contour line", MakeColorref(200, 160, 60)},
    {"Edge of River, lake and Ocean", MakeColorref(20, 90, 255)},
    {"Face of River, lake and Ocean", MakeColorref(190, 210, 255)},
    {"Building, mark, road, path and etc", MakeColorref(100, 100, 100)},
    {"Face of building", MakeColorref(255, 230, 190)},
    {"Face of wide road", MakeColorref(255, 122, 122)},
};

int SelectorIndex(int32_t value) {
    return std::clamp(value, 0, kOutputSettingCount - 1);
}

}  // namespace

PrintSetModel::PrintSetModel(const CSetData& settings)
    : m_layouts(settings.m_outputSettings),
      m_select{SelectorIndex(settings.m_selectPrint), SelectorIndex(settings.m_selectFileout),
               SelectorIndex(settings.m_selectScreen)},
      m_shown(m_select[kPrint]) {}

std::string PrintSetModel::TabLabel(int index) const {
    std::string label = std::to_string(index);
    if (m_select[kPrint] == index) label += 'P';
    if (m_select[kFileout] == index) label += 'F';
    if (m_select[kScreen] == index) label += 'S';
    return label;
}

void PrintSetModel::Show(int index) {
    m_shown = SelectorIndex(index);
}

void PrintSetModel::InitializeColorScheme() {
    OutputSetting& layout = Shown();
    layout.colorChanges = {};
    for (std::size_t i = 0; i < std::size(kColorScheme); ++i) {
        layout.colorChanges[i].name = kColorScheme[i].name;
        layout.colorChanges[i].beforeColor = kColorScheme[i].color;
        layout.colorChanges[i].afterColor = kColorScheme[i].color;
    }
}

void PrintSetModel::ApplyTo(CSetData* settings) const {
    settings->m_outputSettings = m_layouts;
    settings->m_selectPrint = m_select[kPrint];
    settings->m_selectFileout = m_select[kFileout];
    settings->m_selectScreen = m_select[kScreen];
}

IntervalChoices IntervalChoicesFor(GridFamily family, int intervalUnit) {
    const bool seconds = family == GridFamily::Longitude || family == GridFamily::Latitude ||
                         (family == GridFamily::MagneticNorth && intervalUnit == 2);
    if (seconds) return {{"60", "30", "20", "10", "5", "2"}, "30"};
    if (intervalUnit == 1) return {{"100", "500", "1000", "2000"}, "1000"};
    return {{"1", "2", "5", "10"}, "1"};
}

std::vector<std::string> IntervalUnitsFor(GridFamily family) {
    switch (family) {
        case GridFamily::MagneticNorth:
            return {"km", "m", "Sec"};
        case GridFamily::VerticalDistance:
        case GridFamily::HorizontalDistance:
            return {"km", "m"};
        default:
            return {};
    }
}

std::string DigitsOnly(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    return digits;
}

int32_t ReadNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    if (start < text.size() && text[start] == '+') ++start;
    long long value = 0;
    const char* first = text.data() + start;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return first[0] == '-' ? INT32_MIN : INT32_MAX;
    if (error != std::errc() || end == first) return 0;
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

std::string CorrectOnLeave(FieldRule rule, std::string_view text) {
    const int32_t value = ReadNumber(text);
    int32_t corrected = value;
    switch (rule) {
        case FieldRule::Transparency:
            corrected = std::min(value, kMaxPercent);
            break;
        case FieldRule::SheetCount:
            corrected = std::max(value, 1);
            break;
        case FieldRule::MapLevel:
            corrected = std::clamp(value, kMinMapLevel, kMaxMapLevel);
            break;
        case FieldRule::Division:
            corrected = std::clamp(value, kMinDivision, kMaxDivision);
            break;
        case FieldRule::None:
            break;
    }
    return corrected == value ? std::string(text) : std::to_string(corrected);
}

int32_t ReadSublineLength(std::string_view text) {
    constexpr std::string_view kFull = "full";
    const bool full = text.size() == kFull.size() &&
                      std::equal(text.begin(), text.end(), kFull.begin(), [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) == b;
                      });
    return full ? kSublineFullLength : ReadNumber(text);
}

std::string SublineLengthText(int32_t length) {
    return length == kSublineFullLength ? "Full" : std::to_string(length);
}

}  // namespace hfp
