#include <gtest/gtest.h>

#include "write/LogFont.h"
#include "write/PropertySettings.h"

namespace hfp::test {
namespace {

TEST(PropertySettings, PreviewShrinksToTheAreaKeepingTheShapeAndNeverEnlarges) {
    const QSize area(240, 180);
    struct Case {
        QSize picture, shown;
    } cases[] = {
        {{100, 50}, {100, 50}},    // smaller: its own size
        {{480, 180}, {240, 90}},   // too wide
        {{120, 360}, {60, 180}},   // too tall
        {{960, 960}, {180, 180}},  // too wide, then still too tall
        {{0, 10}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreviewSize(c.picture, area), c.shown)
            << c.picture.width() << "x" << c.picture.height();
}

// The font dialog works on the font a record makes and hands back a font: the record made
// from it must be the one the user sees.
TEST(PropertySettings, FontRecordSurvivesTheFontDialogBothWays) {
    LOGFONTA bold = DefaultLogFont();
    bold.lfHeight = -24;
    bold.lfWeight = 700;
    bold.lfItalic = 1;
    LOGFONTA underlined = DefaultLogFont();
    underlined.lfUnderline = 1;
    underlined.lfStrikeOut = 1;
    underlined.lfEscapement = 900;  // kept: the font does not carry it
    for (const LOGFONTA& lf : {DefaultLogFont(), bold, underlined}) {
        const LOGFONTA back = LogFontOfFont(FontOfLogFont(lf), lf);
        EXPECT_EQ(back, lf) << lf.lfHeight << " " << lf.lfWeight;
    }
    QFont points("DejaVu Sans");
    points.setPointSize(12);
    const LOGFONTA fromPoints = LogFontOfFont(points, DefaultLogFont());
    EXPECT_EQ(fromPoints.lfHeight, -16);
    EXPECT_EQ(FaceNameOf(fromPoints), "DejaVu Sans");
}

}  // namespace
}  // namespace hfp::test
