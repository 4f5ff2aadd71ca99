#pragma once

#include <span>
#include <string>
#include <vector>

namespace hfp {

class CSetData;

// The groups of the settings dialog, in the order it shows them.
enum SettingGroup { kMapOperationGroup, kHearsayCairnGroup, kSystemGroup, kSettingGroupCount };
inline constexpr const char* kSettingGroupTitles[kSettingGroupCount] = {"Map operation",
                                                                        "HearsayCairn", "System"};

// A check box of the settings dialog and the flag it edits.
struct SettingCheck {
    SettingGroup group;
    const char* label;
    bool CSetData::*flag;
};
// Every check box, in the order the dialog shows them within their groups.
std::span<const SettingCheck> SettingChecks();

// The tile count field of the "System" group, shown above its check boxes.
inline constexpr const char* kMemoryMapMaxLabel = "number of map tiles to cache*(&H)";
inline constexpr const char* kMemoryMapMaxUnit = "tiles";
inline constexpr int kMemoryMapMaxLength = 8;
inline constexpr const char* kRestartNote = "*Effect after restart.";

// What the settings dialog holds from opening to OK: the state of every check box (in
// SettingChecks() order) and the tile count as typed.
struct SettingOptions {
    std::vector<bool> checks;
    std::string memoryMapMax;

    static SettingOptions Of(const CSetData& settings);
    // OK: stores every value into `settings` and returns an empty text; or, when a value may
    // not be stored, stores nothing and returns the message to show (information icon).
    // Without the right to switch the start-up spot download it must stay checked, and the
    // tile count must be a number of 1 to kMemoryTileLimitMax.
    std::string StoreInto(CSetData* settings, bool mayChangeStartupDownload) const;
};

}  // namespace hfp
