#include <gtest/gtest.h>

#include <algorithm>

#include "common/DevServer.h"
#include "common/TempDir.h"

namespace hfp::test {
namespace {

ProcessResult Hfp(const TempDir& data, const DevServer& server, std::vector<std::string> args) {
    args.insert(args.begin(),
                {"--data-dir", (data / "data").string(), "--services", server.baseUrl()});
    return RunProcess(BuiltProgram("hfp"), args);
}

// Exit 0 only when a session results; the session is then ended. The items come in the order
// received, text escaped to one line and binary in hex.
TEST(HfpSpot, LoginSaysWhetherASessionResulted) {
    TempDir data;
    struct Case {
        std::vector<std::string> serverArgs;
        std::string password;
        int exitCode;
        const char* out;  // must appear on stdout
        const char* err;  // must appear on stderr ("" for none)
        int requests;     // POSTs: the login, and SendEnd after a session
    } cases[] = {
        {{"--session-mask-key", "00ff10", "--session-text", "InformationMessage=a\\b\nc\x01"},
         "fern",
         0,
         "MaskKey=00ff10\nHearsayShisetsuIdCount=8\n",
         "",
         2},
        {{"--session-text", "InformationMessage=a\\b\nc\x01"},
         "fern",
         0,
         "InformationMessage=a\\\\b\\nc\\x01\n",
         "",
         2},
        {{"--session-text", "Message=VersionUp"}, "fern", 0, "Message=VersionUp\n", "", 2},
        {{"--session-text", "Message=Exit"}, "fern", 1, "Message=Exit\n", "", 1},
        {{}, "wrong", 1, "Status=0\nSID=", "hfp: The user ID or the password is wrong.", 1},
        {{"--session-mask-key", std::string(400, 'a')},
         "fern",
         1,
         "",
         "Fail to communicate with the server.",
         1},
    };
    for (const Case& c : cases) {
        DevServer server(c.serverArgs);
        ProcessResult r =
            Hfp(data, server, {"spot", "login", "--user", "hiker", "--password", c.password});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        if (*c.err) {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err, "");
        }
        EXPECT_EQ(server.Requests("/hpl/hplcom2E.php"), c.requests) << c.out;
    }
}

TEST(HfpSpot, UpdateDownloadsOnlyAChangedFile) {
    TempDir data;
    DevServer first({"--spot-count", "7"}), changed({"--spot-count", "3", "--spot-date", "new"});
    struct Step {
        const DevServer* server;
        std::vector<std::string> args;
        const char* says;
        int gets;  // GET or HEAD requests for the file
    } steps[] = {
        {&first, {"spot", "update"}, "spots 7 downloaded\n", 2},
        {&first, {"spot", "update"}, "spots 7 unchanged\n", 3},
        {&first, {"spot", "update", "--force"}, "spots 7 downloaded\n", 4},
        {&changed, {"spot", "update"}, "spots 3 downloaded\n", 2},
    };
    for (const Step& s : steps) {
        ProcessResult r = Hfp(data, *s.server, s.args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, s.says);
        EXPECT_EQ(s.server->Requests("/shisetsu/hplshisetsu.dat"), s.gets) << s.says;
    }
    // The changed file replaced the first; its texts come out in UTF-8.
    ProcessResult dump = Hfp(data, first, {"spot", "dump"});
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 3);
    const std::string line = dump.out.substr(0, dump.out.find('\n'));
    EXPECT_TRUE(line.starts_with("S2\t12")) << line;
    EXPECT_TRUE(line.ends_with("\t2\t0\t山小屋2\talt 1020m")) << line;
}

}  // namespace
}  // namespace hfp::test
