#pragma once

#include <QFont>
#include <cstdint>
#include <string>
#include <string_view>

#include "write/ByteStream.h"

namespace hfp {

// A font as the write objects and their files describe it: the 60-byte record of the
// platform font description (five 32-bit fields, eight bytes, a 32-byte face name). It is kept
// as it is in every file; FontOfLogFont turns it into the font that draws.
struct LOGFONTA {
    static constexpr std::size_t kFaceSize = 32;
    static constexpr std::size_t kRecordSize = 60;

    int32_t lfHeight = 0;  // < 0: character height in pixels; > 0: cell height; 0: default
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;  // 0 default, 400 normal, 700 bold
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char lfFaceName[kFaceSize] = {};

    friend bool operator==(const LOGFONTA&, const LOGFONTA&) = default;
};

// The face of the program's texts (the system's Japanese proportional gothic).
inline constexpr const char* kDefaultFaceName = "IPAPGothic";
// The character set value of Japanese fonts.
inline constexpr uint8_t kShiftJisCharSet = 128;

// The font a new string starts with: 16 pixels high, normal weight, Japanese, IPAPGothic.
LOGFONTA DefaultLogFont();

// The face name up to its terminator (at most 31 bytes; a name without one stops at 32).
std::string FaceNameOf(const LOGFONTA& font);
// Sets the face name, cut to 31 bytes without splitting a UTF-8 sequence.
void SetFaceName(LOGFONTA* font, std::string_view name);

void WriteLogFont(ByteWriter& out, const LOGFONTA& font);
bool ReadLogFont(ByteReader& in, LOGFONTA* font);

// The font that draws a LOGFONTA at one pixel per logical unit. Faces of the Windows world are
// mapped to the fonts installed here ("ＭＳ Ｐゴシック" becomes IPAPGothic), and every font
// falls back to an installed Japanese font for characters its face lacks.
QFont FontOfLogFont(const LOGFONTA& font);
// The record of a font chosen in the font dialog: its family, pixel height (as a character
// height), weight, italic, underline and strike-out; the fields a font does not carry (width,
// escapement, precisions, quality) are kept from `base`. The character set is the Japanese
// one, which the strings' texts need.
LOGFONTA LogFontOfFont(const QFont& font, const LOGFONTA& base);

}  // namespace hfp
