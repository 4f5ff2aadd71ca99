#pragma once

#include <map>
#include <mutex>
#include <string>

namespace httplib {
class Server;
}

namespace hfp::devserver {

// Counts the requests received per path, so that tests can tell whether a request was sent.
// The control paths (/__stats, /__reset) are not counted.
class RequestStats {
  public:
    // Counts a request for `path` unless it is a control path.
    void Count(const std::string& path);
    void Reset();
    // {"total":3,"paths":{"/xyz/std/16/1/2.png":2,...}}
    std::string Json() const;

    // Serves GET /__stats and GET or POST /__reset.
    void Register(httplib::Server& server);

  private:
    mutable std::mutex m_mutex;
    long long m_total = 0;
    std::map<std::string, long long> m_paths;
};

}  // namespace hfp::devserver
