#include "tiles/PngDecoder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QImage>
#include <array>

#include "common/TempDir.h"
#include "tiles/TileDownload.h"

namespace hfp {
namespace {

using Bgra = std::array<uint8_t, 4>;
using test::PngBytes;

// An image whose every pixel differs from its neighbours.
QImage Pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 7 + y, y * 3, (x ^ y) * 13));
    return image;
}

// Rewrites the IHDR's width and height, with a valid CRC.
std::string WithHeaderSize(std::string png, uint32_t width, uint32_t height) {
    auto put = [&](std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            png[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
    };
    put(16, width);
    put(20, height);
    put(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
    return png;
}

Bgra FirstPixel(const std::string& png) {
    DecodedTile tile;
    EXPECT_TRUE(LoadPngFromMemory(png.data(), png.size(), &tile));
    if (!tile.pixels) return {};
    return {tile.pixels[0], tile.pixels[1], tile.pixels[2], tile.pixels[3]};
}

// Row order and pixel places: the dev server tests decode its tiles here and join them.
TEST(PngDecoder, EveryKindOfPngComesOutBlueGreenRedAlpha) {
    QImage palette(3, 1, QImage::Format_Indexed8);
    palette.setColorTable({qRgba(0, 255, 0, 128), qRgba(255, 0, 0, 255), qRgba(0, 0, 255, 0)});
    palette.fill(0);
    QImage rgba(1, 1, QImage::Format_ARGB32);
    rgba.fill(qRgba(10, 20, 30, 40));
    QImage rgb(1, 1, QImage::Format_RGB32);
    rgb.fill(qRgb(10, 20, 30));
    QImage grey(1, 1, QImage::Format_Grayscale8);
    grey.fill(qRgb(7, 7, 7));
    QImage grey16(1, 1, QImage::Format_Grayscale16);
    grey16.fill(QColor::fromRgba64(0xabcd, 0xabcd, 0xabcd));
    QImage mono(9, 1, QImage::Format_Mono);
    mono.fill(1);
    for (auto [image, want] : std::vector<std::pair<QImage, Bgra>>{
             {palette, {0, 255, 0, 128}},
             {rgba, {30, 20, 10, 40}},
             {rgb, {30, 20, 10, 0}},  // no alpha: a zero filler
             {grey, {7, 7, 7, 0}},
             {grey16, {0xab, 0xab, 0xab, 0}},
             {mono, {255, 255, 255, 0}},
         }) {
        const std::string png = PngBytes(image);
        EXPECT_EQ(FirstPixel(png), want) << image.format();
        // What is stored without decoding is refused no more often than the decoder refuses.
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(CheckPngStructure(png.data(), png.size(), &width, &height));
        EXPECT_EQ(QSize(static_cast<int>(width), static_cast<int>(height)), image.size());
    }
}

TEST(PngDecoder, BrokenAndHugeImagesFailCleanlyBeforeAllocating) {
    const std::string png = PngBytes(Pattern(64, 64));
    std::string damaged = png;
    damaged[png.size() / 2] ^= 0x55;  // inside the image data: its CRC no longer matches
    for (const std::string& data :
         {std::string(), std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, png.size() / 2),
          damaged, std::string("<!DOCTYPE html><html></html>"), WithHeaderSize(png, 16384, 16384),
          WithHeaderSize(png, 40000, 1), WithHeaderSize(png, 0x7fffffff, 0x7fffffff)}) {
        DecodedTile tile;
        EXPECT_FALSE(LoadPngFromMemory(data.data(), data.size(), &tile)) << data.size();
        EXPECT_FALSE(tile.pixels);
        uint32_t width, height;
        EXPECT_FALSE(CheckPngStructure(data.data(), data.size(), &width, &height)) << data.size();
    }
    EXPECT_EQ(FirstPixel(PngBytes(Pattern(4000, 2))),
              (Bgra{0, 0, 0, 0}));  // large honest images pass
}

TEST(PngDecoder, OnlyWholeFilesOfTwoHundredFiftySixSquareAreTiles) {
    test::TempDir dir;
    for (auto [w, h] : std::vector<std::pair<int, int>>{{256, 256}, {255, 256}, {1, 1}}) {
        const std::string png = PngBytes(Pattern(w, h));
        test::WriteFile(dir / "t.png", png);
        const bool isTile = w == 256 && h == 256;
        DecodedTile tile;
        EXPECT_TRUE(LoadPngFromMemory(png.data(), png.size(), &tile));  // LoadPng stays general
        EXPECT_EQ(LoadTilePngFromMemory(png.data(), png.size(), &tile), isTile) << w << "x" << h;
        EXPECT_EQ(LoadTilePng(dir / "t.png", &tile), isTile) << w << "x" << h;
        EXPECT_EQ(IsWholeTilePng(png.data(), png.size()), isTile) << w << "x" << h;
        EXPECT_EQ(static_cast<bool>(tile.pixels), isTile);
        if (isTile) test::WriteFile(dir / "cut.png", png.substr(0, png.size() - 100));
    }
    std::filesystem::create_directory(dir / "folder.png");
    ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0600), 0);  // opening it must not wait
    for (const char* name : {"missing.png", "cut.png", "folder.png", "fifo.png"}) {
        DecodedTile tile;
        EXPECT_FALSE(LoadPng(dir / name, &tile)) << name;
    }
}

}  // namespace
}  // namespace hfp
