#include "tiles/TestPng.h"

#include <png.h>
#include <zlib.h>

#include <stdexcept>

namespace hfp::test {

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void Flush(png_structp) {}

void PutBigEndian(std::string& s, std::size_t at, uint32_t v) {
    s[at] = static_cast<char>(v >> 24);
    s[at + 1] = static_cast<char>(v >> 16);
    s[at + 2] = static_cast<char>(v >> 8);
    s[at + 3] = static_cast<char>(v);
}

std::string BigEndian(uint32_t v) {
    std::string s(4, '\0');
    PutBigEndian(s, 0, v);
    return s;
}

std::string Chunk(const std::string& type, const std::string& data) {
    std::string body = type + data;
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return BigEndian(static_cast<uint32_t>(data.size())) + body + BigEndian(crc);
}

}  // namespace

std::string EncodePng(const PngImage& image) {
    // Everything with a destructor exists before setjmp: libpng's longjmp must not skip one.
    std::string out;
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < image.palette.size(); i += 3)
        palette.push_back({image.palette[i], image.palette[i + 1], image.palette[i + 2]});
    std::vector<png_bytep> rows;
    for (const auto& row : image.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    png_color_16 color{};
    if (image.transparentColor.size() == 1) {
        color.gray = image.transparentColor[0];
    } else if (image.transparentColor.size() == 3) {
        color.red = image.transparentColor[0];
        color.green = image.transparentColor[1];
        color.blue = image.transparentColor[2];
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendToString, Flush);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(),
                     static_cast<int>(image.paletteAlpha.size()), nullptr);
    else if (!image.transparentColor.empty())
        png_set_tRNS(png, info, nullptr, 0, &color);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

PngImage PatternImage(uint32_t width, uint32_t height) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = PNG_COLOR_TYPE_RGB;
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint8_t> row;
        for (uint32_t x = 0; x < width; ++x) {
            row.push_back(static_cast<uint8_t>(x * 7 + y));
            row.push_back(static_cast<uint8_t>(y * 3));
            row.push_back(static_cast<uint8_t>((x ^ y) * 13));
        }
        image.rows.push_back(std::move(row));
    }
    return image;
}

std::string PadPng(const std::string& png, std::size_t size) {
    constexpr std::size_t kIendSize = 12;
    constexpr std::size_t kChunkOverhead = 12;
    if (png.size() + kChunkOverhead > size) throw std::runtime_error("PNG too large to pad");
    std::string padding(size - png.size() - kChunkOverhead, 'p');
    std::size_t iend = png.size() - kIendSize;
    return png.substr(0, iend) + Chunk("prVt", padding) + png.substr(iend);
}

std::string WithHeaderSize(const std::string& png, uint32_t width, uint32_t height) {
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height; the CRC after the
    // 13 data bytes covers type and data.
    std::string out = png;
    PutBigEndian(out, 16, width);
    PutBigEndian(out, 20, height);
    uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(out.data() + 12), 4 + 13));
    PutBigEndian(out, 8 + 4 + 4 + 13, crc);
    return out;
}

}  // namespace hfp::test
