#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdio>
#include <thread>

#include "common/DevServer.h"
#include "common/TempDir.h"

extern char** environ;

namespace hfp::test {
namespace {

ProcessResult Hfp(const TempDir& data, const DevServer& server, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", data.path().string(), "--services", server.baseUrl()});
    return RunProcess(BuiltProgram("hfp"), args);
}

struct Counts {
    long downloaded = -1, ondisk = -1, unavailable = -1, failed = -1;
};

Counts ParseCounts(const std::string& out) {
    Counts c;
    std::size_t at = out.find("downloaded ");
    if (at != std::string::npos)
        std::sscanf(out.c_str() + at, "downloaded %ld ondisk %ld unavailable %ld failed %ld",
                    &c.downloaded, &c.ondisk, &c.unavailable, &c.failed);
    return c;
}

// A small area around the default centre: 3 x 3 tiles at level 15.
const std::vector<std::string> kArea = {"prefetch", "--level", "15", "--area",
                                        "138.72,35.355,138.74,35.37"};

TEST(HfpExport, WritesTheComposedMapInTheFormatOfItsName) {
    TempDir data;
    DevServer server;
    ProcessResult r =
        Hfp(data, server,
            {"export", "--center-lon", "49943139", "--center-lat", "12730626", "--level", "15",
             "--scale", "1.5", "--size", "640x480", "--out", (data / "map.png").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, (data / "map.png").string() + "\n");
    QImage png(QString::fromStdString((data / "map.png").string()));
    ASSERT_EQ(png.size(), QSize(640, 480));
    int coloured = 0;
    for (int y = 0; y < 480; y += 4)
        for (int x = 0; x < 640; x += 4)
            coloured += (png.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(coloured, 50);  // a map, not a blank sheet

    // The same area from the cache, fitted by ground width, as a BMP.
    r = Hfp(data, server,
            {"export", "--center-lon", "138°43'51\"", "--center-lat", "35.3628", "--level", "15",
             "--area-width", "30000", "--size", "500x300", "--out", (data / "map.bmp").string(),
             "--high-speed", "off"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString((data / "map.bmp").string())).size(), QSize(500, 300));

    // No encoder for the name: nothing is composed or written.
    server.ResetStats();
    r = Hfp(data, server,
            {"export", "--center-lon", "49943139", "--center-lat", "12730626", "--level", "15",
             "--scale", "1", "--size", "100x100", "--out", (data / "noextension").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no image format"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(data / "noextension"));
    EXPECT_EQ(server.TotalRequests(), 0);

    // A tile would be under 2 pixels.
    r = Hfp(data, server,
            {"export", "--center-lon", "49943139", "--center-lat", "12730626", "--level", "15",
             "--scale", "0.001", "--size", "100x100", "--out", (data / "tiny.png").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(data / "tiny.png"));

    for (const auto& wrong : std::vector<std::vector<std::string>>{
             {"export", "--center-lon", "49943139", "--center-lat", "12730626", "--level", "15",
              "--scale", "1", "--area-width", "100", "--size", "10x10", "--out", "a.png"},
             {"export", "--center-lon", "49943139", "--center-lat", "12730626", "--level", "15",
              "--scale", "1", "--size", "10by10", "--out", "a.png"},
             {"export", "--center-lon", "1", "--center-lat", "12730626", "--level", "15", "--scale",
              "1", "--size", "10x10", "--out", "a.png"},
             {"export", "--center-lon", "49943139", "--center-lat", "12730626", "--level", "19",
              "--scale", "1", "--size", "10x10", "--out", "a.png"},
         }) {
        EXPECT_EQ(Hfp(data, server, wrong).exitCode, 2);
    }
}

TEST(HfpExport, TimeOutWritesNothing) {
    TempDir data;
    DevServer slow({"--delay-ms", "3000"});
    ProcessResult r = Hfp(data, slow,
                          {"export", "--center-lon", "49943139", "--center-lat", "12730626",
                           "--level", "16", "--scale", "1", "--size", "300x300", "--out",
                           (data / "late.png").string(), "--timeout", "0.5"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_FALSE(std::filesystem::exists(data / "late.png"));
}

TEST(HfpPrefetch, FetchesOnceAndSkipsWhatIsOnDisk) {
    TempDir data;
    DevServer server;
    for (bool highSpeed : {false, true}) {
        std::vector<std::string> args = kArea;
        args[2] = highSpeed ? "16" : "15";
        if (highSpeed) args.push_back("--high-speed");
        ProcessResult r = Hfp(data, server, args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        Counts c = ParseCounts(r.out);
        EXPECT_GT(c.downloaded, 0);
        EXPECT_EQ(c.ondisk, 0);
        EXPECT_EQ(c.unavailable, 0);
        EXPECT_EQ(c.failed, 0);
        // A second run finds every tile on disk and asks the server for nothing.
        server.ResetStats();
        r = Hfp(data, server, args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        Counts again = ParseCounts(r.out);
        EXPECT_EQ(again.downloaded, 0);
        EXPECT_EQ(again.ondisk, c.downloaded);
        EXPECT_EQ(server.TotalRequests(), 0);
        ProcessResult stats = Hfp(data, server, {"index", "stats", args[2]});
        EXPECT_NE(stats.out.find("ondisk " + std::to_string(c.downloaded)), std::string::npos)
            << stats.out;
    }
}

TEST(HfpPrefetch, FailingAndVanishingServers) {
    TempDir data;
    {
        // Some answers are HTML pages: those tiles are unavailable, the rest arrive.
        DevServer flaky({"--html-rate", "0.4"});
        std::vector<std::string> args = kArea;
        args[4] = "138.70,35.34,138.76,35.39";
        ProcessResult r = Hfp(data, flaky, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        Counts c = ParseCounts(r.out);
        EXPECT_GT(c.downloaded, 0);
        EXPECT_GT(c.unavailable, 0);
        EXPECT_EQ(c.failed, 0);
    }
    // A slow server that goes away halfway: what came is kept, the rest counts as failed and
    // is fetched by the next run.
    TempDir data2;
    std::vector<std::string> args = kArea;
    args[2] = "16";
    args[4] = "138.70,35.34,138.76,35.39";
    Counts first;
    {
        DevServer slow({"--delay-ms", "150"});
        std::thread killer([&] {
            while (slow.TotalRequests() < 4)
                std::this_thread::yield();
            slow.Stop();
        });
        ProcessResult r = Hfp(data2, slow, args);
        killer.join();
        EXPECT_EQ(r.exitCode, 1) << r.err;
        first = ParseCounts(r.out);
        EXPECT_GT(first.failed, 0);
    }
    DevServer back;
    ProcessResult r = Hfp(data2, back, args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Counts second = ParseCounts(r.out);
    EXPECT_EQ(second.ondisk, first.downloaded);
    EXPECT_EQ(second.downloaded, first.failed);
}

TEST(HfpPrefetch, InterruptKeepsWhatWasFetched) {
    TempDir data;
    DevServer slow({"--delay-ms", "200"});
    std::string program = BuiltProgram("hfp");
    std::string out = (data / "out.txt").string();
    std::vector<std::string> args = {program,
                                     "--data-dir",
                                     (data / "cache").string(),
                                     "--services",
                                     slow.baseUrl(),
                                     "prefetch",
                                     "--level",
                                     "16",
                                     "--area",
                                     "138.70,35.34,138.76,35.39",
                                     "--high-speed"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Once some tiles have been asked for, Ctrl+C.
    while (slow.TotalRequests() < 8)
        std::this_thread::yield();
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    Counts c = ParseCounts(ReadFile(out));
    EXPECT_GT(c.downloaded, 0);
    EXPECT_EQ(c.failed, 0);
    // What was fetched is on disk and in the saved index; the rest was dropped, not failed.
    ProcessResult stats =
        RunProcess(program, {"--data-dir", (data / "cache").string(), "index", "stats", "16"});
    EXPECT_NE(stats.out.find("ondisk " + std::to_string(c.downloaded) + " "), std::string::npos)
        << stats.out;
    EXPECT_LT(c.downloaded, 144);
}

}  // namespace
}  // namespace hfp::test
