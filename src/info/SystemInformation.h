#pragma once

#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>

namespace hfp {

// The twelve device capabilities of the printer that the report shows, in the order it shows
// them. Sizes in millimetres, the rest in device pixels; all zero with technology
// kTechnologyUnknown when there is no printer.
struct PrinterCapabilities {
    static constexpr int32_t kTechnologyUnknown = -1;
    static constexpr int32_t kRasterPrinter = 2;

    int32_t driverVersion = 0;
    int32_t technology = kTechnologyUnknown;
    int32_t horzSize = 0;  // of the printable area, mm
    int32_t vertSize = 0;
    int32_t horzRes = 0;  // of the printable area, device pixels
    int32_t vertRes = 0;
    int32_t logPixelsX = 0;  // device pixels per inch
    int32_t logPixelsY = 0;
    int32_t physicalWidth = 0;  // of the whole paper, device pixels
    int32_t physicalHeight = 0;
    int32_t physicalOffsetX = 0;  // of the printable area on the paper, device pixels
    int32_t physicalOffsetY = 0;
};

// "1,234,567": a count in decimal with a comma between groups of three digits.
std::string FormatCount(uint64_t count);

// The bytes that the files below `folder` take on disk, counted in allocated blocks: the
// index files are sparse, and their length would overstate the disk they use by far.
// Symbolic links are never followed, so a link loop cannot make the walk endless; a folder
// that is missing or unreadable counts 0. Returns early (with what it has counted) once
// `stop` is requested.
uint64_t FolderDiskBytes(const std::filesystem::path& folder, std::stop_token stop = {});

// The system information report, one "\n" at the end of each line: the program and its
// version, the memory figures of this process, the printer's capabilities and the disk the
// tile cache below `dataFolder` takes, in total and per zoom level. Reading the cache can take
// a while for a large one: run it off the user-interface thread.
std::string BuildSystemInformation(const PrinterCapabilities& printer,
                                   const std::filesystem::path& dataFolder,
                                   std::stop_token stop = {});

}  // namespace hfp
