// The three serial forms of every class: the binary form of the write file, the memory form of
// the clipboard and the exchange file's text line; their layouts, version rules, extreme values
// and damaged data.
#include <gtest/gtest.h>

#include "WriteTestUtil.h"
#include "write/CsvFields.h"

namespace hfp::test {
namespace {

std::string Binary(const CWriteObject& o) {
    ByteWriter out;
    EXPECT_TRUE(o.SaveBinary(out));
    return out.Take();
}

// A fresh object of the same class loaded from the binary form of `o`.
std::unique_ptr<CWriteObject> ViaBinary(const CWriteObject& o, std::string_view version = "002") {
    const std::string bytes = Binary(o);
    auto copy = CreateWriteObject(o.m_nType);
    ByteReader in(bytes);
    EXPECT_TRUE(copy->LoadBinary(in, version));
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

std::unique_ptr<CWriteObject> ViaCsv(const CWriteObject& o, std::string_view version = "1.23") {
    std::vector<std::string> fields;
    EXPECT_TRUE(SplitCsvFields(o.ExportCsv(), &fields)) << o.ExportCsv();
    auto copy = CreateWriteObject(o.m_nType);
    EXPECT_TRUE(copy->ImportCsv(fields, version)) << o.ExportCsv();
    return copy;
}

// Two objects agree in everything their files keep.
void ExpectSame(const CWriteObject& a, const CWriteObject& b) {
    EXPECT_EQ(a.m_nType, b.m_nType);
    EXPECT_EQ(Binary(a), Binary(b));
    EXPECT_EQ(a.m_rcBounds, b.m_rcBounds);
}

std::unique_ptr<CWriteObjectLine> ExtremeLine(int points) {
    auto line = std::make_unique<CWriteObjectLine>();
    line->m_crColor = MakeColorref(255, 0, 128);
    line->m_nSize = INT32_MAX;
    line->m_nStyle = 4;
    line->m_nTransparency = 0;
    for (int i = 0; i < points; ++i)
        line->m_aPoints.push_back(WritePoint{-1000000 + i * 7919, INT32_MIN + i});
    line->m_aPoints.push_back(WritePoint{INT32_MAX, -1});
    line->UpdateBounds();
    return line;
}

std::unique_ptr<CWriteObjectString> ExtremeString(std::string text) {
    auto s = std::make_unique<CWriteObjectString>();
    s->m_crColor = MakeColorref(1, 2, 3);
    s->m_nTransparency = 37;
    s->m_rcShape = WriteShape{-500, -600, INT32_MAX, 0};
    s->UpdateBounds();
    s->m_lf.lfHeight = -20;
    s->m_lf.lfWeight = 700;
    s->m_lf.lfItalic = 1;
    s->m_lf.lfQuality = 255;
    s->m_lf.lfPitchAndFamily = 0x31;
    SetFaceName(&s->m_lf, std::string(31, 'F'));
    s->m_strText = std::move(text);
    s->m_bBackground = true;
    s->m_crBackground = MakeColorref(10, 20, 30);
    return s;
}

std::unique_ptr<CWriteObjectPicture> ExtremePicture(std::string file) {
    auto p = std::make_unique<CWriteObjectPicture>();
    p->m_nTransparency = 100;
    p->m_rcShape = WriteShape{INT32_MIN, -1, -2, 5};
    p->UpdateBounds();
    p->m_strFile = std::move(file);
    p->m_bColorKey = true;
    p->m_crColorKey = 0xFFFFFFFF;
    return p;
}

TEST(SerialForms, LineRoundTripsWithThousandsOfPoints) {
    for (int points : {1, 5000}) {
        auto line = ExtremeLine(points);
        auto binary = ViaBinary(*line);
        ExpectSame(*line, *binary);
        EXPECT_EQ(static_cast<CWriteObjectLine&>(*binary).m_aPoints, line->m_aPoints);
        EXPECT_EQ(Binary(*line).size(), 20u + 8 * line->m_aPoints.size());

        const std::string buffer = line->ToBuffer();
        EXPECT_EQ(buffer.size(), 36u + 8 * line->m_aPoints.size());
        ExpectSame(*line, *ViaBuffer(*line));
    }
    // The text form holds coordinates inside the service area.
    auto line = std::make_unique<CWriteObjectLine>();
    line->m_crColor = MakeColorref(12, 34, 56);
    line->m_nSize = 3;
    line->m_nStyle = 1;
    line->m_nTransparency = 60;
    for (int i = 0; i < 3000; ++i)
        line->m_aPoints.push_back(WritePoint{49943139 + i * 13, 12730626 - i * 17});
    line->UpdateBounds();
    EXPECT_EQ(line->ExportCsv().rfind("Line,12,34,56,3,1,60,138435139,35214626,", 0), 0u);
    ExpectSame(*line, *ViaCsv(*line));
}

TEST(SerialForms, RectangleAndEllipseLayouts) {
    CWriteObjectRectangle r;
    r.m_crColor = MakeColorref(0x11, 0x22, 0x33);
    r.m_nSize = 2;
    r.m_nStyle = 3;
    r.m_nTransparency = 90;
    r.m_rcShape = WriteShape{-7, -8, 1, 2};
    r.UpdateBounds();
    const std::string bytes = Binary(r);
    ASSERT_EQ(bytes.size(), 32u);
    // Colour bytes R, G, B, 0; then little-endian integers.
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x11\x22\x33\x00\x02\x00\x00\x00", 8));
    EXPECT_EQ(bytes.substr(16, 4), std::string("\xF9\xFF\xFF\xFF", 4));  // x1 = -7
    EXPECT_EQ(r.ToBuffer().size(), 48u);
    EXPECT_EQ(r.ToBuffer().substr(0, 16), std::string("\xF9\xFF\xFF\xFF\xF8\xFF\xFF\xFF"
                                                      "\x01\x00\x00\x00\x02\x00\x00\x00",
                                                      16));
    ExpectSame(r, *ViaBinary(r));
    ExpectSame(r, *ViaBuffer(r));

    CWriteObjectEllipse e;
    e.m_rcShape = WriteShape{INT32_MAX, INT32_MIN, 0, 0};
    e.UpdateBounds();
    ExpectSame(e, *ViaBinary(e));
    ExpectSame(e, *ViaBuffer(e));

    // The text form: both take exactly 11 fields.
    r.m_rcShape = WriteShape{49943139, 12730626, 49953139, 12740626};
    r.UpdateBounds();
    EXPECT_EQ(r.ExportCsv(), "Rectangle,17,34,51,2,3,90,138435139,35214626,138453139,35232626");
    ExpectSame(r, *ViaCsv(r));
    e.m_rcShape = r.m_rcShape;
    e.UpdateBounds();
    EXPECT_EQ(e.ExportCsv().rfind("Ellipse,0,0,0,1,0,100,", 0), 0u);
    ExpectSame(e, *ViaCsv(e));
}

TEST(SerialForms, StringRoundTrips) {
    for (const std::string& text :
         {std::string(), std::string("富士山 summit, \"the\" top\r\nline two\nline three"),
          std::string(4000, 'x')}) {
        auto s = ExtremeString(text);
        auto binary = ViaBinary(*s);
        ExpectSame(*s, *binary);
        auto& b = static_cast<CWriteObjectString&>(*binary);
        EXPECT_EQ(b.m_strText, text);
        EXPECT_EQ(b.m_lf, s->m_lf);
        EXPECT_TRUE(b.m_bBackground);
        EXPECT_EQ(Binary(*s).size(), 24u + 60 + 4 + text.size() + 5);

        const std::string buffer = s->ToBuffer();
        EXPECT_EQ(buffer.size(), 110u + text.size());
        auto memory = ViaBuffer(*s);
        ExpectSame(*s, *memory);
        EXPECT_EQ(static_cast<CWriteObjectString&>(*memory).m_strText, text);
    }
    auto s = ExtremeString("Text, with \"quotes\"\nand lines");
    s->m_rcShape = WriteShape{49943139, 12730626, 49953139, 12740626};
    s->UpdateBounds();
    const std::string line = s->ExportCsv();
    EXPECT_EQ(line,
              "String,1,2,3,37,138435139,35214626,138453139,35232626,\"Text, with "
              "\\\"quotes\\\"\\nand lines\",-20,0,0,0,700,1,0,0,128,0,0,255,49,"
              "\"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\",1,1971210");
    auto csv = ViaCsv(*s);
    ExpectSame(*s, *csv);
    EXPECT_EQ(static_cast<CWriteObjectString&>(*csv).m_strText, s->m_strText);
}

TEST(SerialForms, StringVersionRules) {
    auto s = ExtremeString("old");
    // A version "001" body has no background: it loads disabled and white.
    std::string bytes = Binary(*s);
    bytes.resize(bytes.size() - 5);
    CWriteObjectString old;
    ByteReader in(bytes);
    ASSERT_TRUE(old.LoadBinary(in, "001"));
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(old.m_strText, "old");
    EXPECT_FALSE(old.m_bBackground);
    EXPECT_EQ(old.m_crBackground, 0xFFFFFFu);
    // Any other version reads the background, and misses it here.
    CWriteObjectString current;
    ByteReader again(bytes);
    EXPECT_FALSE(current.LoadBinary(again, "002"));

    // Exchange files: 24 fields only below version 1.11.
    s->m_rcShape = WriteShape{49943139, 12730626, 49953139, 12740626};
    std::vector<std::string> fields;
    ASSERT_TRUE(SplitCsvFields(s->ExportCsv(), &fields));
    ASSERT_EQ(fields.size(), 26u);
    std::vector<std::string> short24(fields.begin(), fields.begin() + 24);
    CWriteObjectString a;
    EXPECT_FALSE(a.ImportCsv(short24, "1.23"));
    EXPECT_FALSE(a.ImportCsv(fields, "1.10"));
    ASSERT_TRUE(a.ImportCsv(short24, "1.10"));
    EXPECT_FALSE(a.m_bBackground);
    EXPECT_EQ(a.m_crBackground, 0xFFFFFFu);
    EXPECT_EQ(a.m_strText, "old");
    EXPECT_TRUE(a.ImportCsv(fields, "1.11"));
    EXPECT_TRUE(a.m_bBackground);
    EXPECT_EQ(CsvVersionNumber("1.11"), 10011);
    EXPECT_EQ(CsvVersionNumber("1.23"), 10023);
    EXPECT_EQ(CsvVersionNumber("2"), 20000);

    // The face name is cut to 31 bytes, never inside a character.
    fields[23] = std::string(40, 'G');
    ASSERT_TRUE(a.ImportCsv(fields, "1.23"));
    EXPECT_EQ(FaceNameOf(a.m_lf), std::string(31, 'G'));
    fields[23] = "ab" + std::string(10, '\xE3');  // not UTF-8: cut at a byte boundary anyway
    ASSERT_TRUE(a.ImportCsv(fields, "1.23"));
    EXPECT_LE(FaceNameOf(a.m_lf).size(), 31u);
    fields[23] = std::string(30, 'a') + "ゴ";  // the 3-byte character does not fit
    ASSERT_TRUE(a.ImportCsv(fields, "1.23"));
    EXPECT_EQ(FaceNameOf(a.m_lf), std::string(30, 'a'));
}

TEST(SerialForms, PictureRoundTrips) {
    for (const std::string& file :
         {std::string(), std::string("/home/ハイカー/写真/hut, 1.png"), std::string(255, 'p')}) {
        auto p = ExtremePicture(file);
        auto binary = ViaBinary(*p);
        ExpectSame(*p, *binary);
        auto& b = static_cast<CWriteObjectPicture&>(*binary);
        EXPECT_EQ(b.m_strFile, file);
        EXPECT_EQ(b.m_rcStamp, p->m_rcShape);  // a loaded picture stamps its own size
        EXPECT_EQ(Binary(*p).size(), 20u + 4 + file.size() + 5);

        EXPECT_EQ(p->ToBuffer().size(), 76u + file.size());
        auto memory = ViaBuffer(*p);
        ExpectSame(*p, *memory);
        EXPECT_EQ(static_cast<CWriteObjectPicture&>(*memory).m_rcStamp, p->m_rcShape);
    }
    auto p = ExtremePicture("/data/picture/hut.png");
    p->m_rcShape = WriteShape{49943139, 12730626, 49953139, 12740626};
    p->m_crColorKey = MakeColorref(255, 255, 255);
    p->m_nTransparency = 80;
    p->UpdateBounds();
    EXPECT_EQ(p->ExportCsv(),
              "Picture,80,138435139,35214626,138453139,35232626,\"/data/picture/hut.png\",1,"
              "16777215");
    ExpectSame(*p, *ViaCsv(*p));
}

TEST(SerialForms, ImportRejectsWrongFieldCounts) {
    std::vector<std::string> rectangle = {"Rectangle", "1",         "2",       "3",
                                          "4",         "0",         "100",     "138435139",
                                          "35214626",  "138443739", "35234626"};
    CWriteObjectRectangle r;
    EXPECT_TRUE(r.ImportCsv(rectangle, "1.23"));
    auto ten = rectangle;
    ten.pop_back();
    EXPECT_FALSE(r.ImportCsv(ten, "1.23"));
    auto twelve = rectangle;
    twelve.push_back("1");
    EXPECT_FALSE(r.ImportCsv(twelve, "1.23"));

    std::vector<std::string> line = {"Line", "1",   "2",         "3",       "4",
                                     "0",    "100", "138435139", "35214626"};
    CWriteObjectLine l;
    EXPECT_TRUE(l.ImportCsv(line, "1.23"));  // one point is enough to read
    EXPECT_FALSE(l.ImportCsv(std::vector<std::string>(line.begin(), line.begin() + 8), "1.23"));
    EXPECT_FALSE(l.ImportCsv(std::vector<std::string>(line.begin(), line.begin() + 7), "1.23"));
    line.push_back("138435139");
    EXPECT_FALSE(l.ImportCsv(line, "1.23"));  // an even count

    CWriteObjectPicture p;
    EXPECT_FALSE(p.ImportCsv({"Picture", "100", "1", "2", "3", "4", "f", "0"}, "1.23"));
    EXPECT_TRUE(p.ImportCsv({"Picture", "100", "1", "2", "3", "4", "f", "0", "0"}, "1.23"));
}

TEST(SerialForms, CoordinatesOutsideTheServiceAreaReadAsMinusOne) {
    CWriteObjectRectangle r;
    // Latitude 19° and longitude 154°.
    ASSERT_TRUE(r.ImportCsv({"Rectangle", "0", "0", "0", "1", "0", "100", "154000000", "19000000",
                             "138000000", "35000000"},
                            "1.23"));
    EXPECT_EQ(r.m_rcShape, (WriteShape{-1, -1, 49680000, 12600000}));
    // Numbers the C library cannot read are 0; decimal degrees are read too.
    ASSERT_TRUE(r.ImportCsv({"Rectangle", "red", "", "9x", "a", "0", "100", "138.5", "35.5",
                             "138°43'51\"24", "35214626"},
                            "1.23"));
    EXPECT_EQ(r.m_crColor, MakeColorref(0, 0, 9));
    EXPECT_EQ(r.m_nSize, 0);
    EXPECT_EQ(r.m_rcShape, (WriteShape{49860000, 12730626, 49943124, 12780000}));
}

TEST(SerialForms, FieldSplitter) {
    std::vector<std::string> f;
    ASSERT_TRUE(SplitCsvFields("String, 1 ,\"a, b\\\"c\\\"\\nd\" ,x", &f));
    EXPECT_EQ(f, (std::vector<std::string>{"String", "1", "a, b\"c\"\nd", "x"}));
    ASSERT_TRUE(SplitCsvFields("", &f));
    EXPECT_EQ(f, (std::vector<std::string>{""}));
    ASSERT_TRUE(SplitCsvFields("Name,\"\"", &f));
    EXPECT_EQ(f, (std::vector<std::string>{"Name", ""}));
    // A quote as the line's first character is an ordinary character.
    ASSERT_TRUE(SplitCsvFields("\"a,b", &f));
    EXPECT_EQ(f, (std::vector<std::string>{"\"a", "b"}));
    EXPECT_FALSE(SplitCsvFields("Name,\"open", &f));
    EXPECT_TRUE(f.empty());
    EXPECT_EQ(EscapeCsvText("a\r\n\"b\""), "a\\r\\n\\\"b\\\"");
}

// Every length in a body is checked against what is left before anything is allocated: a
// damaged or hostile body fails, never reads past its end and never asks for huge memory.
TEST(SerialForms, DamagedBodiesFailCleanly) {
    std::vector<std::unique_ptr<CWriteObject>> objects;
    objects.push_back(ExtremeLine(40));
    objects.push_back(std::make_unique<CWriteObjectRectangle>());
    objects.push_back(std::make_unique<CWriteObjectEllipse>());
    objects.push_back(ExtremeString("some text"));
    objects.push_back(ExtremePicture("file.png"));
    for (const auto& o : objects) {
        const std::string binary = Binary(*o);
        for (std::size_t cut = 0; cut < binary.size(); ++cut) {
            auto copy = CreateWriteObject(o->m_nType);
            ByteReader in(binary.data(), cut);
            EXPECT_FALSE(copy->LoadBinary(in, "002")) << o->m_nType << " cut at " << cut;
        }
        const std::string buffer = o->ToBuffer();
        const std::size_t whole = o->m_nType == kWritePicture
                                      ? buffer.size() - CWriteObjectPicture::kBufferPadding
                                      : buffer.size();
        for (std::size_t cut = 0; cut < whole; ++cut) {
            auto copy = CreateWriteObject(o->m_nType);
            EXPECT_FALSE(copy->FromBuffer(buffer.data(), cut)) << o->m_nType << " cut at " << cut;
        }
    }

    // Hostile counts and lengths: 0x7FFFFFFF points, a negative text length.
    ByteWriter line;
    for (int i = 0; i < 4; ++i)
        line.Int32(0);
    line.Int32(INT32_MAX);
    line.Int32(1);
    line.Int32(2);
    CWriteObjectLine l;
    ByteReader lineIn(line.data());
    EXPECT_FALSE(l.LoadBinary(lineIn, "002"));
    EXPECT_TRUE(l.m_aPoints.empty());

    std::string text = Binary(*ExtremeString("abc"));
    const std::size_t lengthAt = 24 + 60;
    for (int32_t length : {-1, INT32_MIN, INT32_MAX, 9}) {
        std::string hostile = text;
        ByteWriter w;
        w.Int32(length);
        hostile.replace(lengthAt, 4, w.data());
        CWriteObjectString s;
        ByteReader in(hostile);
        EXPECT_FALSE(s.LoadBinary(in, "002")) << length;
    }

    // A memory block whose text lacks its terminator still gives a clean text.
    auto s = ExtremeString("abc");
    std::string buffer = s->ToBuffer();
    buffer[44 + 3] = 'd';
    CWriteObjectString fromBlock;
    ASSERT_TRUE(fromBlock.FromBuffer(buffer.data(), buffer.size()));
    EXPECT_EQ(fromBlock.m_strText, "abcd");
}

}  // namespace
}  // namespace hfp::test
