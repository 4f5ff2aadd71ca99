#include "geo/CoordinateText.h"

#include <gtest/gtest.h>

namespace hfp {
namespace {

TEST(CoordinateText, FormatPacksDigits) {
    EXPECT_EQ(FormatCoordinateText(12730626), "35214626");
    EXPECT_EQ(FormatCoordinateText(49943124), "138435124");
    EXPECT_EQ(FormatCoordinateText(0), "00000000");
    EXPECT_EQ(FormatCoordinateText(7200000 + 6000 + 100 + 1), "20010101");
}

TEST(CoordinateText, PackedDigitsRoundTrip) {
    EXPECT_EQ(ParseCoordinateText("35214626", false), 12730626);
    EXPECT_EQ(ParseCoordinateText("138435124", true), 49943124);
    for (int32_t v : {7200000, 12730626, 16199999}) {
        EXPECT_EQ(ParseCoordinateText(FormatCoordinateText(v), false), v);
    }
    for (int32_t v : {43920000, 49943139, 55079999}) {
        EXPECT_EQ(ParseCoordinateText(FormatCoordinateText(v), true), v);
    }
    // Short texts read missing pieces as zero; blanks around the text are trimmed.
    EXPECT_EQ(ParseCoordinateText("35", false), 35 * 360000);
    EXPECT_EQ(ParseCoordinateText("  3521 \t", false), 35 * 360000 + 21 * 6000);
    EXPECT_EQ(ParseCoordinateText("138", true), 138 * 360000);
}

TEST(CoordinateText, DecimalDegrees) {
    EXPECT_EQ(ParseCoordinateText("35.5", false), 12780000);
    // 0.7309° is 43' 51.24", but the fraction of a minute is truncated after the binary
    // rounding of 0.854 * 60: stored coordinates rely on exactly this reading.
    EXPECT_EQ(ParseCoordinateText("138.7309", true), 138 * 360000 + 43 * 6000 + 5123);
    EXPECT_EQ(ParseCoordinateText("35.", false), 35 * 360000);
    EXPECT_EQ(ParseCoordinateText("19.5", false), -1);
    EXPECT_EQ(ParseCoordinateText("154.0", true), -1);
    EXPECT_EQ(ParseCoordinateText("35.5.1", false), -1);
    EXPECT_EQ(ParseCoordinateText("35.5'", false), -1);
}

TEST(CoordinateText, MarkedForms) {
    const int32_t expected = 49943124;
    EXPECT_EQ(ParseCoordinateText("138°43'51\"24", true), expected);
    EXPECT_EQ(ParseCoordinateText("138度43分51秒24", true), expected);
    EXPECT_EQ(ParseCoordinateText("138°43′51″24", true), expected);
    EXPECT_EQ(ParseCoordinateText("138\xDF"
                                  "43'51\"24",
                                  true),
              expected);
    EXPECT_EQ(ParseCoordinateText("138度43'51″", true), expected - 24);
    // Only the two characters after the second mark are hundredths.
    EXPECT_EQ(ParseCoordinateText("138°43'51\"2499", true), expected);
    EXPECT_EQ(ParseCoordinateText("35°21'46\"26", false), 12730626);
}

TEST(CoordinateText, RejectedTexts) {
    for (const char* text : {
             "",                // nothing
             "abc",             // foreign characters
             "-35.5",           // a sign is not a digit
             "35 21",           // inner blank
             "138°43'",         // no second mark
             "138°43'51\"24'",  // two minute marks
             "138'43°51\"",     // marks out of order
             "3521'46",         // minute mark without a degree mark
             "35214626\"",      // second mark without a degree mark
             "１３８.５",       // full-width digits
         }) {
        EXPECT_EQ(ParseCoordinateText(text, true), -1) << text;
    }
    // Range of whole degrees per mode.
    EXPECT_EQ(ParseCoordinateText("121.99", true), -1);
    EXPECT_EQ(ParseCoordinateText("122", true), 122 * 360000);
    EXPECT_EQ(ParseCoordinateText("153.99", true), 153 * 360000 + 59 * 6000 + 2399);
    EXPECT_EQ(ParseCoordinateText("20", false), 20 * 360000);
    EXPECT_EQ(ParseCoordinateText("45.99", false), 45 * 360000 + 59 * 6000 + 2399);
    EXPECT_EQ(ParseCoordinateText("46", false), -1);
    // Huge digit runs do not overflow into the range.
    EXPECT_EQ(ParseCoordinateText("99999999999999999999.5", false), -1);
    EXPECT_EQ(ParseCoordinateText("99999999999999999999°1'1\"", true), -1);
}

}  // namespace
}  // namespace hfp
