#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

#include "spot/BrowserBridge.h"

namespace hfp::test {
namespace {

// A bridge on a port of its own and what it asked of the program, in order. Its error boxes
// are closed at once, as by a user quick to click.
struct RecordedBridge : BrowserBridgeClient {
    RecordedBridge() { EXPECT_TRUE(bridge.Start(0)); }
    void MoveMapTo(GeoPoint c) override {
        Add("move " + std::to_string(c.lat) + " " + std::to_string(c.lon));
    }
    void CloseBrowser() override { Add("close"); }
    void ShowBridgeError(const std::string& text) override {
        Add(text);
        bridge.MessageClosed();
    }
    void Add(std::string event) {
        std::lock_guard guard(lock);
        events.push_back(std::move(event));
    }
    std::vector<std::string> Stop() {
        bridge.Stop();
        return events;
    }

    std::mutex lock;
    std::vector<std::string> events;
    BrowserBridge bridge{this};
};

// A connection to the bridge (-1: refused) that gives up reading after 30 s, not hanging.
int Connect(uint16_t port, in_addr address = {htonl(INADDR_LOOPBACK)}) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    timeval limit{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in to{AF_INET, htons(port), address, {}};
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return fd;
    close(fd);
    return -1;
}

// Everything the bridge sends until it closes the connection.
std::string ReadAll(int fd) {
    std::string reply;
    char piece[512];
    for (ssize_t n; (n = recv(fd, piece, sizeof piece, 0)) > 0;)
        reply.append(piece, static_cast<std::size_t>(n));
    close(fd);
    return reply;
}

// Sends a browser's request (the line, then headers) and returns the reply.
std::string Request(uint16_t port, const std::string& line) {
    const int fd = Connect(port);
    const std::string request = line + "\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    return ReadAll(fd);
}

std::string Answer(const char* status) {
    return std::string("HTTP/1.1 200 OK\r\n\r\ncallback({'Status':'") + status + "'});";
}

TEST(BrowserBridge, AnswersMovesAndRefusesAsAPageExpects) {
    const std::string longest = "GET /CheckHPLAlive?" + std::string(511 - 28, 'x') + " HTTP/1.1";
    const std::string move = "move 12780000 49770000",
                      header = "Invalid request header from web browser.";
    struct Case {
        std::string line;
        const char* status;  // nullptr: no reply at all
        std::vector<std::string> events;
    } cases[] = {
        {"GET /CheckHPLAlive HTTP/1.1", "0", {}},
        {"GET /MoveLatLng?lat=35.5&lng=138.25 HTTP/1.1", "0", {move}},
        {"GET /MoveLatLng?lng=138.25&lat=35.5&x HTTP/1.1", "0", {move}},
        {"GET /MoveLatLng?lng=138.25 HTTP/1.1", "-1", {"Latitude is needed to move."}},
        {"GET /MoveLatLng?lat=35.5 HTTP/1.1", "-1", {"Longitude is needed to move."}},
        {"GET /MoveLatLng?lat=-35.5&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35.5\t&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35.5&lng=152.5 HTTP/1.1", "-1", {}},   // east of the service area
        {"GET /MoveLatLng?lat=21.5&lng=138.25 HTTP/1.1", "-1", {}},  // south of it
        {"GET /MoveLatLng?lat=99999999999999999999.5&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /CloseIE HTTP/1.1", "-1", {"close"}},
        {"GET /checkhplalive HTTP/1.1", "-1", {"Invalid request from web browser."}},
        {"GET /CheckHPLAlive", nullptr, {header}},
        {"GET  /CheckHPLAlive HTTP/1.1", nullptr, {header}},
        {longest, "0", {}},
        {longest + "x", nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 60));
        RecordedBridge bridge;
        EXPECT_EQ(Request(bridge.bridge.port(), c.line), c.status ? Answer(c.status) : "");
        EXPECT_EQ(bridge.Stop(), c.events);
    }
}

// Any page the user visits can call the bridge: a flood of bad requests is still answered,
// but must not bury the user under error boxes.
TEST(BrowserBridge, FloodOfBadRequestsShowsAtMostOneMessageEveryFewSeconds) {
    RecordedBridge bridge;
    const auto start = std::chrono::steady_clock::now();
    int answered = 0;
    for (int i = 0; i < 1000; ++i)
        answered += Request(bridge.bridge.port(), "GET /nothing HTTP/1.1") == Answer("-1");
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    const std::size_t messages = bridge.Stop().size();
    EXPECT_EQ(answered, 1000);
    EXPECT_GE(messages, 1u);
    EXPECT_LE(messages, 1u + seconds * 1000 / BrowserBridge::kMessageGapMs);
}

// The bridge serves one connection at a time: a client that connects and says nothing must
// not keep the page's next request from an answer.
TEST(BrowserBridge, SilentClientsDoNotHoldTheBridge) {
    RecordedBridge bridge;
    const uint16_t port = bridge.bridge.port();
    const int silent = Connect(port);
    EXPECT_EQ(Request(port, "GET /CheckHPLAlive HTTP/1.1"), Answer("0"));
    EXPECT_EQ(ReadAll(silent), "");
}

// Another machine on the same network (a café's Wi-Fi) must not reach the bridge.
TEST(BrowserBridge, RefusesConnectionsToTheNetworkAddress) {
    // The address this machine goes out with: a UDP socket's connect only picks the route.
    const int udp = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in out{AF_INET, htons(9), {inet_addr("192.0.2.1")}, {}};
    socklen_t length = sizeof out;
    const bool routed = connect(udp, reinterpret_cast<sockaddr*>(&out), sizeof out) == 0 &&
                        getsockname(udp, reinterpret_cast<sockaddr*>(&out), &length) == 0;
    close(udp);
    if (!routed || ntohl(out.sin_addr.s_addr) >> 24 == 127)
        GTEST_SKIP() << "this machine has only loopback addresses";
    RecordedBridge bridge;
    const int fd = Connect(bridge.bridge.port(), out.sin_addr);
    if (fd >= 0) close(fd);
    EXPECT_LT(fd, 0) << "the bridge accepted a connection to " << inet_ntoa(out.sin_addr);
}

}  // namespace
}  // namespace hfp::test
