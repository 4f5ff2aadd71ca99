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

// The folder of the running program file.
std::filesystem::path ProgramFolder();

// A file that ships with the programs (the print logo, the manual), by its path relative to
// the program's data: beside the program (the build tree, a copied folder), else in the
// installation's share/hollowfernplotter next to the program's bin/. Empty when neither holds
// it. Found from the program's own place, so an installation works wherever it is put.
std::filesystem::path FindProgramFile(const std::filesystem::path& relative);

}  // namespace hfp
