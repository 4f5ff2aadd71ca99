#include "tiles/PngDecoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstring>

#include "common/TempDir.h"
#include "tiles/TestPng.h"
#include "tiles/TileDownload.h"

namespace hfp {
namespace {

using test::EncodePng;
using test::PngImage;

using Bgra = std::array<uint8_t, 4>;

Bgra PixelAt(const DecodedTile& tile, int x, int y) {
    const uint8_t* p = tile.pixels.get() + (static_cast<std::size_t>(y) * tile.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Decodes `image` and checks the size and every pixel of its first row against `expected`.
void ExpectFirstRow(const PngImage& image, const std::vector<Bgra>& expected) {
    std::string png = EncodePng(image);
    ASSERT_FALSE(png.empty());
    DecodedTile tile;
    ASSERT_TRUE(LoadPngFromMemory(png.data(), png.size(), &tile));
    ASSERT_TRUE(tile.pixels);
    EXPECT_EQ(tile.width, static_cast<int32_t>(image.width));
    EXPECT_EQ(tile.height, static_cast<int32_t>(image.height));
    EXPECT_EQ(tile.size, tile.width * tile.height * 4);
    for (std::size_t x = 0; x < expected.size(); ++x)
        EXPECT_EQ(PixelAt(tile, static_cast<int>(x), 0), expected[x]) << "pixel " << x;
}

PngImage Image(uint32_t width, int colorType, int bitDepth, std::vector<uint8_t> row) {
    PngImage image;
    image.width = width;
    image.height = 1;
    image.colorType = colorType;
    image.bitDepth = bitDepth;
    image.rows.push_back(std::move(row));
    return image;
}

TEST(PngDecoder, EveryColourTypeComesOutBlueGreenRedAlpha) {
    PngImage palette = Image(4, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 1});
    palette.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    palette.paletteAlpha = {255, 128, 0};
    ExpectFirstRow(palette, {{0, 0, 255, 255}, {0, 255, 0, 128}, {255, 0, 0, 0}});
    PngImage packed = Image(3, PNG_COLOR_TYPE_PALETTE, 4, {0x12, 0x00});
    packed.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    ExpectFirstRow(packed, {{60, 50, 40, 0}, {90, 80, 70, 0}, {30, 20, 10, 0}});
    ExpectFirstRow(Image(2, PNG_COLOR_TYPE_RGBA, 8, {10, 20, 30, 40, 200, 150, 100, 255}),
                   {{30, 20, 10, 40}, {100, 150, 200, 255}});
    ExpectFirstRow(Image(1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}),
                   {{0x9a, 0x56, 0x12, 0}});
    PngImage keyed = Image(2, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
    keyed.transparentColor = {4, 5, 6};
    ExpectFirstRow(keyed, {{3, 2, 1, 255}, {6, 5, 4, 0}});
    ExpectFirstRow(Image(4, PNG_COLOR_TYPE_GRAY, 2, {0x1b}),
                   {{0, 0, 0, 0}, {85, 85, 85, 0}, {170, 170, 170, 0}, {255, 255, 255, 0}});
    PngImage packedKeyed = Image(2, PNG_COLOR_TYPE_GRAY, 2, {0x40});
    packedKeyed.transparentColor = {1};
    ExpectFirstRow(packedKeyed, {{85, 85, 85, 0}, {0, 0, 0, 255}});
    ExpectFirstRow(Image(1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0x44, 0x01, 0x88, 0x02}),
                   {{0x44, 0x44, 0x44, 0x88}});

    // Rows top-down, also when interlaced.
    PngImage image = test::PatternImage(37, 23);
    image.interlaced = true;
    std::string png = EncodePng(image);
    DecodedTile tile;
    ASSERT_TRUE(LoadPngFromMemory(png.data(), png.size(), &tile));
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* rgb = &image.rows[y][36 * 3];
        ASSERT_EQ(PixelAt(tile, 36, static_cast<int>(y)), (Bgra{rgb[2], rgb[1], rgb[0], 0})) << y;
    }
}

TEST(PngDecoder, BrokenDataFailsCleanly) {
    std::string png = EncodePng(test::PatternImage(64, 64));
    DecodedTile tile;
    ASSERT_TRUE(LoadPngFromMemory(png.data(), png.size(), &tile));

    std::string damaged = png;
    damaged[png.size() / 2] ^= 0x55;  // inside the image data: its CRC no longer matches
    std::vector<std::string> broken = {
        "",
        "GIF89a",
        std::string("\x89PNG\r\n\x1a\n", 8),  // a signature and nothing else
        png.substr(0, 40),                    // the header, no data
        png.substr(0, png.size() / 2),        // cut in the middle of the data
        damaged,
        "<!DOCTYPE html><html><body>Not Found</body></html>",
    };
    for (const std::string& data : broken) {
        EXPECT_FALSE(LoadPngFromMemory(data.data(), data.size(), &tile)) << data.size();
        EXPECT_FALSE(tile.pixels);
        EXPECT_EQ(tile.width, 0);
    }
}

TEST(PngDecoder, HugeDimensionsInTheHeaderFailBeforeAllocating) {
    std::string png = EncodePng(test::PatternImage(16, 16));
    DecodedTile tile;
    // Beyond libpng's user limit per side, within it but too many pixels, and PNG's maximum.
    for (auto [w, h] : std::vector<std::pair<uint32_t, uint32_t>>{
             {1000000, 1000000}, {30000, 30000}, {32768, 4096}, {0x7fffffff, 0x7fffffff}}) {
        std::string huge = test::WithHeaderSize(png, w, h);
        EXPECT_FALSE(LoadPngFromMemory(huge.data(), huge.size(), &tile)) << w << "x" << h;
        EXPECT_FALSE(tile.pixels);
    }
    // A small file that really holds a huge image (16384 × 16384 one-bit grey, a 1 GiB
    // buffer once decoded) is refused as well.
    PngImage bomb;
    bomb.width = bomb.height = 16384;
    bomb.bitDepth = 1;
    bomb.colorType = PNG_COLOR_TYPE_GRAY;
    bomb.rows.assign(bomb.height, std::vector<uint8_t>(bomb.width / 8, 0));
    std::string bombPng = EncodePng(bomb);
    bomb.rows.clear();
    ASSERT_LT(bombPng.size(), 1u << 20);
    EXPECT_FALSE(LoadPngFromMemory(bombPng.data(), bombPng.size(), &tile));
    EXPECT_FALSE(tile.pixels);

    // The limits still let large honest images through.
    PngImage wide;
    wide.width = 4000;
    wide.height = 2;
    wide.colorType = PNG_COLOR_TYPE_GRAY;
    wide.rows.assign(2, std::vector<uint8_t>(4000, 77));
    std::string widePng = EncodePng(wide);
    ASSERT_TRUE(LoadPngFromMemory(widePng.data(), widePng.size(), &tile));
    EXPECT_EQ(tile.width, 4000);
    EXPECT_EQ(PixelAt(tile, 3999, 1), (Bgra{77, 77, 77, 0}));
}

TEST(PngDecoder, OnlyWholeFilesOfTwoHundredFiftySixSquareAreTiles) {
    test::TempDir dir;
    for (auto [w, h] : std::vector<std::pair<uint32_t, uint32_t>>{{256, 256}, {255, 256}, {1, 1}}) {
        std::string png = EncodePng(test::PatternImage(w, h));
        test::WriteFile(dir / "t.png", png);
        const bool isTile = w == 256 && h == 256;
        DecodedTile tile;
        EXPECT_TRUE(LoadPngFromMemory(png.data(), png.size(), &tile));  // LoadPng stays general
        EXPECT_EQ(LoadTilePngFromMemory(png.data(), png.size(), &tile), isTile) << w << "x" << h;
        EXPECT_EQ(LoadTilePng(dir / "t.png", &tile), isTile) << w << "x" << h;
        EXPECT_EQ(static_cast<bool>(tile.pixels), isTile);
        if (isTile) test::WriteFile(dir / "cut.png", png.substr(0, png.size() - 100));
    }
    std::filesystem::create_directory(dir / "folder.png");
    for (const char* name : {"missing.png", "cut.png", "folder.png"}) {
        DecodedTile tile;
        EXPECT_FALSE(LoadPng(dir / name, &tile)) << name;
        EXPECT_FALSE(tile.pixels) << name;
    }
}

}  // namespace
}  // namespace hfp
