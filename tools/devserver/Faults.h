#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace httplib {
struct Response;
}

namespace hfp::devserver {

struct Options;

// The fault switches of the tile services: a delay before every answer, bodies without
// Content-Length, HTML pages in place of tiles, connections dropped in mid-body and an error
// status for every tile. Which
// paths get an HTML page or a dropped connection is a pure function of the path, so that a
// path always gets the same answer.
class Faults {
  public:
    explicit Faults(const Options& options);

    // Waits the configured delay; returns early once Stop() has been called.
    void Delay();
    // Ends every running and future Delay() at once, for shutting down.
    void Stop();

    bool AnswersWithHtml(const std::string& path) const;
    bool DropsConnection(const std::string& path) const;

    // Sends `body` as the answer, as the switches say: an HTML page or a dropped connection
    // for the paths they pick, else the body, chunked when Content-Length is switched off.
    void Send(const std::string& path, std::shared_ptr<const std::string> body,
              const std::string& contentType, httplib::Response& res) const;

  private:
    int m_delayMs = 0;
    bool m_noContentLength = false;
    double m_htmlRate = 0.0;
    double m_dropRate = 0.0;
    int m_errorStatus = 0;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false;
};

// A share in [0, 1) drawn from a path; the same path and salt always give the same share.
double PathShare(const std::string& path, unsigned salt);

}  // namespace hfp::devserver
