// The three serial forms of every class: the binary form of the write file, the memory form of
// the clipboard and the exchange file's text line; their version rules, damaged data, what the
// exchange file cannot carry, and texts of older files in code page 932.
#include <gtest/gtest.h>

#include <functional>

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

// Objects at the ends of every range: the binary and memory forms carry them as they are.
std::vector<std::unique_ptr<CWriteObject>> Extremes() {
    std::vector<std::unique_ptr<CWriteObject>> objects;
    auto line = std::make_unique<CWriteObjectLine>();
    line->m_crColor = MakeColorref(255, 0, 128);
    line->m_nSize = INT32_MAX;
    line->m_nStyle = 4;
    line->m_nTransparency = 0;
    for (int i = 0; i < 5000; ++i)
        line->m_aPoints.push_back(WritePoint{-1000000 + i * 7919, INT32_MIN + i});
    line->m_aPoints.push_back(WritePoint{INT32_MAX, -1});
    objects.push_back(std::move(line));
    auto ellipse = std::make_unique<CWriteObjectEllipse>();
    ellipse->m_rcShape = WriteShape{INT32_MAX, INT32_MIN, 0, 0};
    objects.push_back(std::move(ellipse));
    for (const std::string& text : {std::string(), std::string(4000, 'x')}) {
        auto s = std::make_unique<CWriteObjectString>();
        s->m_rcShape = WriteShape{-500, -600, INT32_MAX, 0};
        s->m_lf.lfQuality = 255;
        SetFaceName(&s->m_lf, std::string(31, 'F'));
        s->m_strText = text;
        objects.push_back(std::move(s));
        auto p = std::make_unique<CWriteObjectPicture>();
        p->m_rcShape = WriteShape{INT32_MIN, -1, -2, 5};
        p->m_strFile = text;
        p->m_crColorKey = 0xFFFFFFFF;
        objects.push_back(std::move(p));
    }
    for (auto& o : objects)
        o->UpdateBounds();
    return objects;
}

// The sizes of the layouts that other programs and older files share.
std::pair<std::size_t, std::size_t> BinaryAndBufferSize(const CWriteObject& o) {
    switch (o.m_nType) {
        case kWriteLine: {
            const std::size_t n = static_cast<const CWriteObjectLine&>(o).m_aPoints.size();
            return {20 + 8 * n, 36 + 8 * n};
        }
        case kWriteString: {
            const std::size_t l = static_cast<const CWriteObjectString&>(o).m_strText.size();
            return {24 + 60 + 4 + l + 5, 110 + l};
        }
        case kWritePicture: {
            const std::size_t l = static_cast<const CWriteObjectPicture&>(o).m_strFile.size();
            return {20 + 4 + l + 5, 76 + l};
        }
        default:
            return {32, 48};
    }
}

TEST(SerialForms, EveryClassRoundTripsInEveryForm) {
    const auto extremes = Extremes(), inArea = OneOfEach();
    for (const auto* list : {&extremes, &inArea}) {
        for (const auto& o : *list) {
            SCOPED_TRACE(o->ExportCsv().substr(0, 60));
            const auto [binarySize, bufferSize] = BinaryAndBufferSize(*o);
            EXPECT_EQ(Binary(*o).size(), binarySize);
            EXPECT_EQ(o->ToBuffer().size(), bufferSize);
            ExpectSame(*o, *ViaBinary(*o));
            ExpectSame(*o, *ViaBuffer(*o));
            if (o->m_nType == kWritePicture) {
                // A picture read from a file stamps its own size.
                EXPECT_EQ(static_cast<CWriteObjectPicture&>(*ViaBinary(*o)).m_rcStamp,
                          static_cast<CWriteObjectPicture&>(*o).m_rcShape);
            }
            // The exchange file carries coordinates inside the service area.
            if (list == &extremes) continue;
            std::vector<std::string> lines;
            std::string reason;
            ASSERT_TRUE(o->ExportCsvLines(&lines, &reason)) << reason;
            ASSERT_EQ(lines.size(), 1u);
            ExpectSame(*o, *ViaCsv(lines[0], o->m_nType));
        }
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

TEST(SerialForms, VersionRules) {
    CWriteObjectString s;
    s.m_strText = "old";
    s.m_bBackground = true;
    s.m_crBackground = 0;
    // A version "001" body has no background: it loads disabled and white.
    std::string bytes = Binary(s);
    bytes.resize(bytes.size() - 5);
    CWriteObjectString old;
    ByteReader in(bytes);
    ASSERT_TRUE(old.LoadBinary(in, "001"));
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_FALSE(old.m_bBackground);
    EXPECT_EQ(old.m_crBackground, 0xFFFFFFu);
    ByteReader again(bytes);
    EXPECT_FALSE(CWriteObjectString().LoadBinary(again, "002"));

    // Exchange files: 24 fields only below version 1.11.
    s.m_rcShape = WriteShape{49943139, 12730626, 49953139, 12740626};
    std::vector<std::string> fields;
    ASSERT_TRUE(SplitCsvFields(s.ExportCsv(), &fields));
    ASSERT_EQ(fields.size(), 26u);
    std::vector<std::string> short24(fields.begin(), fields.begin() + 24);
    CWriteObjectString a;
    EXPECT_FALSE(a.ImportCsv(short24, "1.23"));
    EXPECT_FALSE(a.ImportCsv(fields, "1.10"));
    ASSERT_TRUE(a.ImportCsv(short24, "1.10"));
    EXPECT_FALSE(a.m_bBackground);
    EXPECT_EQ(a.m_crBackground, 0xFFFFFFu);
    EXPECT_TRUE(a.ImportCsv(fields, "1.11"));
    EXPECT_TRUE(a.m_bBackground);

    // The face name is cut to 31 bytes, never inside a character.
    fields[23] = std::string(30, 'a') + "ゴ";
    ASSERT_TRUE(a.ImportCsv(fields, "1.23"));
    EXPECT_EQ(FaceNameOf(a.m_lf), std::string(30, 'a'));
}

TEST(SerialForms, ImportRejectsWrongFieldCounts) {
    const std::vector<std::string> rect = {"Rectangle", "1",         "2",       "3",
                                           "4",         "0",         "100",     "138435139",
                                           "35214626",  "138443739", "35234626"};
    const std::vector<std::string> line(rect.begin(), rect.begin() + 9);
    struct Case {
        int32_t type;
        std::vector<std::string> fields;
        bool ok;
    };
    const Case cases[] = {
        {kWriteRectangle, rect, true},
        {kWriteRectangle, {rect.begin(), rect.end() - 1}, false},
        {kWriteRectangle,
         [&] {
             auto f = rect;
             f.push_back("1");
             return f;
         }(),
         false},
        {kWriteLine, line, true},  // one point is enough to read
        {kWriteLine, {line.begin(), line.end() - 1}, false},
        {kWriteLine, {line.begin(), line.end() - 2}, false},
        {kWriteLine, {rect.begin(), rect.end() - 1}, false},  // an even count
        {kWritePicture, {"Picture", "100", "1", "2", "3", "4", "f", "0"}, false},
        {kWritePicture, {"Picture", "100", "1", "2", "3", "4", "f", "0", "0"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CreateWriteObject(c.type)->ImportCsv(c.fields, "1.23"), c.ok)
            << c.type << " with " << c.fields.size() << " fields";
}

TEST(SerialForms, CoordinatesOutsideTheServiceAreaReadAsMinusOne) {
    CWriteObjectRectangle r;
    // Latitude 19° and longitude 154°; numbers the C library cannot read are 0.
    ASSERT_TRUE(r.ImportCsv(
        {"Rectangle", "red", "", "9x", "a", "0", "100", "154000000", "19000000", "138.5", "35.5"},
        "1.23"));
    EXPECT_EQ(r.m_rcShape, (WriteShape{-1, -1, 49860000, 12780000}));
    EXPECT_EQ(r.m_crColor, MakeColorref(0, 0, 9));
    EXPECT_EQ(r.m_nSize, 0);
}

TEST(SerialForms, FieldSplitter) {
    std::vector<std::string> f;
    ASSERT_TRUE(SplitCsvFields("String, 1 ,\"a, b\\\"c\\\"\\nd\" ,x", &f));
    EXPECT_EQ(f, (std::vector<std::string>{"String", "1", "a, b\"c\"\nd", "x"}));
    ASSERT_TRUE(SplitCsvFields("\"a,b", &f));  // a quote first on the line is a character
    EXPECT_EQ(f, (std::vector<std::string>{"\"a", "b"}));
    EXPECT_FALSE(SplitCsvFields("Name,\"open", &f));
    EXPECT_TRUE(f.empty());
}

// Every length in a body is checked against what is left before anything is allocated: a
// damaged or hostile body fails, never reads past its end and never asks for huge memory.
TEST(SerialForms, DamagedBodiesFailCleanly) {
    for (const auto& o : OneOfEach()) {
        const std::string binary = Binary(*o);
        const std::string buffer = o->ToBuffer();
        const std::size_t whole = o->m_nType == kWritePicture
                                      ? buffer.size() - CWriteObjectPicture::kBufferPadding
                                      : buffer.size();
        // Inside the first field, after it, half way, and one byte short.
        for (std::size_t cut : {std::size_t{1}, std::size_t{4}, whole / 2, whole - 1}) {
            auto copy = CreateWriteObject(o->m_nType);
            ByteReader in(binary.data(), std::min(cut, binary.size() - 1));
            EXPECT_FALSE(copy->LoadBinary(in, "002")) << o->m_nType << " cut at " << cut;
            EXPECT_FALSE(CreateWriteObject(o->m_nType)->FromBuffer(buffer.data(), cut))
                << o->m_nType << " cut at " << cut;
        }
    }
    // Hostile counts and lengths: 0x7FFFFFFF points, text lengths beyond the data.
    ByteWriter line;
    for (int32_t v : {0, 0, 0, 0, INT32_MAX, 1, 2})
        line.Int32(v);
    CWriteObjectLine l;
    ByteReader lineIn(line.data());
    EXPECT_FALSE(l.LoadBinary(lineIn, "002"));
    EXPECT_TRUE(l.m_aPoints.empty());
    const std::string text = Binary(*OneOfEach()[3]);
    for (int32_t length : {-1, INT32_MIN, INT32_MAX}) {
        std::string hostile = text;
        ByteWriter w;
        w.Int32(length);
        hostile.replace(24 + 60, 4, w.data());
        ByteReader in(hostile);
        EXPECT_FALSE(CWriteObjectString().LoadBinary(in, "002")) << length;
    }
    // A memory block whose text lacks its terminator still gives a clean text.
    CWriteObjectString s;
    s.m_strText = "abc";
    std::string buffer = s.ToBuffer();
    buffer[44 + 3] = 'd';
    ASSERT_TRUE(s.FromBuffer(buffer.data(), buffer.size()));
    EXPECT_EQ(s.m_strText, "abcd");
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

    struct Case {
        std::size_t object;  // of OneOfEach
        std::function<void(CWriteObject&)> spoil;
    };
    const Case cases[] = {
        {0, [](CWriteObject& o) { static_cast<CWriteObjectLine&>(o).m_aPoints.clear(); }},
        {4,
         [](CWriteObject& o) {
             static_cast<CWriteObjectPicture&>(o).m_strFile = "/photos/the \"best\" hut.png";
         }},
        // A negative coordinate would read back as -1.
        {1, [](CWriteObject& o) { static_cast<CWriteObjectRectangle&>(o).m_rcShape.x1 = -100; }},
        {3,
         [](CWriteObject& o) {
             static_cast<CWriteObjectString&>(o).m_strText = std::string(70000, 's');
         }},
    };
    for (const Case& c : cases) {
        auto fresh = OneOfEach();
        c.spoil(*fresh[c.object]);
        lines.clear();
        reason.clear();
        EXPECT_FALSE(fresh[c.object]->ExportCsvLines(&lines, &reason)) << c.object;
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

    // A write file of an older version: the set name and the string's text in code page 932.
    CWrite write;
    write.AddSet("x");
    auto s = std::make_unique<CWriteObjectString>();
    s->m_strText = sjisMountain;
    s->m_lf = lf;
    write.Set(0).aObjects.push_back(std::move(s));
    std::string bytes = write.SaveBytes();
    bytes.replace(105, 2, sjisMountain);
    CWrite loaded;
    ASSERT_TRUE(loaded.LoadBytes(bytes));
    EXPECT_EQ(loaded.Set(0).szName, "山");
    const auto& text = static_cast<const CWriteObjectString&>(*loaded.Set(0).aObjects[0]);
    EXPECT_EQ(text.m_strText, "山");
    EXPECT_NE(text.GetStatusText().find("Font:ＭＳ Ｐゴシック"), std::string::npos);
}

}  // namespace
}  // namespace hfp::test
