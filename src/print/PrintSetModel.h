#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "print/OutputSetting.h"

namespace hfp {

class CSetData;

// The rules of the "Output setting" dialog, without its window: a working copy of the ten
// layouts and the three selectors that reaches the settings store only on OK, the tab labels
// with their P/F/S marks, the selection buttons, the colour-scheme initialisation, and the
// lists, filters and corrections of the dialog's fields. CDialogPrintSet binds its controls
// to it; CDialogSubline does the same for the subline rules below.
class PrintSetModel {
  public:
    enum Selection { kPrint, kFileout, kScreen };

    explicit PrintSetModel(const CSetData& settings);

    // "3", or with the marks of the selections it holds: "0PFS".
    std::string TabLabel(int index) const;
    // The tab shown when the dialog opens: the print selection's.
    int FirstTab() const { return m_select[kPrint]; }

    // The layout on the shown tab. Switching tabs: store the controls into Shown(), Show(new),
    // load the controls from Shown().
    int shown() const { return m_shown; }
    void Show(int index);
    OutputSetting& Shown() { return m_layouts[static_cast<std::size_t>(m_shown)]; }
    const OutputSetting& Layout(int index) const {
        return m_layouts[static_cast<std::size_t>(index)];
    }
    int selection(Selection s) const { return m_select[s]; }

    // A "Use this setting for ..." button is enabled while the shown layout does not hold
    // its selection already.
    bool CanUse(Selection s) const { return m_select[s] != m_shown; }
    // Makes the shown layout the selection; the old and the new tab change their labels.
    void Use(Selection s) { m_select[s] = m_shown; }

    // Empties all thirty colour changes of the shown layout, then fills entries 0 to 7 with
    // the standard map's colours, each replaced by itself. The caller asks first.
    void InitializeColorScheme();

    // OK: the ten layouts and the three selectors replace the store's.
    void ApplyTo(CSetData* settings) const;

  private:
    std::array<OutputSetting, kOutputSettingCount> m_layouts;
    std::array<int, 3> m_select{};
    int m_shown = 0;
};

// The question before the colour scheme is initialised (Yes/No, No preselected, warning).
inline constexpr const char* kInitializeColorSchemeQuestion =
    "Color scheme will be initialized.\nOK?";

// Which families a grid-line row of the dialog edits, for the rules that differ.
enum class GridFamily { MagneticNorth, Longitude, Latitude, VerticalDistance, HorizontalDistance };

// The interval list of a family: the seconds of longitude and latitude lines; for the
// others the list of the chosen unit, and the text the field takes when the unit changes.
struct IntervalChoices {
    std::vector<std::string> items;
    std::string text;
};
IntervalChoices IntervalChoicesFor(GridFamily family, int intervalUnit);
// The units a family offers: "km", "m", and "Sec" for magnetic north lines; none for
// longitude and latitude lines.
std::vector<std::string> IntervalUnitsFor(GridFamily family);

// The fields whose text is corrected when the user leaves them.
enum class FieldRule {
    None,
    Transparency,  // above 100 becomes 100
    SheetCount,    // below 1 becomes 1
    MapLevel,      // 7 to 18
    Division,      // 2 to 100 (subline dialog)
};
// The text a field keeps once the user leaves it.
std::string CorrectOnLeave(FieldRule rule, std::string_view text);
// What the transparency and interval lists keep of typed text: its digits.
std::string DigitsOnly(std::string_view text);
// Ordinary decimal conversion: leading digits (with a sign), anything else reads as 0.
int32_t ReadNumber(std::string_view text);

// Subline length: "Full" (in any letter case) is stored as -1 and shown back as "Full".
int32_t ReadSublineLength(std::string_view text);
std::string SublineLengthText(int32_t length);

// The editable lists of both dialogs.
inline const std::vector<std::string> kTransparencyItems = {"100", "75", "50", "25"};
inline const std::vector<std::string> kNumberOfDigitsItems = {"1", "2", "3", "4"};
inline const std::vector<std::string> kDivisionItems = {"2", "10", "12", "60"};
inline const std::vector<std::string> kSublineLengthItems = {"Full", "5",  "10", "15", "20", "25",
                                                             "30",   "35", "40", "45", "50"};

// How many characters each field takes.
namespace field_length {
inline constexpr int kName = 255;
inline constexpr int kReduction = 6;
inline constexpr int kSmallNumber = 2;  // sheet counts, overlap, map level
inline constexpr int kLabelSize = 3;
inline constexpr int kInterval = 4;
inline constexpr int kTransparency = 3;
inline constexpr int kSublineList = 3;
}  // namespace field_length

}  // namespace hfp
