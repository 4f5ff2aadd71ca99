#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace hfp {

struct HttpOptions {
    std::string userAgent;
    std::chrono::milliseconds connectTimeout{10000};
    // Limit for the whole request, connection included.
    std::chrono::milliseconds transferTimeout{60000};
    // Bodies above this many bytes are refused (0: no limit), whether the Content-Length
    // header announces them or they simply keep coming.
    std::size_t maxBodyBytes = 0;
    // Called now and then while a request runs, with the body bytes received so far and the
    // announced total (0 while unknown). Returning false ends the request at once as a
    // transport failure, the error saying "cancelled": a progress dialog's Abort.
    std::function<bool(int64_t received, int64_t total)> onProgress = {};
};

struct HttpResponse {
    // True when the server sent a complete response, whatever its status. False for a
    // transport failure: no connection, a time-out, or a connection dropped before the body
    // was complete (also a body shorter than its Content-Length).
    bool answered = false;
    // The server answered with a body larger than HttpOptions::maxBodyBytes; the body is
    // dropped. `answered` is true: the server did answer, with something unacceptable.
    bool tooLarge = false;
    // With `answered` false: the failure was on this side, not in the transport: the file of
    // GetToFile could not be created or written.
    bool localFailure = false;
    long status = 0;             // HTTP status; 0 when no status line arrived
    int64_t contentLength = -1;  // Content-Length header; -1 when absent
    std::string lastModified;    // Last-Modified header as sent; empty when absent
    std::string contentType;
    std::string body;   // the body, for requests into memory
    std::string error;  // what went wrong, for a transport failure

    bool ok() const { return answered && !tooLarge && status >= 200 && status < 300; }
};

// A blocking HTTP/1.1 client on libcurl. One object per thread: it keeps its connection to
// a host alive between requests. Redirects are not followed.
class HttpClient {
  public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpOptions& options() { return m_options; }

    HttpResponse Get(const std::string& url);
    // Writes the body into `file` (created or truncated). On a transport failure or a body
    // that is too large the partly written file is deleted.
    HttpResponse GetToFile(const std::string& url, const std::filesystem::path& file);
    HttpResponse Head(const std::string& url);
    HttpResponse Post(const std::string& url, std::string_view body,
                      const std::string& contentType = {});

  private:
    struct Transfer;
    HttpResponse Perform(const std::string& url, Transfer& transfer);

    HttpOptions m_options;
    void* m_curl = nullptr;
};

}  // namespace hfp
