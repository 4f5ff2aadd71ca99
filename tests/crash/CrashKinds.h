#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace hfp::test {

// The files the program writes, each by its own saving code: the settings, the write sets, the
// write patterns, the position list, a level's tile index, a tile, an exported image.
inline const std::vector<std::string_view> kCrashKinds = {"set",   "write", "writepat", "poslist",
                                                          "index", "tile",  "image"};

// Saves version 0 or 1 of `kind`'s file into `folder` as the program saves it.
bool SaveVersion(std::string_view kind, const std::filesystem::path& folder, int version);
// The file that kind writes, inside `folder`.
std::filesystem::path SavedFile(std::string_view kind, const std::filesystem::path& folder);
// True when the file loads with the program's own reader (the one that reads it at start).
bool Loads(std::string_view kind, const std::filesystem::path& folder);

}  // namespace hfp::test
