// Write sets: the undo history, write.dat with its header, version and damage rules, derived
// boxes, the set names, files that are not regular files, and the clipboard block.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "platform/DataFolder.h"
#include "write/StockBitmap.h"
#include "write/Write.h"

namespace hfp::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

void Fill(CWrite& write, int index, std::vector<std::unique_ptr<CWriteObject>> objects) {
    for (auto& o : objects)
        write.Set(index).aObjects.push_back(std::move(o));
    write.UpdateSetBox(index);
}

// Everything the objects of a set keep, in order.
std::string Lines(const WRITE_SET& set) {
    std::string text;
    for (const auto& o : set.aObjects)
        text += o->ToBuffer() + "\n";
    return text;
}

class WriteSetTest : public ::testing::Test {
  protected:
    void SetUp() override { SetDataFolderOverride(data.path()); }
    void TearDown() override { SetDataFolderOverride({}); }

    TempDir data;
};

TEST_F(WriteSetTest, FirstRunShowsOneEmptyDefaultSet) {
    CWrite write;
    EXPECT_FALSE(write.StartUp());
    ASSERT_EQ(write.SetCount(), 1);
    EXPECT_EQ(write.Set(0).szName, "Default");
    EXPECT_TRUE(write.Set(0).bVisible);
    EXPECT_TRUE(write.Set(0).aObjects.empty());
    EXPECT_FALSE(write.CanUndo(0));  // only the start-up snapshot
}

TEST_F(WriteSetTest, SaveAndLoadKeepEverySetAndObject) {
    CWrite write;
    const std::string longName(255, 'n');
    ASSERT_TRUE(write.AddSet("Default"));
    ASSERT_TRUE(write.AddSet(longName));
    ASSERT_TRUE(write.AddSet(""));
    Fill(write, 0, OneOfEach());
    Fill(write, 1, OneOfEach(-90000000));  // negative longitudes
    write.Set(1).bVisible = false;
    ASSERT_TRUE(write.SaveFile());
    EXPECT_TRUE(fs::exists(data / "write.dat"));
    EXPECT_FALSE(fs::exists(data / "write.dat_"));

    const std::string bytes = ReadFile(data / "write.dat");
    EXPECT_EQ(bytes.substr(0, 32), std::string("HollowfernPlotter write.dat 002\0", 32));
    EXPECT_EQ(bytes.substr(32, 68), std::string(68, '\0'));
    EXPECT_EQ(bytes.substr(100, 4), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(bytes.substr(104, 1), "\x01");
    EXPECT_EQ(bytes.substr(105, 8), "Default\0"s);

    CWrite loaded;
    std::string reason;
    ASSERT_TRUE(loaded.LoadFile(data / "write.dat", &reason)) << reason;
    ASSERT_EQ(loaded.SetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Set(i).szName, write.Set(i).szName);
        EXPECT_EQ(loaded.Set(i).bVisible, write.Set(i).bVisible);
        EXPECT_EQ(loaded.Set(i).rcBox, write.Set(i).rcBox);
        EXPECT_EQ(Lines(loaded.Set(i)), Lines(write.Set(i)));
    }
    EXPECT_EQ(loaded.Set(1).szName, longName);
    EXPECT_EQ(loaded.SaveBytes(), bytes);
}

TEST_F(WriteSetTest, FailedSaveKeepsTheOldFile) {
    CWrite write;
    write.AddSet("Default");
    ASSERT_TRUE(write.SaveFile());
    const std::string before = ReadFile(data / "write.dat");
    // The temporary file cannot be made: a folder with that name is in the way.
    fs::create_directory(data / "write.dat_");
    WriteFile(data / "write.dat_" / "keep", "x");
    write.AddSet("Second");
    std::string error;
    EXPECT_FALSE(write.SaveFile(data / "write.dat", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(data / "write.dat"), before);
}

TEST_F(WriteSetTest, OtherVersionsLoadAndOldStringsGetNoBackground) {
    // Hand-made version 001 file: one set, one string without the background fields.
    CWriteObjectString s;
    s.m_rcShape = WriteShape{1, 2, 3, 4};
    s.m_strText = "old";
    s.m_bBackground = true;
    ByteWriter body;
    s.SaveBinary(body);
    std::string bodyBytes = body.Take();
    bodyBytes.resize(bodyBytes.size() - 5);

    for (const char* version : {"001", "003"}) {
        ByteWriter file;
        std::string header = std::string("HollowfernPlotter write.dat ") + version;
        file.Text(header);
        file.Zeros(100 - header.size());
        file.Int32(1);
        file.Byte(1);
        file.Text("Old");
        file.Zeros(256 - 3);
        for (int i = 0; i < 4; ++i)
            file.Int32(i);
        file.Int32(1);
        file.Int32(kWriteString);
        for (int32_t v : {1, 2, 3, 4})
            file.Int32(v);
        file.Text(bodyBytes);
        CWrite write;
        const bool ok = write.LoadBytes(file.data());
        ASSERT_EQ(write.SetCount(), 1) << version;
        if (std::string(version) == "001") {
            ASSERT_TRUE(ok);
            auto& loaded = static_cast<CWriteObjectString&>(*write.Set(0).aObjects[0]);
            EXPECT_EQ(loaded.m_strText, "old");
            EXPECT_FALSE(loaded.m_bBackground);
            EXPECT_EQ(loaded.m_crBackground, 0xFFFFFFu);
        } else {
            // A newer version reads the background, which this body lacks.
            EXPECT_FALSE(ok);
            EXPECT_TRUE(write.Set(0).aObjects.empty());
        }
    }

    CWrite foreign;
    EXPECT_FALSE(
        foreign.LoadBytes(std::string("HollowfernPlotter mst.dat 001") + std::string(200, '\0')));
    EXPECT_EQ(foreign.SetCount(), 0);
}

TEST_F(WriteSetTest, UnknownTypeKeepsWhatCameBefore) {
    CWrite write;
    write.AddSet("A");
    write.AddSet("B");
    Fill(write, 0, OneOfEach());
    Fill(write, 1, OneOfEach());
    std::string bytes = write.SaveBytes();
    // The third object of set B gets type code 9.
    CWrite probe;
    probe.AddSet("A");
    Fill(probe, 0, OneOfEach());
    probe.AddSet("B");
    Fill(probe, 1, OneOfEach());
    probe.Set(1).aObjects.resize(2);
    const std::size_t at = probe.SaveBytes().size();
    ByteWriter nine;
    nine.Int32(9);
    bytes.replace(at, 4, nine.data());

    CWrite loaded;
    std::string reason;
    EXPECT_FALSE(loaded.LoadBytes(bytes, &reason));
    EXPECT_EQ(reason, "set 1 object 2 has the unknown type 9");
    ASSERT_EQ(loaded.SetCount(), 2);
    EXPECT_EQ(loaded.Set(0).aObjects.size(), 5u);
    EXPECT_EQ(loaded.Set(1).aObjects.size(), 2u);
}

TEST_F(WriteSetTest, SetNamesAreCutSafelyAndUniqueAsStored) {
    // A name field without its terminator: 256 letters.
    CWrite write;
    write.AddSet("x");
    std::string bytes = write.SaveBytes();
    bytes.replace(105, 256, std::string(256, 'q'));
    CWrite loaded;
    ASSERT_TRUE(loaded.LoadBytes(bytes));
    EXPECT_EQ(loaded.Set(0).szName, std::string(255, 'q'));

    // Longer names, also in characters of several bytes, are cut to 255 bytes whole.
    CWrite names;
    std::string japanese;
    for (int i = 0; i < 100; ++i)
        japanese += "峠";  // three bytes each
    ASSERT_TRUE(names.AddSet(japanese));
    EXPECT_EQ(names.Set(0).szName, japanese.substr(0, 255));
    names.Set(0).szName = japanese;  // changed directly, as the dialog may
    CWrite again;
    ASSERT_TRUE(again.LoadBytes(names.SaveBytes()));
    EXPECT_EQ(again.Set(0).szName, japanese.substr(0, 255));

    // Two long names that differ only beyond the cut would be stored equal.
    ASSERT_TRUE(names.AddSet(std::string(300, 'a') + "1"));
    EXPECT_EQ(names.FindSet(std::string(300, 'a') + "2"), 1);
    EXPECT_FALSE(names.AddSet(std::string(300, 'a') + "2"));
    EXPECT_EQ(names.SetCount(), 2);
    EXPECT_EQ(names.FindSet("a"), -1);
}

TEST_F(WriteSetTest, HostileCountsFailWithoutAllocating) {
    CWrite write;
    write.AddSet("Real");
    Fill(write, 0, OneOfEach());
    const std::string good = write.SaveBytes();

    for (int32_t count : {INT32_MAX, -1, INT32_MIN}) {
        std::string bytes = good;
        ByteWriter w;
        w.Int32(count);
        bytes.replace(100, 4, w.data());
        CWrite loaded;
        std::string reason;
        EXPECT_FALSE(loaded.LoadBytes(bytes, &reason));
        EXPECT_FALSE(reason.empty());
        // The one real set is kept when the count claims more.
        EXPECT_EQ(loaded.SetCount(), count > 0 ? 1 : 0);
        if (count > 0) {
            EXPECT_EQ(loaded.Set(0).aObjects.size(), 5u);
        }
    }
    // The object count of the set.
    for (int32_t count : {INT32_MAX, -5}) {
        std::string bytes = good;
        ByteWriter w;
        w.Int32(count);
        bytes.replace(100 + 4 + 1 + 256 + 16, 4, w.data());
        CWrite loaded;
        EXPECT_FALSE(loaded.LoadBytes(bytes));
        ASSERT_EQ(loaded.SetCount(), 1);
        EXPECT_EQ(loaded.Set(0).aObjects.size(), count > 0 ? 5u : 0u);
    }
}

// A file cut short loads what lies before the cut: every complete object before it is kept,
// and a partly read one is dropped. The cuts fall on record and field boundaries and inside them.
TEST_F(WriteSetTest, FileCutShortKeepsWhatCameBefore) {
    CWrite write;
    write.AddSet("One");
    write.AddSet("Two");
    Fill(write, 0, OneOfEach());
    Fill(write, 1, OneOfEach(1000));
    const std::string bytes = write.SaveBytes();
    const std::size_t firstObject = 100 + 4 + 1 + 256 + 16 + 4;
    const std::size_t secondSet = bytes.size() / 2;
    const std::size_t cuts[] = {50,
                                100,
                                104,
                                105 + 100,
                                firstObject,
                                firstObject + 4,
                                firstObject + 20,
                                secondSet,
                                bytes.size() - 1,
                                bytes.size()};
    for (std::size_t cut : cuts) {
        CWrite loaded;
        const bool ok = loaded.LoadBytes(std::string_view(bytes.data(), cut));
        EXPECT_EQ(ok, cut == bytes.size()) << cut;
        for (int i = 0; i < loaded.SetCount(); ++i)
            for (std::size_t o = 0; o < loaded.Set(i).aObjects.size(); ++o)
                EXPECT_EQ(loaded.Set(i).aObjects[o]->ToBuffer(),
                          write.Set(i).aObjects[o]->ToBuffer());
        if (cut == bytes.size() - 1) {
            EXPECT_EQ(loaded.SetCount(), 2);
            EXPECT_EQ(loaded.Set(1).aObjects.size(), 4u);
        }
    }
}

// The boxes in the file are derived data: a file whose stored boxes are wrong still draws and
// its objects can still be selected.
TEST_F(WriteSetTest, StaleStoredBoxesAreRecomputedOnLoad) {
    CWrite write;
    write.AddSet("A");
    Fill(write, 0, OneOfEach());
    const GeoBox setBox = write.Set(0).rcBox;
    const GeoBox lineBox = write.Set(0).aObjects[0]->m_rcBounds;
    for (auto& o : write.Set(0).aObjects)
        o->m_rcBounds = GeoBox{1, 2, 3, 4};
    write.Set(0).rcBox = GeoBox{1, 2, 3, 4};
    CWrite loaded;
    ASSERT_TRUE(loaded.LoadBytes(write.SaveBytes()));
    EXPECT_EQ(loaded.Set(0).rcBox, setBox);
    const CWriteObject& line = *loaded.Set(0).aObjects[0];
    EXPECT_EQ(line.m_rcBounds, lineBox);
    EXPECT_TRUE(line.HitTest(GeoBox{49945000, 12731000, 49945000, 12731000}, 0.2, 0.2));
}

// A FIFO or a device where a file is expected is refused at once, never waited on.
TEST_F(WriteSetTest, FifoIsRefusedInsteadOfWaitedOn) {
    ASSERT_EQ(::mkfifo((data / "write.dat").c_str(), 0600), 0);
    CWrite write;
    std::string reason;
    EXPECT_FALSE(write.LoadFile(data / "write.dat", &reason));
    EXPECT_NE(reason.find("cannot open"), std::string::npos) << reason;
    EXPECT_FALSE(write.StartUp());
    EXPECT_EQ(write.Set(0).szName, "Default");
    EXPECT_TRUE(LoadPicture((data / "write.dat").string()).isNull());
    EXPECT_TRUE(LoadPicture("/dev/zero").isNull());
}

TEST_F(WriteSetTest, UndoStepsBackOneChangeAtATime) {
    CWrite write;
    write.AddSet("A");
    write.AddSet("B");
    ASSERT_TRUE(write.PushUndo(0));
    ASSERT_TRUE(write.PushUndo(1));
    EXPECT_FALSE(write.CanUndo(0));

    auto objects = OneOfEach();
    write.Set(0).aObjects.insert(write.Set(0).aObjects.begin(), std::move(objects[0]));
    write.UpdateSetBox(0);
    ASSERT_TRUE(write.PushUndo(0));
    const GeoBox firstBox = write.Set(0).rcBox;
    write.Set(0).aObjects.insert(write.Set(0).aObjects.begin(), std::move(objects[1]));
    write.UpdateSetBox(0);
    ASSERT_TRUE(write.PushUndo(0));
    EXPECT_NE(write.Set(0).rcBox, firstBox);
    // A change in the other set.
    Fill(write, 1, OneOfEach());
    ASSERT_TRUE(write.PushUndo(1));

    ASSERT_TRUE(write.CanUndo(0));
    write.Undo(0);
    ASSERT_EQ(write.Set(0).aObjects.size(), 1u);
    EXPECT_EQ(write.Set(0).aObjects[0]->m_nType, kWriteLine);
    EXPECT_EQ(write.Set(0).rcBox, firstBox);
    EXPECT_EQ(write.Set(0).aUndo.size(), 2u);
    write.Undo(0);
    EXPECT_TRUE(write.Set(0).aObjects.empty());
    EXPECT_FALSE(write.CanUndo(0));
    write.Undo(0);  // not offered; nothing happens
    EXPECT_EQ(write.Set(0).aUndo.size(), 1u);
    // The other set is untouched.
    EXPECT_EQ(write.Set(1).aObjects.size(), 5u);

    // The snapshots are copies: changing the set does not change them.
    write.Set(1).aObjects[0]->Offset(100, 100);
    write.Undo(1);
    EXPECT_TRUE(write.Set(1).aObjects.empty());
}

TEST_F(WriteSetTest, The101stChangeDropsTheOldestSnapshot) {
    CWrite write;
    write.AddSet("Default");
    ASSERT_TRUE(write.PushUndo(0));  // start-up
    for (int change = 1; change <= 101; ++change) {
        auto line = std::make_unique<CWriteObjectLine>();
        line->m_aPoints = {{change, 0}, {change, 10}};
        line->UpdateBounds();
        write.Set(0).aObjects.insert(write.Set(0).aObjects.begin(), std::move(line));
        write.UpdateSetBox(0);
        ASSERT_TRUE(write.PushUndo(0));
        EXPECT_LE(write.Set(0).aUndo.size(), CWrite::kUndoLimit);
    }
    EXPECT_EQ(write.Set(0).aUndo.size(), 100u);
    int undone = 0;
    while (write.CanUndo(0)) {
        write.Undo(0);
        ++undone;
    }
    EXPECT_EQ(undone, 99);
    // Back to the state after the second change: the oldest snapshot kept.
    ASSERT_EQ(write.Set(0).aObjects.size(), 2u);
    EXPECT_EQ(write.Set(0).aObjects[0]->m_rcBounds.left, 2);
    EXPECT_EQ(write.Set(0).rcBox, (GeoBox{1, 0, 2, 10}));
}

TEST_F(WriteSetTest, DeleteSetAndSetBox) {
    CWrite write;
    write.AddSet("A");
    write.AddSet("B");
    write.AddSet("C");
    Fill(write, 1, OneOfEach());
    EXPECT_EQ(write.Set(1).rcBox, (GeoBox{49930000, 12710000, 49961000, 12751000}));
    write.DeleteSet(0);
    ASSERT_EQ(write.SetCount(), 2);
    EXPECT_EQ(write.Set(0).szName, "B");
    EXPECT_EQ(write.Set(1).szName, "C");
}

TEST_F(WriteSetTest, ClipboardBlock) {
    auto objects = OneOfEach();
    std::vector<const CWriteObject*> pointers;
    std::size_t expected = 4;
    for (const auto& o : objects) {
        pointers.push_back(o.get());
        expected += 8 + o->ToBuffer().size();
    }
    const std::string block = MakeClipboardBlock(pointers);
    ASSERT_EQ(block.size(), expected);
    std::vector<std::unique_ptr<CWriteObject>> read;
    ASSERT_TRUE(ReadClipboardBlock(block, &read));
    ASSERT_EQ(read.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(read[i]->ToBuffer(), objects[i]->ToBuffer());

    // A record of an unknown type is skipped.
    ByteWriter records;
    records.Int32(42);
    records.Int32(3);
    records.Text("abc");
    const std::string rect = objects[1]->ToBuffer();
    records.Int32(kWriteRectangle);
    records.Int32(static_cast<int32_t>(rect.size()));
    records.Text(rect);
    ByteWriter odd;
    odd.UInt32(static_cast<uint32_t>(records.size()));
    odd.Text(records.data());
    read.clear();
    ASSERT_TRUE(ReadClipboardBlock(odd.data(), &read));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0]->m_nType, kWriteRectangle);

    // Cut blocks fail without reading beyond their end; with the total length made to fit, the
    // records before the cut are still read.
    for (std::size_t cut : {std::size_t{2}, std::size_t{10}, block.size() / 2, block.size() - 1}) {
        read.clear();
        std::string shortBlock = block.substr(0, cut);
        EXPECT_FALSE(ReadClipboardBlock(shortBlock, &read)) << cut;
        if (cut < 4) continue;
        ByteWriter total;
        total.UInt32(static_cast<uint32_t>(cut - 4));
        shortBlock.replace(0, 4, total.data());
        read.clear();
        ReadClipboardBlock(shortBlock, &read);
        for (std::size_t i = 0; i < read.size(); ++i)
            EXPECT_EQ(read[i]->ToBuffer(), objects[i]->ToBuffer());
    }
    std::string lying = block;
    ByteWriter huge;
    huge.Int32(INT32_MAX);
    lying.replace(8, 4, huge.data());  // the first record's byte count
    read.clear();
    EXPECT_FALSE(ReadClipboardBlock(lying, &read));
    EXPECT_TRUE(read.empty());
}

}  // namespace
}  // namespace hfp::test
