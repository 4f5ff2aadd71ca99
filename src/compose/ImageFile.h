#pragma once

#include <QImage>
#include <filesystem>
#include <string>

namespace hfp {

enum class ImageFileFormat { None, Bmp, Jpeg, Gif, Tiff, Png };

// The format whose extension list matches the file name (case-insensitively), as the image
// encoders know them: BMP (*.bmp, *.dib, *.rle), JPEG (*.jpg, *.jpeg, *.jpe, *.jfif),
// GIF (*.gif), TIFF (*.tif, *.tiff) and PNG (*.png). None when no encoder takes the name.
ImageFileFormat ImageFormatForFileName(const std::filesystem::path& file);

// Writes `image` with the encoder that the file name's extension chooses, with that
// encoder's default parameters. The file is replaced only when the whole image was encoded;
// on failure `error` (when given) says why and an existing file is left as it was.
bool WriteImageFile(const QImage& image, const std::filesystem::path& file,
                    std::string* error = nullptr);

}  // namespace hfp
