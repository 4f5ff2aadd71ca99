#include "print/LabelFont.h"

#include "write/LogFont.h"

namespace hfp {

namespace {

// "ＭＳ Ｐゴシック", which FontOfLogFont maps to the installed Japanese gothic.
constexpr const char* kPrintFace =
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";
constexpr int kNormalWeight = 400;
constexpr uint8_t kDraftQuality = 1;

}  // namespace

QFont PrintLabelFont(int height) {
    LOGFONTA lf;
    lf.lfHeight = height;
    lf.lfWeight = kNormalWeight;
    lf.lfCharSet = kShiftJisCharSet;
    lf.lfQuality = kDraftQuality;
    SetFaceName(&lf, kPrintFace);
    return FontOfLogFont(lf);
}

}  // namespace hfp
