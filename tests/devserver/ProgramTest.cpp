#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "devserver/DevServerTestUtil.h"

namespace hfp::test {
namespace {

ProcessResult DevServerRun(const std::vector<std::string>& args) {
    return RunProcess(BuiltProgram("hfp-devserver"), args);
}

TEST(DevServerProgram, HelpAndWrongOptions) {
    ProcessResult help = DevServerRun({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--port", "--tiles-dir", "--delay-ms", "--no-content-length",
                               "--html-rate", "--drop-rate", "/__stats"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"},
             {"--port"},
             {"--port", "x"},
             {"--port", "70000"},
             {"--delay-ms", "-1"},
             {"--html-rate", "1.5"},
             {"--drop-rate", "half"},
             {"--tiles-dir", "/nonexistent/folder"},
             {"--no-content-length=1"},
             {"extra"},
         }) {
        ProcessResult r = DevServerRun(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_NE(r.err.find("usage: hfp-devserver"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

// The listening sockets of a port in /proc/net/tcp and tcp6, by local address in the
// kernel's hexadecimal form ("0100007F" is 127.0.0.1).
std::vector<std::string> ListeningAddresses(int port) {
    std::vector<std::string> addresses;
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, "%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // column titles
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.substr(local.find(':') + 1) == portHex)
                addresses.push_back(local.substr(0, local.find(':')));
        }
    }
    return addresses;
}

TEST(DevServerProgram, ListensOnLoopbackOnlyAndEndsCleanlyOnSigterm) {
    DevServer server;
    EXPECT_EQ(ListeningAddresses(server.port()), std::vector<std::string>{"0100007F"});
    EXPECT_TRUE(GetPath(server, TilePath(12, 3625, 1616)).ok());
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_TRUE(ListeningAddresses(server.port()).empty());
}

}  // namespace
}  // namespace hfp::test
