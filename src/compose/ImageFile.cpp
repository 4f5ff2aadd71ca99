#include "compose/ImageFile.h"

#include <gif_lib.h>

#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>
#include <vector>

namespace hfp {

namespace {

struct Encoder {
    ImageFileFormat format;
    const char* qtFormat;  // nullptr: written with giflib
    std::array<const char*, 4> extensions;
};

constexpr std::array<Encoder, 5> kEncoders{{
    {ImageFileFormat::Bmp, "bmp", {"bmp", "dib", "rle", nullptr}},
    {ImageFileFormat::Jpeg, "jpeg", {"jpg", "jpeg", "jpe", "jfif"}},
    {ImageFileFormat::Gif, nullptr, {"gif", nullptr, nullptr, nullptr}},
    {ImageFileFormat::Tiff, "tiff", {"tif", "tiff", nullptr, nullptr}},
    {ImageFileFormat::Png, "png", {"png", nullptr, nullptr, nullptr}},
}};

const Encoder* EncoderFor(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    if (ext.size() < 2) return nullptr;
    ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Encoder& e : kEncoders)
        for (const char* candidate : e.extensions)
            if (candidate && ext == candidate) return &e;
    return nullptr;
}

int WriteToSaveFile(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<QSaveFile*>(gif->UserData);
    return static_cast<int>(out->write(reinterpret_cast<const char*>(data), length));
}

// Fills `indexed` and `palette` when the image has at most 256 colours.
bool ExactPalette(const std::vector<GifByteType>& red, const std::vector<GifByteType>& green,
                  const std::vector<GifByteType>& blue, std::vector<GifByteType>* indexed,
                  std::array<GifColorType, 256>* palette) {
    std::unordered_map<uint32_t, GifByteType> index;
    for (std::size_t i = 0; i < red.size(); ++i) {
        uint32_t key = (uint32_t{red[i]} << 16) | (uint32_t{green[i]} << 8) | blue[i];
        auto [it, added] = index.try_emplace(key, static_cast<GifByteType>(index.size()));
        if (added) {
            if (index.size() > palette->size()) return false;
            (*palette)[it->second] = {red[i], green[i], blue[i]};
        }
        (*indexed)[i] = it->second;
    }
    return true;
}

// A GIF holds at most 256 colours: the image is quantised to a palette first.
bool WriteGif(const QImage& source, QSaveFile& out, std::string* why) {
    if (source.width() > 65535 || source.height() > 65535) {
        *why = "the image is too large for GIF (65535 pixels at most)";
        return false;
    }
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    const unsigned w = static_cast<unsigned>(image.width());
    const unsigned h = static_cast<unsigned>(image.height());
    const std::size_t n = static_cast<std::size_t>(w) * h;
    std::vector<GifByteType> red(n), green(n), blue(n), indexed(n);
    for (unsigned y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(y)));
        for (unsigned x = 0; x < w; ++x) {
            std::size_t i = static_cast<std::size_t>(y) * w + x;
            red[i] = static_cast<GifByteType>(qRed(line[x]));
            green[i] = static_cast<GifByteType>(qGreen(line[x]));
            blue[i] = static_cast<GifByteType>(qBlue(line[x]));
        }
    }
    // Maps often have few colours: then the palette is exact, else the image is quantised.
    int colours = 256;
    std::array<GifColorType, 256> palette{};
    if (!ExactPalette(red, green, blue, &indexed, &palette) &&
        GifQuantizeBuffer(w, h, &colours, red.data(), green.data(), blue.data(), indexed.data(),
                          palette.data()) == GIF_ERROR) {
        *why = "cannot reduce the image to 256 colours";
        return false;
    }
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToSaveFile, &error);
    if (!gif) {
        *why = GifErrorString(error);
        return false;
    }
    ColorMapObject* map = GifMakeMapObject(256, palette.data());
    bool ok = map &&
              EGifPutScreenDesc(gif, static_cast<int>(w), static_cast<int>(h), 8, 0, map) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(w), static_cast<int>(h), false,
                                nullptr) == GIF_OK;
    for (unsigned y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indexed.data() + static_cast<std::size_t>(y) * w,
                         static_cast<int>(w)) == GIF_OK;
    if (!ok) *why = GifErrorString(gif->Error);
    if (map) GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK && ok) {
        *why = GifErrorString(error);
        ok = false;
    }
    return ok;
}

}  // namespace

ImageFileFormat ImageFormatForFileName(const std::filesystem::path& file) {
    const Encoder* e = EncoderFor(file);
    return e ? e->format : ImageFileFormat::None;
}

bool WriteImageFile(const QImage& image, const std::filesystem::path& file, std::string* error) {
    std::string why;
    const Encoder* encoder = EncoderFor(file);
    if (!encoder) {
        why = "no image encoder for the file name " + file.filename().string();
    } else if (image.isNull()) {
        why = "no image to write";
    } else {
        QSaveFile out(QString::fromStdString(file.string()));
        if (!out.open(QIODevice::WriteOnly)) {
            why = out.errorString().toStdString();
        } else {
            bool ok;
            if (encoder->qtFormat) {
                QImageWriter writer(&out, encoder->qtFormat);
                ok = writer.write(image);
                if (!ok) why = writer.errorString().toStdString();
            } else {
                ok = WriteGif(image, out, &why);
            }
            if (ok && !out.commit()) {
                ok = false;
                why = out.errorString().toStdString();
            }
            if (ok) return true;
            out.cancelWriting();
        }
    }
    if (error) *error = why;
    return false;
}

}  // namespace hfp
