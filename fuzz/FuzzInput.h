#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace hfp::fuzz {

// The input as text.
inline std::string_view Text(const uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of this fuzzing process for the parsers that read their data from files: made once
// under /tmp, emptied of nothing (each input overwrites the file it needs), removed at exit.
inline const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path made =
            std::filesystem::temp_directory_path() / ("hfp-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(made);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return made;
    }();
    return folder;
}

// Writes the input as `relative` inside Folder() and returns its path.
inline std::filesystem::path WriteInput(const std::filesystem::path& relative, const uint8_t* data,
                                        std::size_t size) {
    const std::filesystem::path file = Folder() / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file;
}

}  // namespace hfp::fuzz
