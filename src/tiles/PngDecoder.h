#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace hfp {

// Decoded pixels: width × height 32-bit pixels, rows top-down, each pixel the bytes blue,
// green, red, alpha in memory order (alpha 0 where the PNG has no alpha channel).
struct DecodedTile {
    std::unique_ptr<uint8_t[]> pixels;
    int32_t size = 0;  // width · height · 4 bytes
    int32_t width = 0;
    int32_t height = 0;
};

// Images whose header claims more pixels than this are refused before anything is allocated
// (64 Mi pixels, a 256 MiB buffer), as is a width or height above kMaxPngSide.
constexpr int64_t kMaxPngPixels = int64_t{64} * 1024 * 1024;
constexpr uint32_t kMaxPngSide = 32768;

// Decodes a PNG file or a PNG held in memory into `out`. Palettes and transparency are
// expanded, 16-bit samples stripped to 8, grey turned into RGB, a zero filler added to images
// without alpha, and the channels put in blue-green-red order. False for anything that is not
// a PNG this decoder can read; `out` is then left empty. Any size of image is accepted up to
// the limits above.
bool LoadPng(const std::filesystem::path& filePath, DecodedTile* out);
bool LoadPngFromMemory(const void* data, std::size_t size, DecodedTile* out);

}  // namespace hfp
