#include "info/SystemInformation.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "ProgramVersion.h"
#include "geo/GeoPoint.h"
#include "geo/MapSourceConfig.h"

namespace hfp {

namespace {

// The process memory counters of the report. This platform has no such record; each line
// takes the closest figure of the process's own accounting, 0 where there is none:
//   PageFaultCount               minor + major faults (getrusage), as the count takes both
//   PeakWorkingSetSize           VmHWM, the peak resident set
//   WorkingSetSize               VmRSS, the resident set
//   QuotaPeakPagedPoolUsage      0: the kernel keeps no pageable memory per process
//   QuotaPagedPoolUsage          0: likewise
//   QuotaPeakNonPagedPoolUsage   0: no peak is kept of the figure below
//   QuotaNonPagedPoolUsage       VmPTE, the page tables: the resident kernel memory the
//                                process is charged with
//   PagefileUsage                VmSwap, the process's pages in the swap area
//   PeakPagefileUsage            0: no peak is kept of the swap figure
struct MemoryCounters {
    uint64_t pageFaultCount = 0;
    uint64_t peakWorkingSetSize = 0;
    uint64_t workingSetSize = 0;
    uint64_t quotaPeakPagedPoolUsage = 0;
    uint64_t quotaPagedPoolUsage = 0;
    uint64_t quotaPeakNonPagedPoolUsage = 0;
    uint64_t quotaNonPagedPoolUsage = 0;
    uint64_t pagefileUsage = 0;
    uint64_t peakPagefileUsage = 0;
};

// From getrusage and the "VmRSS:  1234 kB" lines of /proc/self/status. Empty when either
// cannot be read.
std::optional<MemoryCounters> ReadMemoryCounters() {
    rusage usage{};
    std::ifstream status("/proc/self/status");
    if (::getrusage(RUSAGE_SELF, &usage) != 0 || !status) return std::nullopt;
    MemoryCounters counters;
    counters.pageFaultCount = static_cast<uint64_t>(usage.ru_minflt + usage.ru_majflt);
    const std::pair<const char*, uint64_t*> fields[] = {
        {"VmHWM:", &counters.peakWorkingSetSize},
        {"VmRSS:", &counters.workingSetSize},
        {"VmPTE:", &counters.quotaNonPagedPoolUsage},
        {"VmSwap:", &counters.pagefileUsage},
    };
    bool resident = false;
    std::string line;
    while (std::getline(status, line)) {
        for (const auto& [field, value] : fields) {
            if (!line.starts_with(field)) continue;
            const char* digits = line.c_str() + std::char_traits<char>::length(field);
            *value = std::strtoull(digits, nullptr, 10) * 1024;
            resident = resident || value == &counters.workingSetSize;
        }
    }
    if (!resident) return std::nullopt;
    return counters;
}

const char* TechnologyName(int32_t technology) {
    static constexpr const char* kNames[] = {
        "Plotter",          "Raster display", "Raster printer", "Raster camera",
        "Character stream", "Meta file",      "Display file",
    };
    if (technology < 0 || technology >= static_cast<int32_t>(std::size(kNames))) return "Unknown";
    return kNames[technology];
}

uint64_t AllocatedBytes(const std::filesystem::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<uint64_t>(st.st_blocks) * 512;
}

// "\t'map' folder\t\t: 1MB 1,024KB 1,048,576B"
std::string StorageLine(const std::string& name, uint64_t bytes) {
    return "\t'" + name + "' folder\t\t: " + FormatCount(bytes / 1024 / 1024) + "MB " +
           FormatCount(bytes / 1024) + "KB " + FormatCount(bytes) + "B\n";
}

std::string Counter(const char* label, uint64_t value) {
    return std::string("\t") + label + ": " + FormatCount(value) + "\n";
}

std::string Capability(const char* label, int32_t value) {
    return std::string("\t") + label + ": " +
           FormatCount(static_cast<uint64_t>(std::max(value, 0))) + "\n";
}

}  // namespace

std::string FormatCount(uint64_t count) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

uint64_t FolderDiskBytes(const std::filesystem::path& folder, std::stop_token stop) {
    namespace fs = std::filesystem;
    uint64_t total = 0;
    std::error_code ec;
    // The default options never descend through a link to a folder.
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (stop.stop_requested()) break;
        total += AllocatedBytes(it->path());
    }
    return total;
}

std::string BuildSystemInformation(const PrinterCapabilities& printer,
                                   const std::filesystem::path& dataFolder, std::stop_token stop) {
    std::string report = std::string("HollowfernPlotter\n\nVersion : ") + kProgramVersion + "\n\n";

    report += "Memory information\n";
    if (const std::optional<MemoryCounters> m = ReadMemoryCounters()) {
        report += Counter("PageFaultCount\t\t", m->pageFaultCount);
        report += Counter("PeakWorkingSetSize\t\t", m->peakWorkingSetSize);
        report += Counter("WorkingSetSize\t\t", m->workingSetSize);
        report += Counter("QuotaPeakPagedPoolUsage\t", m->quotaPeakPagedPoolUsage);
        report += Counter("QuotaPagedPoolUsage\t", m->quotaPagedPoolUsage);
        report += Counter("QuotaPeakNonPagedPoolUsage\t", m->quotaPeakNonPagedPoolUsage);
        report += Counter("QuotaNonPagedPoolUsage\t", m->quotaNonPagedPoolUsage);
        report += Counter("PagefileUsage\t\t", m->pagefileUsage);
        report += Counter("PeakPagefileUsage\t\t", m->peakPagefileUsage);
    } else {
        // Ended like every other line, so that the printer heading keeps its empty line.
        report += "\tError\n";
    }

    report += "\nPrinter information\n";
    report += "\tDevice driver version\t\t\t: " + std::to_string(printer.driverVersion) + "\n";
    report +=
        std::string("\tDevice technology\t\t\t: ") + TechnologyName(printer.technology) + "\n";
    report += Capability("Horizontal size (mm)\t\t\t", printer.horzSize);
    report += Capability("Verical size (mm)\t\t\t", printer.vertSize);
    report += Capability("Horizontal resolusion (pixel)\t\t", printer.horzRes);
    report += Capability("Vertical resolusion (pixel)\t\t", printer.vertRes);
    report += Capability("Horizontal logical pixel (par inch)\t", printer.logPixelsX);
    report += Capability("Vertical logical pixel (par inch)\t\t", printer.logPixelsY);
    report += Capability("Physical width (device)\t\t", printer.physicalWidth);
    report += Capability("Physical height (device)\t\t", printer.physicalHeight);
    report += Capability("Physical offset X (device)\t\t", printer.physicalOffsetX);
    report += Capability("Physical offset Y (device)\t\t", printer.physicalOffsetY);

    // Each file is read once: the levels' folders are walked, and the map folder's total is
    // theirs and that of everything else in it.
    namespace fs = std::filesystem;
    const fs::path map = dataFolder / "map";
    std::array<std::string, kLevelCount> names;
    for (int level = kMinLevel; level <= kMaxLevel; ++level)
        names[level - kMinLevel] = MakeMapSourceConfig(level).folderName;
    std::array<uint64_t, kLevelCount> levels{};
    uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(map, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        uint64_t bytes = AllocatedBytes(it->path());
        if (it->is_directory(ec) && !it->is_symlink(ec)) bytes = FolderDiskBytes(it->path(), stop);
        total += bytes;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (it->path().filename() == names[i]) levels[i] = bytes;
        }
    }
    report += "\nStorage information\n" + StorageLine("map", total);
    for (std::size_t i = 0; i < names.size(); ++i)
        report += StorageLine(names[i], levels[i]);
    return report;
}

}  // namespace hfp
