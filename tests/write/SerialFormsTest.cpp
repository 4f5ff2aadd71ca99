// The three serial forms of every class: the binary form of the write file, the memory form of
// the clipboard and the exchange file's text line; their version rules, what the exchange file
// cannot carry, and texts of older files in code page 932.
#include <gtest/gtest.h>

#include "WriteTestUtil.h"
#include "write/CsvFields.h"
#include "write/LegacyText.h"
#include "write/Write.h"

namespace hfp::test {
namespace {

std::string Binary(const CWriteObject& o) {
    ByteWriter out;
    EXPECT_TRUE(o.SaveBinary(out));
    return out.Take();
}

// A fresh object of the same class read back from one form of `o`.
std::unique_ptr<CWriteObject> ViaBinary(const CWriteObject& o) {
    const std::string bytes = Binary(o);
    auto copy = CreateWriteObject(o.m_nType);
    ByteReader in(bytes);
    EXPECT_TRUE(copy->LoadBinary(in, "002"));
    EXPECT_EQ(in.remaining(), 0u);
    copy->m_rcBounds = o.m_rcBounds;  // the write file keeps the bounds outside the body
    return copy;
}

std::unique_ptr<CWriteObject> ViaBuffer(const CWriteObject& o) {
    const std::string bytes = o.ToBuffer();
    auto copy = CreateWriteObject(o.m_nType);
    EXPECT_TRUE(copy->FromBuffer(bytes.data(), bytes.size()));
    return copy;
}

std::unique_ptr<CWriteObject> ViaCsv(const std::string& line, int32_t type) {
    std::vector<std::string> fields;
    EXPECT_TRUE(SplitCsvFields(line, &fields)) << line;
    auto copy = CreateWriteObject(type);
    EXPECT_TRUE(copy->ImportCsv(fields, kCsvVersion)) << line;
    return copy;
}

// Two objects agree in everything their files keep.
void ExpectSame(const CWriteObject& a, const CWriteObject& b) {
    EXPECT_EQ(a.m_nType, b.m_nType);
    EXPECT_EQ(Binary(a), Binary(b));
    EXPECT_EQ(a.m_rcBounds, b.m_rcBounds);
}

// The sizes of the binary and memory layouts that other programs and older files share.
std::pair<std::size_t, std::size_t> BinaryAndBufferSize(const CWriteObject& o) {
    if (auto* line = dynamic_cast<const CWriteObjectLine*>(&o))
        return {20 + 8 * line->m_aPoints.size(), 36 + 8 * line->m_aPoints.size()};
    if (auto* s = dynamic_cast<const CWriteObjectString*>(&o))
        return {93 + s->m_strText.size(), 110 + s->m_strText.size()};
    if (auto* p = dynamic_cast<const CWriteObjectPicture*>(&o))
        return {29 + p->m_strFile.size(), 76 + p->m_strFile.size()};
    return {32, 48};
}

TEST(SerialForms, EveryClassRoundTripsInEveryForm) {
    auto objects = OneOfEach(), west = OneOfEach(-90000000);  // negative longitudes as well
    objects.insert(objects.end(), std::make_move_iterator(west.begin()),
                   std::make_move_iterator(west.end()));
    for (const auto& o : objects) {
        SCOPED_TRACE(o->ExportCsv().substr(0, 60));
        const auto [binarySize, bufferSize] = BinaryAndBufferSize(*o);
        EXPECT_EQ(Binary(*o).size(), binarySize);
        EXPECT_EQ(o->ToBuffer().size(), bufferSize);
        ExpectSame(*o, *ViaBinary(*o));
        ExpectSame(*o, *ViaBuffer(*o));
        // The exchange file carries coordinates inside the service area.
        if (o->m_rcBounds.left < 0) continue;
        std::vector<std::string> lines;
        std::string reason;
        ASSERT_TRUE(o->ExportCsvLines(&lines, &reason)) << reason;
        ASSERT_EQ(lines.size(), 1u);
        ExpectSame(*o, *ViaCsv(lines[0], o->m_nType));
    }
    // Colour bytes R, G, B, 0, then little-endian integers; the exchange file's escapes.
    CWriteObjectRectangle r;
    r.m_crColor = MakeColorref(0x11, 0x22, 0x33);
    r.m_rcShape = WriteShape{-7, 0, 0, 0};
    EXPECT_EQ(Binary(r).substr(0, 5), std::string("\x11\x22\x33\x00\x01", 5));
    EXPECT_EQ(Binary(r).substr(16, 4), std::string("\xF9\xFF\xFF\xFF", 4));
    EXPECT_EQ(OneOfEach()[3]->ExportCsv(),
              "String,0,0,0,100,138450000,35232000,138452000,35233000,\"山小屋, "
              "\\\"hut\\\"\\r\\nline two\",-16,0,0,0,400,0,0,0,128,0,0,0,0,\"IPAPGothic\",1,"
              "16777215");
}

// Exchange files: strings have 24 fields (no background) below version 1.11, 26 from it on;
// the other classes have fixed counts, a line an odd one of at least 9.
TEST(SerialForms, ImportChecksFieldCounts) {
    std::vector<std::string> string;
    ASSERT_TRUE(SplitCsvFields(OneOfEach()[3]->ExportCsv(), &string));
    const std::vector<std::string> old(string.begin(), string.begin() + 24);
    const std::vector<std::string> rect = {"Rectangle", "1",         "2",       "3",
                                           "4",         "0",         "100",     "138435139",
                                           "35214626",  "138443739", "35234626"};
    const std::vector<std::string> line(rect.begin(), rect.begin() + 9);
    struct Case {
        int32_t type;
        std::vector<std::string> fields;
        const char* version;
        bool ok;
    } cases[] = {
        {kWriteString, string, "1.11", true},
        {kWriteString, string, "1.10", false},
        {kWriteString, old, "1.23", false},
        {kWriteString, old, "1.10", true},
        {kWriteRectangle, rect, "1.23", true},
        {kWriteRectangle, line, "1.23", false},
        {kWriteLine, line, "1.23", true},
        {kWriteLine, {rect.begin(), rect.end() - 1}, "1.23", false},    // an even count
        {kWriteLine, {rect.begin(), rect.begin() + 7}, "1.23", false},  // no point
    };
    for (const Case& c : cases)
        EXPECT_EQ(CreateWriteObject(c.type)->ImportCsv(c.fields, c.version), c.ok)
            << c.type << " with " << c.fields.size() << " fields, version " << c.version;
    CWriteObjectString s;
    ASSERT_TRUE(s.ImportCsv(old, "1.10"));
    EXPECT_FALSE(s.m_bBackground);
    EXPECT_EQ(s.m_crBackground, 0xFFFFFFu);
}

// What the program writes to an exchange file it must read back: a connected line too long for
// the reader is split; what cannot be carried is refused with a reason.
TEST(SerialForms, ExportsReadBackOrAreRefused) {
    auto objects = OneOfEach();
    auto& line = static_cast<CWriteObjectLine&>(*objects[0]);
    for (int i = 0; i < 5000; ++i)
        line.m_aPoints.push_back(WritePoint{49943139 + i * 13, 12730626 - i * 17});
    std::vector<std::string> lines;
    std::string reason;
    ASSERT_TRUE(line.ExportCsvLines(&lines, &reason)) << reason;
    ASSERT_GE(lines.size(), 2u);
    std::vector<WritePoint> joined;
    for (const std::string& text : lines) {
        EXPECT_LE(text.size(), kCsvLineLimit);
        const auto read = ViaCsv(text, kWriteLine);
        const auto& piece = static_cast<const CWriteObjectLine&>(*read);
        // Each piece starts where the one before it ended.
        if (!joined.empty()) {
            EXPECT_EQ(piece.m_aPoints.front(), joined.back());
        }
        joined.insert(joined.end(), piece.m_aPoints.begin() + (joined.empty() ? 0 : 1),
                      piece.m_aPoints.end());
    }
    EXPECT_EQ(joined, line.m_aPoints);

    objects = OneOfEach();
    static_cast<CWriteObjectLine&>(*objects[0]).m_aPoints.clear();
    static_cast<CWriteObjectRectangle&>(*objects[1]).m_rcShape.x1 = -100;  // reads back as -1
    static_cast<CWriteObjectString&>(*objects[3]).m_strText = std::string(70000, 's');
    static_cast<CWriteObjectPicture&>(*objects[4]).m_strFile = "/photos/the \"best\" hut.png";
    for (std::size_t i : {0, 1, 3, 4}) {
        lines.clear();
        reason.clear();
        EXPECT_FALSE(objects[i]->ExportCsvLines(&lines, &reason)) << i;
        EXPECT_TRUE(lines.empty());
        EXPECT_FALSE(reason.empty());
    }
}

TEST(SerialForms, CodePage932TextsOfOlderFilesDecode) {
    const std::string sjisMountain = "\x8E\x52";  // 山 in code page 932
    const std::string sjisFace = "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    EXPECT_EQ(TextOfFile(sjisMountain + " hut"), "山 hut");
    EXPECT_EQ(TextOfFile("山 hut"), "山 hut");  // UTF-8 stays as it is
    // A face named in code page 932 maps to the installed font.
    LOGFONTA lf = DefaultLogFont();
    SetFaceName(&lf, sjisFace);
    EXPECT_EQ(FontOfLogFont(lf).families().first(), "IPAPGothic");

    // A write file of version "001": the set name and the string's text in code page 932, the
    // string without a background.
    CWrite write;
    write.AddSet("x");
    auto s = std::make_unique<CWriteObjectString>();
    s->m_strText = sjisMountain;
    s->m_lf = lf;
    write.Set(0).aObjects.push_back(std::move(s));
    std::string bytes = write.SaveBytes();
    bytes.replace(105, 2, sjisMountain);
    bytes.replace(28, 3, "001");
    bytes.resize(bytes.size() - 5);
    CWrite loaded;
    ASSERT_TRUE(loaded.LoadBytes(bytes));
    EXPECT_EQ(loaded.Set(0).szName, "山");
    const auto& text = static_cast<const CWriteObjectString&>(*loaded.Set(0).aObjects[0]);
    EXPECT_EQ(text.m_strText, "山");
    EXPECT_FALSE(text.m_bBackground);
    EXPECT_NE(text.GetStatusText().find("Font:ＭＳ Ｐゴシック"), std::string::npos);
}

}  // namespace
}  // namespace hfp::test
