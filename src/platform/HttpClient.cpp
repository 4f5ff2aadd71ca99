#include "platform/HttpClient.h"

#include <curl/curl.h>

#include <strings.h>
#include <cstdio>
#include <mutex>

#include "platform/Trace.h"

namespace hfp {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

struct HttpClient::Transfer {
    HttpResponse* response = nullptr;
    std::FILE* file = nullptr;  // body goes here when set, else into response->body
    std::size_t maxBody = 0;
    std::size_t received = 0;
    bool writeFailed = false;
    bool cancelled = false;
    const std::function<bool(int64_t, int64_t)>* onProgress = nullptr;

    static int OnProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t,
                          curl_off_t) {
        auto* t = static_cast<Transfer*>(user);
        if ((*t->onProgress)(received, total)) return 0;
        t->cancelled = true;
        return 1;  // aborts the transfer
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        size_t n = size * count;
        t->received += n;
        if (t->maxBody && t->received > t->maxBody) {
            t->response->tooLarge = true;
            return 0;  // aborts the transfer
        }
        if (t->file) {
            if (std::fwrite(data, 1, n, t->file) != n) {
                t->writeFailed = true;
                return 0;
            }
        } else {
            t->response->body.append(data, n);
        }
        return n;
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        size_t n = size * count;
        std::string_view line(data, n);
        if (line.starts_with("HTTP/")) {
            // A new response (after a 100 Continue, say): forget the previous headers.
            t->response->lastModified.clear();
            t->response->contentType.clear();
            t->response->contentLength = -1;
            return n;
        }
        auto colon = line.find(':');
        if (colon == std::string_view::npos) return n;
        std::string_view name = line.substr(0, colon);
        std::string_view value = Trim(line.substr(colon + 1));
        auto is = [&](const char* key) {
            return name.size() == std::char_traits<char>::length(key) &&
                   strncasecmp(name.data(), key, name.size()) == 0;
        };
        if (is("Last-Modified")) {
            t->response->lastModified = std::string(value);
        } else if (is("Content-Type")) {
            t->response->contentType = std::string(value);
        } else if (is("Content-Length")) {
            int64_t length = 0;
            bool valid = !value.empty();
            for (char c : value) {
                if (c < '0' || c > '9' || length > (INT64_MAX - 9) / 10) {
                    valid = false;
                    break;
                }
                length = length * 10 + (c - '0');
            }
            t->response->contentLength = valid ? length : -1;
            if (valid && t->maxBody && static_cast<uint64_t>(length) > t->maxBody) {
                t->response->tooLarge = true;
                return 0;  // refuse before any of the body arrives
            }
            // A body kept in memory gets its room at once, within the limit.
            if (valid && t->maxBody && !t->file)
                t->response->body.reserve(static_cast<std::size_t>(length));
        }
        return n;
    }
};

HttpClient::HttpClient(HttpOptions options) : m_options(std::move(options)) {
    GlobalInit();
    m_curl = curl_easy_init();
}

HttpClient::~HttpClient() {
    if (m_curl) curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

HttpResponse HttpClient::Perform(const std::string& url, Transfer& transfer) {
    HttpResponse& response = *transfer.response;
    CURL* curl = static_cast<CURL*>(m_curl);
    if (!curl) {
        response.error = "cannot create an HTTP handle";
        return response;
    }
    transfer.maxBody = m_options.maxBodyBytes;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(m_options.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(m_options.transferTimeout.count()));
    if (!m_options.userAgent.empty())
        curl_easy_setopt(curl, CURLOPT_USERAGENT, m_options.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    if (m_options.onProgress) {
        transfer.onProgress = &m_options.onProgress;
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    }

    CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = status;
    if (response.tooLarge) {
        response.answered = true;
        response.body.clear();
    } else if (rc == CURLE_OK) {
        response.answered = true;
    } else {
        response.answered = false;
        response.localFailure = transfer.writeFailed;
        response.error = transfer.cancelled     ? "cancelled"
                         : transfer.writeFailed ? "cannot write the downloaded data"
                                                : curl_easy_strerror(rc);
        Trace("HTTP %s: %s", url.c_str(), response.error.c_str());
    }
    curl_easy_reset(curl);  // keeps the connection for the next request
    return response;
}

HttpResponse HttpClient::Get(const std::string& url) {
    HttpResponse response;
    Transfer transfer{&response};
    return Perform(url, transfer);
}

HttpResponse HttpClient::GetToFile(const std::string& url, const std::filesystem::path& file) {
    HttpResponse response;
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) {
        response.localFailure = true;
        response.error = "cannot create " + file.string();
        return response;
    }
    Transfer transfer{&response, out};
    Perform(url, transfer);
    bool closed = std::fclose(out) == 0;
    if (!closed && response.answered && !response.tooLarge) {
        response.answered = false;
        response.localFailure = true;
        response.error = "cannot write " + file.string();
    }
    if (!response.answered || response.tooLarge) std::remove(file.c_str());
    return response;
}

HttpResponse HttpClient::Head(const std::string& url) {
    HttpResponse response;
    Transfer transfer{&response};
    curl_easy_setopt(static_cast<CURL*>(m_curl), CURLOPT_NOBODY, 1L);
    return Perform(url, transfer);
}

HttpResponse HttpClient::Post(const std::string& url, std::string_view body,
                              const std::string& contentType) {
    HttpResponse response;
    Transfer transfer{&response};
    CURL* curl = static_cast<CURL*>(m_curl);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, body.data());
    curl_slist* headers = nullptr;
    if (!contentType.empty()) {
        headers = curl_slist_append(headers, ("Content-Type: " + contentType).c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    }
    Perform(url, transfer);
    curl_slist_free_all(headers);
    return response;
}

}  // namespace hfp
