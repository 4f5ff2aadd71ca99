#include "settings/SettingOptions.h"

#include <cstdint>
#include <cstdlib>

#include "geo/MapSourceConfig.h"
#include "settings/SetData.h"

namespace hfp {

std::span<const SettingCheck> SettingChecks() {
    static const SettingCheck kChecks[] = {
        {kMapOperationGroup, "Reverse zoom in/out by the mouse wheel(&W)",
         &CSetData::m_mouseWheelReverse},
        {kMapOperationGroup, "Don't move when zoom in by the mouse wheel(&M)",
         &CSetData::m_mouseWheelNoMove},
        {kMapOperationGroup, "Disable zoom in/out by the mouse wheel(&E)",
         &CSetData::m_mouseWheelInvalidity},
        {kMapOperationGroup, "Display center cross(&C)", &CSetData::m_displayCenterCross},
        {kMapOperationGroup, "Display print out bounds(&P)", &CSetData::m_displayPrintRange},
        {kMapOperationGroup, "Display file out bounds(&F)", &CSetData::m_displayFileoutRange},
        {kHearsayCairnGroup, "Download spot information when starting(&D)",
         &CSetData::m_cairnStartupDownload},
        {kSystemGroup, "High speed download map tiles(&H)", &CSetData::m_mapHighSpeedDownload},
        {kSystemGroup, "Check new version when starting(&V)", &CSetData::m_startupVersionCheck},
    };
    return kChecks;
}

SettingOptions SettingOptions::Of(const CSetData& settings) {
    SettingOptions options;
    for (const SettingCheck& check : SettingChecks())
        options.checks.push_back(settings.*check.flag);
    options.memoryMapMax = std::to_string(settings.m_memoryMapMax);
    return options;
}

std::string SettingOptions::StoreInto(CSetData* settings, bool mayChangeStartupDownload) const {
    const std::span<const SettingCheck> all = SettingChecks();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].flag == &CSetData::m_cairnStartupDownload && !checks[i] &&
            !mayChangeStartupDownload)
            return "Spot data download error.";
    }
    // The C library's decimal conversion, as the field has always been read: leading digits,
    // anything else 0. A count the tile cache cannot take is refused here, where the user
    // can mend it, rather than clamped unseen at the next start.
    const long tiles = std::strtol(memoryMapMax.c_str(), nullptr, 10);
    if (tiles < 1 || tiles > kMemoryTileLimitMax)
        return "The number of map tiles to cache must be from 1 to " +
               std::to_string(kMemoryTileLimitMax) + ".";
    for (std::size_t i = 0; i < all.size(); ++i)
        settings->*all[i].flag = checks[i];
    settings->m_memoryMapMax = static_cast<int32_t>(tiles);
    return {};
}

}  // namespace hfp
