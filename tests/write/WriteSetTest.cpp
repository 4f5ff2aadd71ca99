// Write sets: write.dat with its damage rules, derived boxes, the set names, files that are not
// regular files, the undo history, the clipboard block and hfp write dump on real files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "platform/DataFolder.h"
#include "write/StockBitmap.h"
#include "write/Write.h"

namespace hfp::test {
namespace {

void Fill(CWrite& write, int index, std::vector<std::unique_ptr<CWriteObject>> objects) {
    for (auto& o : objects)
        write.Set(index).aObjects.push_back(std::move(o));
    write.UpdateSetBox(index);
}

// Everything the objects of a set keep, in order.
std::string Contents(const WRITE_SET& set) {
    std::string text;
    for (const auto& o : set.aObjects)
        text += o->ToBuffer() + "\n";
    return text;
}

std::string Int32(int32_t value) {
    ByteWriter w;
    w.Int32(value);
    return w.Take();
}

class WriteSetTest : public ::testing::Test {
  protected:
    void SetUp() override { SetDataFolderOverride(data.path()); }
    void TearDown() override { SetDataFolderOverride({}); }

    // Two sets of one object of every class each.
    std::string TwoSets() {
        CWrite write;
        write.AddSet("One");
        write.AddSet("Two");
        Fill(write, 0, OneOfEach());
        Fill(write, 1, OneOfEach(1000));
        return write.SaveBytes();
    }

    TempDir data;
};

TEST_F(WriteSetTest, FirstRunShowsOneEmptyDefaultSet) {
    CWrite write;
    EXPECT_FALSE(write.StartUp());
    ASSERT_EQ(write.SetCount(), 1);
    EXPECT_EQ(write.Set(0).szName, "Default");
}

TEST_F(WriteSetTest, SaveAndLoadKeepEverySetAndObject) {
    CWrite write;
    ASSERT_TRUE(write.AddSet("Default"));
    ASSERT_TRUE(write.AddSet(std::string(255, 'n')));
    ASSERT_TRUE(write.AddSet(""));
    Fill(write, 1, OneOfEach());  // the objects' own forms are the serial-form tests'
    write.Set(1).bVisible = false;
    ASSERT_TRUE(write.SaveFile());
    const std::string bytes = ReadFile(data / "write.dat");
    EXPECT_EQ(bytes.substr(0, 100), "HollowfernPlotter write.dat 002" + std::string(69, '\0'));
    EXPECT_EQ(bytes.substr(100, 13), Int32(3) + "\x01" + "Default" + '\0');

    CWrite loaded;
    std::string reason;
    ASSERT_TRUE(loaded.LoadFile(data / "write.dat", &reason)) << reason;
    EXPECT_EQ(loaded.SaveBytes(), bytes);
}

// A damaged file loads what lies before the damage: every complete object before it is kept,
// and a partly read one is dropped. Cuts fall on record and field boundaries and inside them.
TEST_F(WriteSetTest, DamagedFileKeepsWhatCameBefore) {
    const std::string bytes = TwoSets();
    CWrite whole;
    ASSERT_TRUE(whole.LoadBytes(bytes));
    // Whether the sets read are the first ones of the file, each with its first objects.
    auto readFromTheStart = [&](const CWrite& loaded) {
        for (int i = 0; i < loaded.SetCount(); ++i)
            if (Contents(whole.Set(i)).rfind(Contents(loaded.Set(i)), 0) != 0) return false;
        return true;
    };
    const std::size_t firstObject = 100 + 4 + 1 + 256 + 16 + 4;
    for (std::size_t cut :
         {std::size_t{50}, std::size_t{100}, std::size_t{104}, std::size_t{205}, firstObject,
          firstObject + 4, firstObject + 20, bytes.size() / 2, bytes.size() - 1}) {
        CWrite loaded;
        EXPECT_FALSE(loaded.LoadBytes(std::string_view(bytes.data(), cut)));
        EXPECT_TRUE(readFromTheStart(loaded)) << cut;
        if (cut == bytes.size() - 1) {
            EXPECT_EQ(loaded.Set(1).aObjects.size(), 4u);  // all but the cut one
        }
    }
    // Unknown type codes and hostile counts stop the reading; what came before stays.
    struct Case {
        std::size_t at;
        int32_t value;
        int sets;
        std::size_t objects;  // in the last set read
    } cases[] = {
        {100, INT32_MAX, 2, 5},      {100, -1, 0, 0},        {firstObject - 4, INT32_MAX, 1, 5},
        {firstObject - 4, -5, 1, 0}, {firstObject, 9, 1, 0},  // an unknown type code
    };
    for (const Case& c : cases) {
        std::string hostile = bytes;
        hostile.replace(c.at, 4, Int32(c.value));
        CWrite loaded;
        std::string reason;
        EXPECT_FALSE(loaded.LoadBytes(hostile, &reason));
        EXPECT_FALSE(reason.empty());
        ASSERT_EQ(loaded.SetCount(), c.sets) << c.at << " " << c.value;
        if (c.sets > 0) {
            EXPECT_EQ(loaded.Set(c.sets - 1).aObjects.size(), c.objects);
            EXPECT_TRUE(readFromTheStart(loaded));
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
    EXPECT_TRUE(LoadPicture((data / "write.dat").string()).isNull());
    EXPECT_TRUE(LoadPicture("/dev/zero").isNull());
}

TEST_F(WriteSetTest, SetNamesAreCutSafelyAndUniqueAsStored) {
    // A name field without its terminator: 256 letters.
    std::string bytes = TwoSets();
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

    // Two long names that differ only beyond the cut would be stored equal.
    ASSERT_TRUE(names.AddSet(std::string(300, 'a') + "1"));
    EXPECT_EQ(names.FindSet(std::string(300, 'a') + "2"), 1);
    EXPECT_FALSE(names.AddSet(std::string(300, 'a') + "2"));
    EXPECT_EQ(names.SetCount(), 2);
}

TEST_F(WriteSetTest, UndoStepsBackOneChangeAtATimePerSet) {
    CWrite write;
    write.AddSet("A");
    write.AddSet("B");
    ASSERT_TRUE(write.PushUndo(0));
    ASSERT_TRUE(write.PushUndo(1));
    for (int change = 1; change <= 101; ++change) {
        auto line = std::make_unique<CWriteObjectLine>();
        line->m_aPoints = {{change, 0}, {change, 10}};
        line->UpdateBounds();
        write.Set(0).aObjects.insert(write.Set(0).aObjects.begin(), std::move(line));
        write.UpdateSetBox(0);
        ASSERT_TRUE(write.PushUndo(0));
    }
    Fill(write, 1, OneOfEach());
    ASSERT_TRUE(write.PushUndo(1));
    EXPECT_EQ(write.Set(0).aUndo.size(), CWrite::kUndoLimit);  // the oldest ones dropped
    write.Undo(0);
    EXPECT_EQ(write.Set(0).aObjects.size(), 100u);
    EXPECT_EQ(write.Set(0).rcBox, (GeoBox{1, 0, 100, 10}));
    int undone = 1;
    for (; write.CanUndo(0); ++undone)
        write.Undo(0);
    EXPECT_EQ(undone, 99);
    EXPECT_EQ(write.Set(0).aObjects.size(), 2u);  // the state after the second change
    EXPECT_EQ(write.Set(1).aObjects.size(), 5u);  // the other set is untouched
    // The snapshots are copies: changing the set does not change them.
    write.Set(1).aObjects[0]->Offset(100, 100);
    write.Undo(1);
    EXPECT_TRUE(write.Set(1).aObjects.empty());
}

TEST_F(WriteSetTest, ClipboardBlock) {
    auto objects = OneOfEach();
    std::vector<const CWriteObject*> pointers;
    for (const auto& o : objects)
        pointers.push_back(o.get());
    const std::string block = MakeClipboardBlock(pointers);
    std::vector<std::unique_ptr<CWriteObject>> read;
    ASSERT_TRUE(ReadClipboardBlock(block, &read));
    ASSERT_EQ(read.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(read[i]->ToBuffer(), objects[i]->ToBuffer());
    // A record of an unknown type is skipped; cut blocks and lying lengths fail without
    // reading beyond their end.
    const std::string unknown = Int32(42) + Int32(3) + "abc" + block.substr(4);
    read.clear();
    ASSERT_TRUE(ReadClipboardBlock(Int32(static_cast<int32_t>(unknown.size())) + unknown, &read));
    EXPECT_EQ(read.size(), 5u);
    for (std::size_t cut : {std::size_t{6}, std::size_t{10}, block.size() / 2, block.size() - 1}) {
        read.clear();
        EXPECT_FALSE(ReadClipboardBlock(block.substr(0, cut), &read)) << cut;
    }
    std::string lying = block;
    lying.replace(8, 4, Int32(INT32_MAX));  // the first record's byte count
    read.clear();
    EXPECT_FALSE(ReadClipboardBlock(lying, &read));
    EXPECT_TRUE(read.empty());
}

ProcessResult Hfp(const std::vector<std::string>& args) {
    return RunProcess(BuiltProgram("hfp"), args);
}

TEST(WriteDump, PrintsEverySetAndObjectOnItsOwnLine) {
    TempDir data;
    CWrite write;
    write.AddSet("Default");
    write.AddSet("Hut, 富士\n\x1b[2J");  // a name that would break the line and clear the screen
    write.Set(1).bVisible = false;
    auto objects = OneOfEach();
    write.Set(1).aObjects.push_back(std::move(objects[1]));
    write.Set(1).aObjects.push_back(std::move(objects[3]));
    write.UpdateSetBox(1);
    ASSERT_TRUE(write.SaveFile(data / "write.dat"));
    ProcessResult r = Hfp({"--data-dir", data.path().string(), "write", "dump"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "set 0 visible=1 name=Default box=0,0,0,0 objects=0\n"
              "set 1 visible=0 name=Hut, 富士\\x0A\\x1B[2J box=49940000,12720000,49952000,12741000 "
              "objects=2\n" +
                  write.Set(1).aObjects[0]->ExportCsv() + "\n" +
                  write.Set(1).aObjects[1]->ExportCsv() + "\n");
    EXPECT_EQ(r.err, "");

    // What was read before damage is still shown; an object an exchange file cannot carry is
    // named on stderr.
    write.Set(1).aObjects[0]->Offset(-60000000, 0);
    const std::string bytes = write.SaveBytes();
    WriteFile(data / "cut.dat", bytes.substr(0, bytes.size() - 3));
    r = Hfp({"write", "dump", (data / "cut.dat").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("objects=1\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\nString,"), std::string::npos);
    EXPECT_NE(r.err.find("set 1 object 0 cannot be exported"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("set 1 object 1 is cut short or damaged"), std::string::npos) << r.err;

    WriteFile(data / "foreign.dat", std::string(300, 'x'));
    r = Hfp({"write", "dump", (data / "foreign.dat").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not a write file"), std::string::npos) << r.err;
    EXPECT_EQ(Hfp({"write", "dump", "a", "b"}).exitCode, 2);
}

}  // namespace
}  // namespace hfp::test
