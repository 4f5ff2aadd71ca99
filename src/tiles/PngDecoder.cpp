#include "tiles/PngDecoder.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "platform/ReadWholeFile.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

constexpr std::size_t kPngSignatureSize = 8;
// A file larger than this cannot hold an image within the pixel limit.
constexpr std::size_t kMaxPngFileBytes = std::size_t{1} << 30;

// The read cursor over the encoded bytes. Plain data: it lives across setjmp.
struct MemoryCursor {
    const uint8_t* data;
    std::size_t size;
    std::size_t position;
};

void ReadFromCursor(png_structp png, png_bytep out, png_size_t length) {
    auto* cursor = static_cast<MemoryCursor*>(png_get_io_ptr(png));
    if (length > cursor->size - cursor->position) png_error(png, "unexpected end of the data");
    std::memcpy(out, cursor->data + cursor->position, length);
    cursor->position += length;
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    Trace("libpng error: %s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp message) {
    Trace("libpng warning: %s", message);
}

uint32_t ReadBigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The header's fields after the dimensions: a bit depth the colour type allows, the one
// compression and filter method, no interlacing or Adam7. `paletteNeeded`: colour type 3.
bool CheckHeader(const uint8_t* header, bool* paletteNeeded) {
    const uint32_t width = ReadBigEndian32(header), height = ReadBigEndian32(header + 4);
    const int depth = header[8], colorType = header[9];
    if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) return false;
    if (static_cast<int64_t>(width) * height > kMaxPngPixels) return false;
    bool depthRight = false;
    switch (colorType) {
        case 0:
            depthRight = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
            break;
        case 3:
            depthRight = depth == 1 || depth == 2 || depth == 4 || depth == 8;
            break;
        case 2:
        case 4:
        case 6:
            depthRight = depth == 8 || depth == 16;
            break;
    }
    *paletteNeeded = colorType == 3;
    return depthRight && header[10] == 0 && header[11] == 0 && header[12] <= 1;
}

struct RawImage {
    uint8_t* pixels;  // new[]-allocated; the caller takes it over
    uint32_t width;
    uint32_t height;
};

// The libpng part of decoding. libpng reports errors by longjmp out of any of its calls, so
// nothing in this function has a destructor: what it allocates is held in plain pointers
// (volatile, as they change after setjmp) and freed on the error path.
bool DecodeRaw(const uint8_t* data, std::size_t size, RawImage* image) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    MemoryCursor cursor{data, size, 0};
    uint8_t* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    uint8_t* volatile rgbRow = nullptr;

    if (setjmp(png_jmpbuf(png))) {
        delete[] rgbRow;
        delete[] rows;
        delete[] pixels;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }

    // A header that claims huge dimensions is refused by libpng before any row is read.
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    // Texts, colour profiles, palettes to suggest, Exif and chunks libpng does not know are of
    // no use here and are passed over unread: libpng allocates room for such a chunk by its
    // stated length before reading it, so a tile of a few hundred bytes whose text claimed
    // 1.6 GB had that much allocated.
    static constexpr png_byte kUnused[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, sizeof kUnused / 5);
    // zlib's Adler-32 over the inflated rows costs about a fifth of a tile's decoding and
    // guards nothing the chunks' CRC-32 does not: every critical chunk's CRC is still checked,
    // so a tile damaged on the wire or on disk is refused as before.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_read_fn(png, &cursor, ReadFromCursor);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (static_cast<int64_t>(width) * height > kMaxPngPixels)
        png_error(png, "image too large to decode");

    const std::size_t rowBytes = std::size_t{width} * 4;
    // The usual tile, 8-bit RGB without transparency, takes its rows as they are and puts
    // them into blue-green-red-zero order in one pass of its own: libpng's filler and
    // channel swap are two byte-wise passes over every row.
    if (colorType == PNG_COLOR_TYPE_RGB && bitDepth == 8 &&
        !png_get_valid(png, info, PNG_INFO_tRNS) &&
        png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != std::size_t{width} * 3)
            png_error(png, "unexpected pixel layout");
        pixels = new (std::nothrow) uint8_t[rowBytes * height];
        // One byte more than a row: each pixel is read as four bytes.
        rgbRow = new (std::nothrow) uint8_t[std::size_t{width} * 3 + 1];
        if (!pixels || !rgbRow) png_error(png, "out of memory for the pixels");
        rgbRow[std::size_t{width} * 3] = 0;
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, rgbRow, nullptr);
            const uint8_t* from = rgbRow;
            uint8_t* to = pixels + rowBytes * y;
            // Red, green, blue and the next pixel's red, read as a little-endian word and
            // byte-swapped, are blue, green, red and zero once shifted down by a byte.
            static_assert(std::endian::native == std::endian::little);
            for (png_uint_32 x = 0; x < width; ++x, from += 3, to += 4) {
                uint32_t rgb;
                std::memcpy(&rgb, from, 4);
                const uint32_t bgr = __builtin_bswap32(rgb) >> 8;
                std::memcpy(to, &bgr, 4);
            }
        }
        delete[] rgbRow;
        png_destroy_read_struct(&png, &info, nullptr);
        *image = {pixels, width, height};
        return true;
    }

    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
    if (bitDepth > 8) png_set_strip_16(png);
    // Grey with alpha is widened to RGBA as well, so that every colour type ends up with four
    // bytes per pixel.
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // Whatever the transformations made of the image, its rows must be exactly four bytes a
    // pixel before libpng writes them into the buffer.
    if (png_get_rowbytes(png, info) != rowBytes || png_get_bit_depth(png, info) != 8 ||
        png_get_channels(png, info) != 4)
        png_error(png, "unexpected pixel layout after the transformations");

    pixels = new (std::nothrow) uint8_t[rowBytes * height];
    rows = new (std::nothrow) png_bytep[height];
    if (!pixels || !rows) png_error(png, "out of memory for the pixels");
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels + rowBytes * y;

    png_read_image(png, rows);

    delete[] rows;
    png_destroy_read_struct(&png, &info, nullptr);
    image->pixels = pixels;
    image->width = width;
    image->height = height;
    return true;
}

bool Decode(const uint8_t* data, std::size_t size, DecodedTile* out) {
    *out = DecodedTile{};
    if (size < kPngSignatureSize || png_sig_cmp(data, 0, kPngSignatureSize) != 0) {
        Trace("LoadPng error");
        return false;
    }
    RawImage image{};
    if (!DecodeRaw(data, size, &image)) {
        Trace("LoadPng error");
        return false;
    }
    out->pixels.reset(image.pixels);
    out->width = static_cast<int32_t>(image.width);
    out->height = static_cast<int32_t>(image.height);
    out->size = out->width * out->height * 4;
    Trace("LoadPng out");
    return true;
}

}  // namespace

bool LoadPngFromMemory(const void* data, std::size_t size, DecodedTile* out) {
    Trace("LoadPng in");
    return Decode(static_cast<const uint8_t*>(data), size, out);
}

bool LoadPng(const std::filesystem::path& filePath, DecodedTile* out) {
    Trace("LoadPng in");
    Trace("filename[%s]", filePath.c_str());
    *out = DecodedTile{};
    std::vector<char> data;
    if (ReadWholeFile(filePath, &data, kMaxPngFileBytes) != ReadResult::Whole) {
        Trace("LoadPng error");
        return false;
    }
    return Decode(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out);
}

bool CheckPngStructure(const void* bytes, std::size_t size, uint32_t* width, uint32_t* height) {
    const auto* data = static_cast<const uint8_t*>(bytes);
    if (size < kPngSignatureSize || png_sig_cmp(data, 0, kPngSignatureSize) != 0) return false;
    enum { kHeader, kBeforeData, kData, kAfterData } stage = kHeader;
    bool palette = false, paletteNeeded = false;
    std::size_t at = kPngSignatureSize;
    while (at < size) {
        if (size - at < 12) return false;
        const uint32_t length = ReadBigEndian32(data + at);
        if (length > 0x7fffffffu || length > size - at - 12) return false;
        const uint8_t* type = data + at + 4;
        const uint8_t* body = type + 4;
        auto letter = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        if (!std::all_of(type, type + 4, letter)) return false;
        const bool critical = (type[0] & 0x20) == 0;
        const bool crcRight = crc32(0, type, length + 4) == ReadBigEndian32(body + length);
        at += std::size_t{length} + 12;
        if (!crcRight && (critical || stage == kHeader)) return false;
        if (!crcRight) continue;
        const std::string_view name(reinterpret_cast<const char*>(type), 4);
        if (stage == kHeader) {
            if (name != "IHDR" || length != 13 || !CheckHeader(body, &paletteNeeded)) return false;
            *width = ReadBigEndian32(body);
            *height = ReadBigEndian32(body + 4);
            stage = kBeforeData;
        } else if (name == "IDAT") {
            if (stage == kAfterData || (paletteNeeded && !palette)) return false;
            // The first bytes of the image data are the zlib header: deflate, a window of
            // at most 32 KiB, no preset dictionary, its check bits right.
            if (stage == kBeforeData &&
                (length < 2 || (body[0] & 0x0f) != 8 || (body[0] >> 4) > 7 ||
                 (body[1] & 0x20) != 0 || ((body[0] << 8) | body[1]) % 31 != 0))
                return false;
            stage = kData;
        } else if (name == "PLTE") {
            if (stage != kBeforeData || palette || length == 0 || length % 3 != 0 ||
                length > 256 * 3)
                return false;
            palette = true;
        } else if (name == "IEND") {
            return stage != kBeforeData;
        } else if (critical) {
            return false;
        } else if (stage == kData) {
            stage = kAfterData;
        }
    }
    return stage != kHeader && stage != kBeforeData;
}

}  // namespace hfp
