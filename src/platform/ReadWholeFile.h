#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace hfp {

enum class ReadResult {
    CannotOpen,  // missing, unreadable, or not a regular file
    Short,       // opened, but could not be read to its end
    Whole,
};

// Reads a whole file into `data`, a buffer of exactly the file's length, so that a parser
// that strays past the end of the data is caught by the sanitizers rather than reading on.
// A file longer than `maxBytes` is Short, and nothing of it is read.
ReadResult ReadWholeFile(const std::filesystem::path& file, std::vector<char>* data,
                         std::size_t maxBytes = SIZE_MAX);

}  // namespace hfp
