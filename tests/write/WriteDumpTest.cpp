// hfp write dump on real files in a temporary data folder.
#include <gtest/gtest.h>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "write/Write.h"

namespace hfp::test {
namespace {

ProcessResult Hfp(const std::vector<std::string>& args) {
    return RunProcess(BuiltProgram("hfp"), args);
}

std::string MakeFile(const std::filesystem::path& file) {
    CWrite write;
    write.AddSet("Default");
    write.AddSet("Hut, 富士");
    write.Set(1).bVisible = false;
    auto rect = std::make_unique<CWriteObjectRectangle>();
    rect->m_rcShape = WriteShape{49943139, 12730626, 49953139, 12740626};
    rect->UpdateBounds();
    auto text = std::make_unique<CWriteObjectString>();
    text->m_rcShape = WriteShape{49940000, 12720000, 49941000, 12721000};
    text->m_strText = "a\"b";
    text->UpdateBounds();
    write.Set(1).aObjects.push_back(std::move(rect));
    write.Set(1).aObjects.push_back(std::move(text));
    write.UpdateSetBox(1);
    EXPECT_TRUE(write.SaveFile(file));
    return ReadFile(file);
}

TEST(WriteDump, PrintsEverySetAndObject) {
    TempDir data;
    MakeFile(data / "write.dat");
    ProcessResult r = Hfp({"--data-dir", data.path().string(), "write", "dump"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "set 0 visible=1 name=Default box=0,0,0,0 objects=0\n"
              "set 1 visible=0 name=Hut, 富士 box=49940000,12720000,49953139,12740626 "
              "objects=2\n"
              "Rectangle,0,0,0,1,0,100,138435139,35214626,138453139,35232626\n"
              "String,0,0,0,100,138432000,35200000,138433000,35201000,\"a\\\"b\",-16,0,0,0,400,"
              "0,0,0,128,0,0,0,0,\"IPAPGothic\",0,16777215\n");
    EXPECT_EQ(r.err, "");
}

TEST(WriteDump, DamagedFileStillShowsWhatWasRead) {
    TempDir data;
    const std::string bytes = MakeFile(data / "whole.dat");
    WriteFile(data / "cut.dat", bytes.substr(0, bytes.size() - 3));
    ProcessResult r = Hfp({"write", "dump", (data / "cut.dat").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("set 1 visible=0 name=Hut, 富士"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nRectangle,"), std::string::npos);
    EXPECT_EQ(r.out.find("\nString,"), std::string::npos);
    EXPECT_NE(r.err.find("set 1 object 1 is cut short or damaged"), std::string::npos) << r.err;

    r = Hfp({"--data-dir", data.path().string(), "write", "dump"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("cannot open"), std::string::npos) << r.err;

    WriteFile(data / "foreign.dat", std::string(300, 'x'));
    r = Hfp({"write", "dump", (data / "foreign.dat").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not a write file"), std::string::npos) << r.err;

    r = Hfp({"write", "dump", "a", "b"});
    EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
}  // namespace hfp::test
