#include "platform/DataFolder.h"

#include <QStandardPaths>
#include <cstdlib>
#include <mutex>
#include <system_error>

namespace hfp {

namespace {

std::mutex g_mutex;
std::filesystem::path g_override;

bool EnsureFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

}  // namespace

void SetDataFolderOverride(const std::filesystem::path& folder) {
    std::lock_guard lock(g_mutex);
    g_override = folder;
}

std::filesystem::path DataFolder() {
    std::filesystem::path folder;
    {
        std::lock_guard lock(g_mutex);
        folder = g_override;
    }
    if (folder.empty()) {
        if (const char* env = std::getenv("HFP_DATA_DIR"); env && *env) folder = env;
    }
    if (folder.empty()) {
        QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (!base.isEmpty()) {
            std::filesystem::path cairn = std::filesystem::path(base.toStdString()) / "cairn";
            if (EnsureFolder(cairn)) folder = cairn / "HollowfernPlotter";
        }
    }
    if (!folder.empty() && EnsureFolder(folder)) return folder;
    return ProgramFolder();
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::filesystem::path FindProgramFile(const std::filesystem::path& relative) {
    const std::filesystem::path bin = ProgramFolder();
    for (const std::filesystem::path& place :
         {bin, bin.parent_path() / "share" / "hollowfernplotter"}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(place / relative, ec)) return place / relative;
    }
    return {};
}

}  // namespace hfp
