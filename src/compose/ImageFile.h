#pragma once

#include <filesystem>
#include <string>

namespace hfp {

class CDivBitmap;

enum class ImageFileFormat { None, Bmp, Jpeg, Gif, Tiff, Png };

// The format whose extension list matches the file name (case-insensitively), as the image
// encoders know them: BMP (*.bmp, *.dib, *.rle), JPEG (*.jpg, *.jpeg, *.jpe, *.jfif),
// GIF (*.gif), TIFF (*.tif, *.tiff) and PNG (*.png). None when no encoder takes the name.
ImageFileFormat ImageFormatForFileName(const std::filesystem::path& file);

// Writes the banded bitmap `map` with the encoder that the file name's extension chooses, as
// the system's encoders write by default: 24-bit BMP, JPEG of quality 75, GIF of at most 256
// colours, uncompressed RGB TIFF (BigTIFF past 4 GB), RGB PNG (zlib's default level, each row
// filtered against the one above).
//
// BMP, JPEG, TIFF and PNG are encoded a band of rows at a time, so that besides the bitmap only
// a band is held, whatever the file's size; GIF, which needs one palette for the whole image,
// holds the image's colour planes. The bytes go to a temporary file beside `file`, which
// replaces `file` only when the whole image was written: on failure `error` (when given) says
// why and an existing file is left as it was.
bool WriteImageFile(const CDivBitmap& map, const std::filesystem::path& file,
                    std::string* error = nullptr);

}  // namespace hfp
