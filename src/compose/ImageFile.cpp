#include "compose/ImageFile.h"

// libjpeg's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <QImage>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <csetjmp>
#include <cstdarg>
#include <functional>
#include <unordered_map>
#include <vector>

#include "compose/DivBitmap.h"

namespace hfp {

namespace {

// A band's pixels are read as bytes blue, green, red, unused: QImage::Format_RGB32 in the
// memory of a little-endian machine.
static_assert(std::endian::native == std::endian::little);

// Rows per band: a band of a 99999-pixel-wide map is 100 MB.
constexpr int kBandRows = 256;
// What BMP's and TIFF's 32-bit sizes and offsets can count.
constexpr uint64_t kMax32BitFile = 0xFFFFFFFFu;

using Writer = bool (*)(const CDivBitmap& map, QSaveFile& out, std::string* why);

struct Encoder {
    ImageFileFormat format;
    Writer write;
    std::array<const char*, 4> extensions;
};

bool Put(QSaveFile& out, const void* data, std::size_t size) {
    return out.write(static_cast<const char*>(data), static_cast<qint64>(size)) ==
           static_cast<qint64>(size);
}

// Hands the map to `take` a band at a time, from the top down or from the bottom up: `band`
// is the map's width wide, its first `rows` rows being the map's rows from `top` on.
bool ForEachBand(const CDivBitmap& map, bool bottomUp, std::string* why,
                 const std::function<bool(const QImage& band, int top, int rows)>& take) {
    const int height = map.height();
    QImage band(map.width(), std::min(kBandRows, height), QImage::Format_RGB32);
    if (band.isNull()) {
        *why = "not enough memory for a band of " + std::to_string(map.width()) + " pixels";
        return false;
    }
    const int bands = (height + kBandRows - 1) / kBandRows;
    for (int i = 0; i < bands; ++i) {
        const int top = (bottomUp ? bands - 1 - i : i) * kBandRows;
        map.BlitInto(band, 0, -top);
        if (!take(band, top, std::min(kBandRows, height - top))) return false;
    }
    return true;
}

// A row's pixels without their unused byte: red, green, blue, or with `bgr` blue, green, red.
void PackRow(const uchar* bgrx, int width, bool bgr, uint8_t* packed) {
    const int first = bgr ? 0 : 2;
    for (int x = 0; x < width; ++x, bgrx += 4, packed += 3) {
        packed[0] = bgrx[first];
        packed[1] = bgrx[1];
        packed[2] = bgrx[2 - first];
    }
}

// --- BMP: 24 bits a pixel, rows bottom up and padded to four bytes.

void PutLittle(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool WriteBmp(const CDivBitmap& map, QSaveFile& out, std::string* why) {
    constexpr uint32_t kHeaderSize = 14 + 40;
    constexpr uint32_t kPixelsPerMeter = 3780;  // 96 dots per inch
    const int width = map.width();
    const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
    const uint64_t imageSize = stride * static_cast<uint64_t>(map.height());
    if (kHeaderSize + imageSize > kMax32BitFile) {
        *why = "the image is too large for BMP (4 GB at most)";
        return false;
    }
    uint8_t header[kHeaderSize] = {'B', 'M'};
    PutLittle(header + 2, static_cast<uint32_t>(kHeaderSize + imageSize), 4);
    PutLittle(header + 10, kHeaderSize, 4);
    PutLittle(header + 14, 40, 4);
    PutLittle(header + 18, static_cast<uint32_t>(width), 4);
    PutLittle(header + 22, static_cast<uint32_t>(map.height()), 4);
    PutLittle(header + 26, 1, 2);   // planes
    PutLittle(header + 28, 24, 2);  // bits per pixel, no compression
    PutLittle(header + 34, static_cast<uint32_t>(imageSize), 4);
    PutLittle(header + 38, kPixelsPerMeter, 4);
    PutLittle(header + 42, kPixelsPerMeter, 4);
    if (!Put(out, header, sizeof header)) {
        *why = out.errorString().toStdString();
        return false;
    }
    // The bands from the bottom up, each turned over, so that the file is written in order.
    std::vector<uint8_t> rows(stride * std::min(kBandRows, map.height()));
    return ForEachBand(map, true, why, [&](const QImage& band, int, int count) {
        for (int r = 0; r < count; ++r)
            PackRow(band.constScanLine(count - 1 - r), width, true, rows.data() + r * stride);
        if (Put(out, rows.data(), count * stride)) return true;
        *why = out.errorString().toStdString();
        return false;
    });
}

// --- PNG through libpng's row writer. libpng reports errors by a long jump: the functions
// that set its jump target hold nothing that needs destroying.

struct PngOutput {
    QSaveFile* out;
    std::string* why;
};

void PngWrite(png_structp png, png_bytep data, std::size_t size) {
    auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
    if (Put(*output->out, data, size)) return;
    *output->why = output->out->errorString().toStdString();
    png_longjmp(png, 1);
}

void PngFlush(png_structp) {}

void PngFail(png_structp png, png_const_charp message) {
    *static_cast<PngOutput*>(png_get_error_ptr(png))->why = message;
    png_longjmp(png, 1);
}

bool PngStart(png_structp png, png_infop info, int width, int height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Each row against the row above only: on maps of flat colours the file is within about
    // a percent of what trying every filter on every row gives, in little more than half the
    // time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // dropped on writing
    return true;
}

bool PngRows(png_structp png, const QImage* band, int count) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int r = 0; r < count; ++r)
        png_write_row(png, band->constScanLine(r));
    return true;
}

bool PngEnd(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, info);
    return true;
}

bool WritePng(const CDivBitmap& map, QSaveFile& out, std::string* why) {
    PngOutput output{&out, why};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output, PngFail, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr;
    if (ok) {
        png_set_write_fn(png, &output, PngWrite, PngFlush);
        ok = PngStart(png, info, map.width(), map.height()) &&
             ForEachBand(
                 map, false, why,
                 [&](const QImage& band, int, int count) { return PngRows(png, &band, count); }) &&
             PngEnd(png, info);
    } else {
        *why = "not enough memory for the PNG encoder";
    }
    png_destroy_write_struct(&png, &info);
    return ok;
}

// --- JPEG through libjpeg's scanline writer, errors again by a long jump.

struct JpegOutput {
    jpeg_error_mgr errors;
    jpeg_destination_mgr destination;
    std::jmp_buf failed;
    QSaveFile* out;
    std::string* why;
    std::array<JOCTET, 1 << 16> buffer;
};

JpegOutput* OutputOf(j_compress_ptr jpeg) {
    return static_cast<JpegOutput*>(jpeg->client_data);
}

void JpegFail(j_common_ptr jpeg) {
    auto* output = static_cast<JpegOutput*>(jpeg->client_data);
    char message[JMSG_LENGTH_MAX];
    jpeg->err->format_message(jpeg, message);
    *output->why = message;
    std::longjmp(output->failed, 1);
}

void JpegStartOutput(j_compress_ptr jpeg) {
    JpegOutput* output = OutputOf(jpeg);
    jpeg->dest->next_output_byte = output->buffer.data();
    jpeg->dest->free_in_buffer = output->buffer.size();
}

boolean JpegFlushBuffer(j_compress_ptr jpeg) {
    JpegOutput* output = OutputOf(jpeg);
    if (!Put(*output->out, output->buffer.data(), output->buffer.size()))
        ERREXIT(jpeg, JERR_FILE_WRITE);
    JpegStartOutput(jpeg);
    return TRUE;
}

void JpegEndOutput(j_compress_ptr jpeg) {
    JpegOutput* output = OutputOf(jpeg);
    const std::size_t used = output->buffer.size() - jpeg->dest->free_in_buffer;
    if (!Put(*output->out, output->buffer.data(), used)) ERREXIT(jpeg, JERR_FILE_WRITE);
}

bool JpegStart(j_compress_ptr jpeg, int width, int height) {
    if (setjmp(OutputOf(jpeg)->failed)) return false;
    jpeg->image_width = static_cast<JDIMENSION>(width);
    jpeg->image_height = static_cast<JDIMENSION>(height);
    jpeg->input_components = 4;
    jpeg->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(jpeg);
    jpeg_start_compress(jpeg, TRUE);
    return true;
}

bool JpegRows(j_compress_ptr jpeg, JSAMPROW* rows, int count) {
    if (setjmp(OutputOf(jpeg)->failed)) return false;
    for (JDIMENSION done = 0; done < static_cast<JDIMENSION>(count);)
        done += jpeg_write_scanlines(jpeg, rows + done, static_cast<JDIMENSION>(count) - done);
    return true;
}

bool JpegEnd(j_compress_ptr jpeg) {
    if (setjmp(OutputOf(jpeg)->failed)) return false;
    jpeg_finish_compress(jpeg);
    return true;
}

bool WriteJpeg(const CDivBitmap& map, QSaveFile& out, std::string* why) {
    auto output = std::make_unique<JpegOutput>();
    output->out = &out;
    output->why = why;
    jpeg_compress_struct jpeg{};
    jpeg.err = jpeg_std_error(&output->errors);
    output->errors.error_exit = JpegFail;
    jpeg.client_data = output.get();
    if (setjmp(output->failed)) return false;  // jpeg_create_compress fails only on memory
    jpeg_create_compress(&jpeg);
    output->destination.init_destination = JpegStartOutput;
    output->destination.empty_output_buffer = JpegFlushBuffer;
    output->destination.term_destination = JpegEndOutput;
    jpeg.dest = &output->destination;
    std::vector<JSAMPROW> rows(kBandRows);
    const bool ok = JpegStart(&jpeg, map.width(), map.height()) &&
                    ForEachBand(map, false, why,
                                [&](const QImage& band, int, int count) {
                                    for (int r = 0; r < count; ++r)
                                        rows[static_cast<std::size_t>(r)] =
                                            const_cast<JSAMPROW>(band.constScanLine(r));
                                    return JpegRows(&jpeg, rows.data(), count);
                                }) &&
                    JpegEnd(&jpeg);
    jpeg_destroy_compress(&jpeg);
    return ok;
}

// --- TIFF through libtiff's strips, into the temporary file by its client procedures.

QSaveFile* FileOf(thandle_t handle) {
    return static_cast<QSaveFile*>(handle);
}

tmsize_t TiffRead(thandle_t, void*, tmsize_t) {
    return -1;
}

tmsize_t TiffWrite(thandle_t handle, void* data, tmsize_t size) {
    return Put(*FileOf(handle), data, static_cast<std::size_t>(size)) ? size : -1;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    QSaveFile* file = FileOf(handle);
    const qint64 base = whence == SEEK_CUR ? file->pos() : whence == SEEK_END ? file->size() : 0;
    const qint64 at = base + static_cast<qint64>(offset);
    return file->seek(at) ? static_cast<toff_t>(at) : static_cast<toff_t>(-1);
}

int TiffClose(thandle_t) {
    return 0;
}

toff_t TiffSize(thandle_t handle) {
    return static_cast<toff_t>(FileOf(handle)->size());
}

int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}

void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffFail(TIFF*, void* why, const char* module, const char* format, va_list args) {
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    auto* text = static_cast<std::string*>(why);
    if (text->empty()) *text = std::string(module ? module : "TIFF") + ": " + message;
    return 1;
}

bool WriteTiff(const CDivBitmap& map, QSaveFile& out, std::string* why) {
    const int width = map.width();
    const uint64_t pixelBytes = uint64_t{3} * static_cast<uint64_t>(width) * map.height();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffFail, why);
    // Classic TIFF counts in 32 bits; a bigger image is written as BigTIFF.
    TIFF* tiff = TIFFClientOpenExt("image", pixelBytes + (1 << 20) > kMax32BitFile ? "w8" : "w",
                                   &out, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                   TiffMap, TiffUnmap, options);
    TIFFOpenOptionsFree(options);
    if (!tiff) {
        if (why->empty()) *why = "cannot start the TIFF encoder";
        return false;
    }
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width)) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(map.height())) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
    ok = ok && ForEachBand(map, false, why, [&](const QImage& band, int top, int count) {
             for (int r = 0; r < count; ++r) {
                 PackRow(band.constScanLine(r), width, false, row.data());
                 if (TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(top + r), 0) < 0)
                     return false;
             }
             return true;
         });
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    if (!ok && why->empty()) *why = "cannot write the TIFF file";
    return ok;
}

// --- GIF: one palette for the whole image, so its colour planes are held whole.

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

bool WriteGif(const CDivBitmap& map, QSaveFile& out, std::string* why) {
    if (map.width() > 65535 || map.height() > 65535) {
        *why = "the image is too large for GIF (65535 pixels at most)";
        return false;
    }
    const unsigned w = static_cast<unsigned>(map.width());
    const unsigned h = static_cast<unsigned>(map.height());
    const std::size_t n = static_cast<std::size_t>(w) * h;
    std::vector<GifByteType> red, green, blue, indexed;
    try {
        for (auto* plane : {&red, &green, &blue, &indexed})
            plane->resize(n);
    } catch (const std::bad_alloc&) {
        *why = "not enough memory for the colours of a GIF image this large";
        return false;
    }
    const bool read = ForEachBand(map, false, why, [&](const QImage& band, int top, int count) {
        for (int r = 0; r < count; ++r) {
            const auto* line = reinterpret_cast<const QRgb*>(band.constScanLine(r));
            const std::size_t start = static_cast<std::size_t>(top + r) * w;
            for (unsigned x = 0; x < w; ++x) {
                red[start + x] = static_cast<GifByteType>(qRed(line[x]));
                green[start + x] = static_cast<GifByteType>(qGreen(line[x]));
                blue[start + x] = static_cast<GifByteType>(qBlue(line[x]));
            }
        }
        return true;
    });
    if (!read) return false;
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
    ColorMapObject* colourMap = GifMakeMapObject(256, palette.data());
    bool ok = colourMap && EGifPutScreenDesc(gif, static_cast<int>(w), static_cast<int>(h), 8, 0,
                                             colourMap) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(w), static_cast<int>(h), false,
                                nullptr) == GIF_OK;
    for (unsigned y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indexed.data() + static_cast<std::size_t>(y) * w,
                         static_cast<int>(w)) == GIF_OK;
    if (!ok) *why = GifErrorString(gif->Error);
    if (colourMap) GifFreeMapObject(colourMap);
    if (EGifCloseFile(gif, &error) != GIF_OK && ok) {
        *why = GifErrorString(error);
        ok = false;
    }
    return ok;
}

constexpr std::array<Encoder, 5> kEncoders{{
    {ImageFileFormat::Bmp, WriteBmp, {"bmp", "dib", "rle", nullptr}},
    {ImageFileFormat::Jpeg, WriteJpeg, {"jpg", "jpeg", "jpe", "jfif"}},
    {ImageFileFormat::Gif, WriteGif, {"gif", nullptr, nullptr, nullptr}},
    {ImageFileFormat::Tiff, WriteTiff, {"tif", "tiff", nullptr, nullptr}},
    {ImageFileFormat::Png, WritePng, {"png", nullptr, nullptr, nullptr}},
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

}  // namespace

ImageFileFormat ImageFormatForFileName(const std::filesystem::path& file) {
    const Encoder* e = EncoderFor(file);
    return e ? e->format : ImageFileFormat::None;
}

bool WriteImageFile(const CDivBitmap& map, const std::filesystem::path& file, std::string* error) {
    std::string why;
    const Encoder* encoder = EncoderFor(file);
    if (!encoder) {
        why = "no image encoder for the file name " + file.filename().string();
    } else if (map.empty()) {
        why = "no image to write";
    } else {
        QSaveFile out(QString::fromStdString(file.string()));
        if (!out.open(QIODevice::WriteOnly)) {
            why = out.errorString().toStdString();
        } else {
            bool ok = encoder->write(map, out, &why);
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
