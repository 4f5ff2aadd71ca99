#pragma once

#include <filesystem>

namespace hfp {

// The per-user data folder that holds the tile cache, the settings and every data file.
// Resolution order: the override set by SetDataFolderOverride (from --data-dir), then the
// HFP_DATA_DIR environment variable, then <XDG data home>/cairn/HollowfernPlotter. Each level
// of the folder is created when missing; when none can be created the program's own folder is
// used instead.
void SetDataFolderOverride(const std::filesystem::path& folder);
std::filesystem::path DataFolder();

// The folder of the running program file (help files, the print logo).
std::filesystem::path ProgramFolder();

}  // namespace hfp
