#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/TempDir.h"

namespace hfp::test {

// hfp-devserver running as a child process on a free loopback port, for the length of a
// test. It is started with `--port 0` plus `extraArgs` (fault switches, --tiles-dir ...);
// a server that does not start fails the test with an exception saying why.
class DevServer {
  public:
    explicit DevServer(std::vector<std::string> extraArgs = {});
    ~DevServer();  // stops the server and waits for it
    DevServer(const DevServer&) = delete;
    DevServer& operator=(const DevServer&) = delete;

    int port() const { return m_port; }
    std::string baseUrl() const;  // "http://127.0.0.1:PORT"
    std::string host() const;     // "127.0.0.1:PORT"

    // Requests the server has received for `path` ("/xyz/std/16/1/2.png"), and in all.
    int Requests(const std::string& path) const;
    int TotalRequests() const;
    // Forgets the counts.
    void ResetStats();

    // Ends the server with SIGTERM and returns its exit status (-1 when it did not exit
    // normally). The destructor does this for a server still running.
    int Stop();

  private:
    std::unique_ptr<ChildProcess> m_process;
    int m_port = 0;
    int m_lifeline[2] = {-1, -1};
};

}  // namespace hfp::test
