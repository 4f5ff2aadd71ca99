#include "spot/BrowserBridge.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "geo/CoordinateText.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadPiece = 255;

void SetFlags(int fd) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Splits at every `separator`, keeping empty pieces.
std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// The value of the first query item called `name`; false when there is none.
bool QueryValue(std::string_view query, std::string_view name, std::string_view* value) {
    if (query.empty()) return false;
    for (std::string_view pair : Split(query, '&')) {
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) != name) continue;
        *value = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        return true;
    }
    return false;
}

// Decimal degrees as digits, one ".", digits, in geo units; -1 for any other text or a place
// outside the service area.
int32_t DegreesToGeo(std::string_view text, bool longitude) {
    if (text.find('.') == std::string_view::npos ||
        text.find_first_not_of("0123456789.") != std::string_view::npos)
        return -1;
    const int32_t geo = ParseCoordinateText(text, longitude);
    if (geo < 0) return -1;
    const bool inside = longitude ? geo >= kServiceWest && geo <= kServiceEast
                                  : geo >= kServiceSouth && geo <= kServiceNorth;
    return inside ? geo : -1;
}

std::string Reply(const std::string& status) {
    return "HTTP/1.1 200 OK\r\n\r\ncallback({'Status':'" + status + "'});";
}

void SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, BrowserBridge::kRequestWaitMs) <= 0) return;
        } else {
            return;
        }
    }
}

}  // namespace

BrowserBridge::BrowserBridge(BrowserBridgeClient* client) : m_client(client) {}

BrowserBridge::~BrowserBridge() {
    Stop();
}

bool BrowserBridge::Start(uint16_t port) {
    if (m_thread.joinable()) return true;
    if (!Listen(port)) {
        CloseSockets();
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    Trace("browser bridge: listening on port %u", m_port);
    return true;
}

bool BrowserBridge::Listen(uint16_t port) {
    if (pipe(m_wake) != 0) {
        m_wake[0] = m_wake[1] = -1;
        ReportError("Create listen socket error.");
        return false;
    }
    SetFlags(m_wake[0]);
    SetFlags(m_wake[1]);
    m_listen4 = socket(AF_INET, SOCK_STREAM, 0);
    if (m_listen4 < 0) {
        ReportError("Create listen socket error.");
        return false;
    }
    SetFlags(m_listen4);
    const int on = 1;
    setsockopt(m_listen4, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    v4.sin_port = htons(port);
    socklen_t length = sizeof v4;
    if (bind(m_listen4, reinterpret_cast<sockaddr*>(&v4), sizeof v4) != 0 ||
        getsockname(m_listen4, reinterpret_cast<sockaddr*>(&v4), &length) != 0) {
        ReportError("Listen socket bind error.");
        return false;
    }
    if (listen(m_listen4, 1) != 0) {
        ReportError("Listen socket listen error.");
        return false;
    }
    m_port = ntohs(v4.sin_port);

    // ::1 on the same port, where the machine has it; IPv4 alone serves every page that
    // names 127.0.0.1.
    m_listen6 = socket(AF_INET6, SOCK_STREAM, 0);
    if (m_listen6 >= 0) {
        SetFlags(m_listen6);
        setsockopt(m_listen6, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        setsockopt(m_listen6, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_addr = in6addr_loopback;
        v6.sin6_port = htons(m_port);
        if (bind(m_listen6, reinterpret_cast<sockaddr*>(&v6), sizeof v6) != 0 ||
            listen(m_listen6, 1) != 0) {
            Trace("browser bridge: no ::1 (errno %d), 127.0.0.1 only", errno);
            CloseFd(m_listen6);
        }
    }
    return true;
}

void BrowserBridge::Stop() {
    if (m_thread.joinable()) {
        const char byte = 0;
        while (write(m_wake[1], &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    CloseSockets();
}

void BrowserBridge::CloseSockets() {
    CloseFd(m_listen4);
    CloseFd(m_listen6);
    CloseFd(m_wake[0]);
    CloseFd(m_wake[1]);
    m_port = 0;
}

void BrowserBridge::Run() {
#ifdef __linux__
    pthread_setname_np(pthread_self(), "hfp-bridge");  // for top -H and /proc
#endif
    for (;;) {
        pollfd fds[3] = {{m_wake[0], POLLIN, 0}, {m_listen4, POLLIN, 0}, {m_listen6, POLLIN, 0}};
        const nfds_t count = m_listen6 >= 0 ? 3 : 2;
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            Trace("browser bridge: poll failed (errno %d), bridge ended", errno);
            return;
        }
        if (fds[0].revents) return;
        for (nfds_t i = 1; i < count; ++i) {
            if (!fds[i].revents) continue;
            const int client = accept(fds[i].fd, nullptr, nullptr);
            if (client < 0) {
                // Out of descriptors: the connection stays waiting, and would wake poll() at
                // once for ever; give the program a moment to free some.
                if (errno == EMFILE || errno == ENFILE) {
                    pollfd wake{m_wake[0], POLLIN, 0};
                    poll(&wake, 1, 100);
                }
                continue;
            }
            SetFlags(client);
            Serve(client);
            close(client);
        }
    }
}

void BrowserBridge::Serve(int client) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kRequestWaitMs);
    auto msLeft = [&] {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    };
    // Waits for the client or for Stop(); false on a stop or when the time is up.
    auto wait = [&](int timeoutMs) {
        pollfd fds[2] = {{client, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        while (poll(fds, 2, timeoutMs) < 0) {
            if (errno != EINTR) return false;
        }
        return fds[0].revents != 0 && fds[1].revents == 0;
    };

    // The request line; what follows it (the headers) is read and dropped.
    std::string line;
    bool lineDone = false;
    bool anyByte = false;
    char piece[kReadPiece];
    for (;;) {
        // Once the line is in, read only what has already come, and not for ever.
        if (lineDone && msLeft() == 0) break;
        if (!wait(lineDone ? 0 : msLeft())) {
            if (lineDone) break;
            Trace("browser bridge: no request line within %d ms, closed", kRequestWaitMs);
            return;
        }
        const ssize_t n = recv(client, piece, sizeof piece, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        if (n <= 0) {
            if (lineDone) break;  // the client sent its request and shut its side
            // A connection closed before sending anything is a browser's probe, not an error.
            if (anyByte || n < 0) ReportError("Receive error from web browser.");
            return;
        }
        anyByte = true;
        for (ssize_t i = 0; i < n && !lineDone; ++i) {
            line.push_back(piece[i]);
            if (line.ends_with("\r\n")) {
                line.resize(line.size() - 2);
                lineDone = true;
            } else if (line.size() - (line.back() == '\r') > kMaxRequestLine) {
                Trace("browser bridge: request line over %zu characters refused", kMaxRequestLine);
                return;
            }
        }
    }

    const std::string status = Execute(line);
    if (status.empty()) return;
    SendAll(client, Reply(status));
    // Close only once the client has what it sent read: closing on unread bytes would reset
    // the connection and could destroy the reply on its way.
    shutdown(client, SHUT_WR);
    while (wait(msLeft()) && recv(client, piece, sizeof piece, 0) > 0) {
    }
}

std::string BrowserBridge::Execute(std::string_view line) {
    Trace("browser bridge: %.*s", static_cast<int>(line.size()), line.data());
    const std::vector<std::string_view> parts = Split(line, ' ');
    if (parts.size() != 3) {
        ReportError("Invalid request header from web browser.");
        return {};
    }
    const std::string_view target = parts[1];
    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    if (path == "/CheckHPLAlive") return "0";
    if (path == "/MoveLatLng") return MoveLatLng(query);
    if (path == "/CloseIE") {
        m_client->CloseBrowser();
        return "-1";
    }
    ReportError("Invalid request from web browser.");
    return "-1";
}

std::string BrowserBridge::MoveLatLng(std::string_view query) {
    std::string_view latText, lngText;
    if (!QueryValue(query, "lat", &latText)) {
        ReportError("Latitude is needed to move.");
        return "-1";
    }
    if (!QueryValue(query, "lng", &lngText)) {
        ReportError("Longitude is needed to move.");
        return "-1";
    }
    const int32_t lat = DegreesToGeo(latText, false);
    const int32_t lon = DegreesToGeo(lngText, true);
    if (lat < 0 || lon < 0) {
        Trace("browser bridge: no move to lat=%.*s lng=%.*s", static_cast<int>(latText.size()),
              latText.data(), static_cast<int>(lngText.size()), lngText.data());
        return "-1";
    }
    m_client->MoveMapTo({lat, lon});
    return "0";
}

void BrowserBridge::ReportError(const std::string& text) {
    {
        std::lock_guard guard(m_messageLock);
        const bool rested = !m_anyMessageClosed || Clock::now() - m_messageClosedAt >=
                                                       std::chrono::milliseconds(kMessageGapMs);
        if (m_messageOpen || !rested) {
            ++m_heldBack;
            Trace("browser bridge: message held back (%ld so far): %s", m_heldBack, text.c_str());
            return;
        }
        m_messageOpen = true;
    }
    m_client->ShowBridgeError(text);
}

void BrowserBridge::MessageClosed() {
    std::lock_guard guard(m_messageLock);
    m_messageOpen = false;
    m_anyMessageClosed = true;
    m_messageClosedAt = Clock::now();
}

}  // namespace hfp
