#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "geo/GeoPoint.h"
#include "print/PrintHistoryEntry.h"

class QDateTime;

namespace hfp {

class Messages;

using PrintHistory = std::array<PrintHistoryEntry, kPrintHistoryCount>;
// Records a print at (longitude, latitude) as entry 0 named `name`: the entries before the
// last one not kept move down a place and that one is dropped; kept entries after it stay.
// False, and nothing changes, when every entry is kept.
bool AddPrintHistory(PrintHistory& history, int32_t longitude, int32_t latitude,
                     const std::string& name);
// A history entry's name for a print at `when`: "2026/12/07/(Monday) 01:30:00".
std::string PrintHistoryName(const QDateTime& when);
// Records a print made now at `center`, named after the local time.
bool AddPrintHistoryNow(PrintHistory& history, GeoPoint center);

// The number of entries in use: those before the first whose name is blank.
int PrintHistoryUsed(const PrintHistory& history);
// A longitude or latitude as the history list shows it: degrees padded to three places,
// minutes, whole seconds, then hundredths ("35°21′46″26").
std::string FormatHistoryCoordinate(int32_t geo);
// Renames entry `index` to `text` trimmed of blanks; blank text is refused with "Input name."
// (warning icon) and the name stays.
bool RenamePrintHistory(PrintHistory& history, int index, const std::string& text,
                        Messages* messages);

}  // namespace hfp
