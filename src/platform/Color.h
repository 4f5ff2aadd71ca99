#pragma once

#include <QColor>
#include <cstdint>

namespace hfp {

// Colours are kept as COLORREF values, 0x00BBGGRR, in memory, in settings and in files.
using COLORREF = uint32_t;

constexpr COLORREF MakeColorref(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// An opacity percentage (0..100) as an alpha byte, percent x 2.55 truncated: 100 gives 255, 50
// gives 127. Integer arithmetic, because 100 * 2.55 in binary floating point is just below 255.
constexpr int AlphaOfOpacity(int percent) {
    return (percent * 255 / 100) & 0xFF;
}

inline QColor ToQColor(COLORREF c, int opacityPercent = 100) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c), AlphaOfOpacity(opacityPercent));
}
inline COLORREF FromQRgb(QRgb rgb) {
    return MakeColorref(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

}  // namespace hfp
