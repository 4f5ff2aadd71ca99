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

// Whether the bytes are a whole PNG as far as can be told without inflating its pixels, for
// files that are stored rather than shown: the signature, a valid header, every chunk
// complete with the CRC-32 of each critical chunk right (as the decoder, which skips an
// ancillary chunk whose CRC is wrong), no critical chunk the decoder does not know, a palette
// where one is needed, the image data in one run of chunks beginning with a zlib header, and
// nothing but ancillary chunks after it up to the end or the end chunk. A file damaged on the
// wire or on disk is refused; a deflate stream broken inside chunks whose CRCs are right is
// not noticed. The header's dimensions are returned in `width` and `height`.
bool CheckPngStructure(const void* data, std::size_t size, uint32_t* width, uint32_t* height);

}  // namespace hfp
