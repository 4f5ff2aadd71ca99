#include "devserver/Faults.h"

#include <httplib.h>

#include <chrono>
#include <cstdint>

#include "devserver/Html.h"
#include "devserver/Options.h"

namespace hfp::devserver {

namespace {

constexpr unsigned kHtmlSalt = 1;
constexpr unsigned kDropSalt = 2;

// True for the share `rate` of all paths; rate 1 picks every path, rate 0 none.
bool Picks(const std::string& path, double rate, unsigned salt) {
    return rate > 0.0 && (rate >= 1.0 || PathShare(path, salt) < rate);
}

}  // namespace

double PathShare(const std::string& path, unsigned salt) {
    // FNV-1a over the salt and the path, then a final mix so that neighbouring tiles spread.
    uint64_t h = 14695981039346656037ull ^ salt;
    for (unsigned char c : path) {
        h ^= c;
        h *= 1099511628211ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

Faults::Faults(const Options& options)
    : m_delayMs(options.delayMs),
      m_noContentLength(options.noContentLength),
      m_htmlRate(options.htmlRate),
      m_dropRate(options.dropRate),
      m_errorStatus(options.errorStatus) {}

void Faults::Delay() {
    if (m_delayMs <= 0) return;
    std::unique_lock lock(m_mutex);
    m_stopped.wait_for(lock, std::chrono::milliseconds(m_delayMs), [this] { return m_stop; });
}

void Faults::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
}

bool Faults::AnswersWithHtml(const std::string& path) const {
    return Picks(path, m_htmlRate, kHtmlSalt);
}

bool Faults::DropsConnection(const std::string& path) const {
    return Picks(path, m_dropRate, kDropSalt);
}

void Faults::Send(const std::string& path, std::shared_ptr<const std::string> body,
                  const std::string& contentType, httplib::Response& res) const {
    res.status = 200;
    if (m_errorStatus) {
        res.status = m_errorStatus;
        res.set_content(HtmlPage(m_errorStatus, "Service Unavailable",
                                 "The map service cannot answer now. Please try again later."),
                        "text/html; charset=utf-8");
    } else if (AnswersWithHtml(path)) {
        res.set_content(HtmlPage(200, "Maintenance",
                                 "The map service is being maintained. Please try again later."),
                        "text/html; charset=utf-8");
    } else if (DropsConnection(path)) {
        // The full length is announced, half the body is sent, then the provider gives up,
        // which makes the server close the connection.
        std::size_t size = body->size();
        res.set_content_provider(size, contentType,
                                 [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     std::size_t part = body->size() / 2;
                                     if (offset < part)
                                         sink.write(body->data() + offset, part - offset);
                                     return false;
                                 });
    } else if (m_noContentLength) {
        res.set_chunked_content_provider(
            contentType, [body](std::size_t offset, httplib::DataSink& sink) {
                if (offset < body->size())
                    sink.write(body->data() + offset, body->size() - offset);
                else
                    sink.done();
                return true;
            });
    } else {
        res.set_content(*body, contentType);
    }
}

}  // namespace hfp::devserver
