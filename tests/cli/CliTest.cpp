#include <gtest/gtest.h>

#include "common/TempDir.h"

namespace hfp::test {
namespace {

ProcessResult Hfp(const std::vector<std::string>& args) {
    return RunProcess(BuiltProgram("hfp"), args);
}

TEST(HfpCli, CoordinateCommands) {
    ProcessResult r = Hfp({"coord", "format", "12730626"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "35214626\n");

    r = Hfp({"coord", "parse", "--lat", "35214626"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "12730626\n");
    r = Hfp({"coord", "parse", "--lon", "138°43'51\"24"});
    EXPECT_EQ(r.out, "49943124\n");
    r = Hfp({"coord", "parse", "--lat", "19.5"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "-1\n");
}

TEST(HfpCli, GeoCommands) {
    ProcessResult r = Hfp({"geo", "pixel", "7", "180", "0"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "32768.000000 16384.000000\n");

    r = Hfp({"geo", "tile", "16", "49943139", "12730626"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("tile 58023 25877 pixel 50 217 ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(" path /xyz/std/16/58023/25877.png\n"), std::string::npos) << r.out;
}

TEST(HfpCli, WrongArgumentsPrintUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"nonsense"},
             {"coord", "format"},
             {"coord", "format", "12x"},
             {"coord", "parse", "--lat"},
             {"coord", "parse", "--lat", "1", "--lon", "2"},
             {"geo", "pixel", "6", "138", "35"},
             {"geo", "tile", "16", "1", "2", "--bogus"},
             {"--data-dir"},
         }) {
        ProcessResult r = Hfp(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_NE(r.err.find("usage: hfp"), std::string::npos) << r.err;
    }
    ProcessResult help = Hfp({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("hfp coord parse"), std::string::npos);
    ProcessResult sub = Hfp({"geo", "tile", "--help"});
    EXPECT_EQ(sub.exitCode, 0);
    EXPECT_NE(sub.out.find("usage: hfp geo tile LEVEL LON_GEO LAT_GEO"), std::string::npos);
}

}  // namespace
}  // namespace hfp::test
