#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hfp::test {

// An image to encode with libpng, its rows in PNG sample layout: packed for bit depths below
// 8, two big-endian bytes per sample at depth 16.
struct PngImage {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 8;
    int colorType = 0;  // PNG_COLOR_TYPE_*
    bool interlaced = false;
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> palette;  // r, g, b per entry (palette images)
    // tRNS: alpha per palette entry, or (grey / RGB) the one transparent colour's samples.
    std::vector<uint8_t> paletteAlpha;
    std::vector<uint16_t> transparentColor;  // {grey} or {r, g, b}
};

// The PNG file bytes of `image`, written by libpng; empty when libpng refuses the image.
std::string EncodePng(const PngImage& image);

// An RGB image of width × height with a pattern that does not compress to nothing.
PngImage PatternImage(uint32_t width, uint32_t height);

// Adds a private ancillary chunk before IEND so that the file is exactly `size` bytes.
std::string PadPng(const std::string& png, std::size_t size);

// Rewrites the IHDR's width and height (with a valid CRC), keeping the rest.
std::string WithHeaderSize(const std::string& png, uint32_t width, uint32_t height);

}  // namespace hfp::test
