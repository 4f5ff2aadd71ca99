#include "write/LogFont.h"

#include <QFontMetricsF>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "write/LegacyText.h"

namespace hfp {

namespace {

// Faces that files from Windows name, and the installed font that stands in for each.
struct FaceMapping {
    std::string_view face;
    const char* installed;
};
constexpr FaceMapping kFaceMappings[] = {
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     "IPAPGothic"},  // ＭＳ Ｐゴシック
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     "IPAGothic"},  // ＭＳ ゴシック
    {"MS PGothic", "IPAPGothic"},
    {"MS Gothic", "IPAGothic"},
};

constexpr int kDefaultPixelHeight = 12;

}  // namespace

LOGFONTA DefaultLogFont() {
    LOGFONTA font;
    font.lfHeight = -16;
    font.lfWeight = 400;
    font.lfCharSet = kShiftJisCharSet;
    SetFaceName(&font, kDefaultFaceName);
    return font;
}

std::string FaceNameOf(const LOGFONTA& font) {
    const char* end =
        static_cast<const char*>(std::memchr(font.lfFaceName, 0, LOGFONTA::kFaceSize));
    return std::string(font.lfFaceName,
                       end ? static_cast<std::size_t>(end - font.lfFaceName) : LOGFONTA::kFaceSize);
}

void SetFaceName(LOGFONTA* font, std::string_view name) {
    std::string cut = CutUtf8(name.substr(0, name.find('\0')), LOGFONTA::kFaceSize - 1);
    std::memset(font->lfFaceName, 0, LOGFONTA::kFaceSize);
    std::memcpy(font->lfFaceName, cut.data(), cut.size());
}

void WriteLogFont(ByteWriter& out, const LOGFONTA& font) {
    out.Int32(font.lfHeight);
    out.Int32(font.lfWidth);
    out.Int32(font.lfEscapement);
    out.Int32(font.lfOrientation);
    out.Int32(font.lfWeight);
    for (uint8_t b :
         {font.lfItalic, font.lfUnderline, font.lfStrikeOut, font.lfCharSet, font.lfOutPrecision,
          font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily})
        out.Byte(b);
    out.Bytes(font.lfFaceName, LOGFONTA::kFaceSize);
}

bool ReadLogFont(ByteReader& in, LOGFONTA* font) {
    LOGFONTA f;
    bool ok = in.Int32(&f.lfHeight) && in.Int32(&f.lfWidth) && in.Int32(&f.lfEscapement) &&
              in.Int32(&f.lfOrientation) && in.Int32(&f.lfWeight) && in.Byte(&f.lfItalic) &&
              in.Byte(&f.lfUnderline) && in.Byte(&f.lfStrikeOut) && in.Byte(&f.lfCharSet) &&
              in.Byte(&f.lfOutPrecision) && in.Byte(&f.lfClipPrecision) && in.Byte(&f.lfQuality) &&
              in.Byte(&f.lfPitchAndFamily) && in.Bytes(f.lfFaceName, LOGFONTA::kFaceSize);
    if (ok) *font = f;
    return ok;
}

LOGFONTA LogFontOfFont(const QFont& font, const LOGFONTA& base) {
    LOGFONTA lf = base;
    // The dialog gives points where the font was made in pixels; the screen's 96 dots per inch
    // turn one into the other, as the record's heights are pixels of the view at its scale.
    const int pixels = font.pixelSize() > 0
                           ? font.pixelSize()
                           : static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
    lf.lfHeight = -std::max(pixels, 1);
    lf.lfWeight = font.weight();
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = font.underline() ? 1 : 0;
    lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
    lf.lfCharSet = kShiftJisCharSet;
    // A font made from a record lists its fallbacks after its own face.
    const QString family = font.families().isEmpty() ? font.family() : font.families().front();
    SetFaceName(&lf, family.toStdString());
    return lf;
}

QFont FontOfLogFont(const LOGFONTA& lf) {
    // Older files name the face in code page 932.
    std::string face = TextOfFile(FaceNameOf(lf));
    for (const FaceMapping& m : kFaceMappings) {
        if (face == m.face) {
            face = m.installed;
            break;
        }
    }
    QStringList families;
    if (!face.empty())
        families << QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    families << kDefaultFaceName << "IPAGothic"
             << "Noto Sans CJK JP";
    QFont font;
    font.setFamilies(families);

    switch (lf.lfPitchAndFamily & 0xF0) {
        case 0x10:
            font.setStyleHint(QFont::Serif);
            break;
        case 0x20:
            font.setStyleHint(QFont::SansSerif);
            break;
        case 0x30:
            font.setStyleHint(QFont::TypeWriter);
            break;
        case 0x40:
            font.setStyleHint(QFont::Cursive);
            break;
        case 0x50:
            font.setStyleHint(QFont::Decorative);
            break;
        default:
            break;
    }
    if ((lf.lfPitchAndFamily & 0x03) == 1) font.setFixedPitch(true);
    if (lf.lfWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(lf.lfWeight, 1, 1000)));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfQuality == 3) font.setStyleStrategy(QFont::NoAntialias);  // non-antialiased quality

    // A negative height is the character (em) height; a positive one the cell height, ascent
    // plus descent, which the em height is scaled to meet.
    const int64_t height = lf.lfHeight;
    int pixels = kDefaultPixelHeight;
    if (height < 0) pixels = static_cast<int>(std::min<int64_t>(-height, 10000));
    if (height > 0) pixels = static_cast<int>(std::min<int64_t>(height, 10000));
    font.setPixelSize(std::max(pixels, 1));
    if (height > 0) {
        QFontMetricsF metrics(font);
        qreal cell = metrics.ascent() + metrics.descent();
        if (cell > 0) font.setPixelSize(std::max(1, static_cast<int>(pixels * pixels / cell)));
    }
    return font;
}

}  // namespace hfp
