#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <optional>

#include "spot/BrowserBridge.h"

namespace hfp::test {
namespace {

// Records what the bridge asks of the program; error boxes are closed at once, as a user
// quick to click would.
class Recorder : public BrowserBridgeClient {
  public:
    void MoveMapTo(GeoPoint center) override {
        std::lock_guard guard(m_lock);
        moves.push_back(center);
    }
    void CloseBrowser() override {
        std::lock_guard guard(m_lock);
        ++closes;
    }
    void ShowBridgeError(const std::string& text) override {
        {
            std::lock_guard guard(m_lock);
            messages.push_back(text);
        }
        bridge->MessageClosed();
    }

    BrowserBridge* bridge = nullptr;
    std::vector<GeoPoint> moves;
    int closes = 0;
    std::vector<std::string> messages;

  private:
    std::mutex m_lock;
};

int Connect(uint16_t port, in_addr address = {htonl(INADDR_LOOPBACK)}) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    timeval limit{30, 0};  // a bridge that never answers fails the test instead of hanging it
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr = address;
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the bridge sends until it closes the connection.
std::string ReadAll(int fd) {
    std::string reply;
    char piece[512];
    ssize_t n;
    while ((n = recv(fd, piece, sizeof piece, 0)) > 0)
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
    ASSERT_EQ(longest.size(), 511u);
    struct Case {
        std::string line;
        const char* status;  // nullptr: no reply at all
        std::optional<GeoPoint> move;
        const char* message = "";
        int closes = 0;
    } cases[] = {
        {"GET /CheckHPLAlive HTTP/1.1", "0", {}},
        {"GET /MoveLatLng?lat=35.5&lng=138.25 HTTP/1.1", "0", GeoPoint{12780000, 49770000}},
        {"GET /MoveLatLng?lng=138.25&lat=35.5&x HTTP/1.1", "0", GeoPoint{12780000, 49770000}},
        {"GET /MoveLatLng?lng=138.25 HTTP/1.1", "-1", {}, "Latitude is needed to move."},
        {"GET /MoveLatLng?lat=35.5 HTTP/1.1", "-1", {}, "Longitude is needed to move."},
        {"GET /MoveLatLng?lat=-35.5&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=+35.5&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35.5\t&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35.5&lng=138.2e1 HTTP/1.1", "-1", {}},
        {"GET /MoveLatLng?lat=35.5&lng=152.5 HTTP/1.1", "-1", {}},   // east of the service area
        {"GET /MoveLatLng?lat=21.5&lng=138.25 HTTP/1.1", "-1", {}},  // south of it
        {"GET /MoveLatLng?lat=99999999999999999999.5&lng=138.25 HTTP/1.1", "-1", {}},
        {"GET /CloseIE HTTP/1.1", "-1", {}, "", 1},
        {"GET /checkhplalive HTTP/1.1", "-1", {}, "Invalid request from web browser."},
        {"GET /CheckHPLAlive", nullptr, {}, "Invalid request header from web browser."},
        {"GET  /CheckHPLAlive HTTP/1.1", nullptr, {}, "Invalid request header from web browser."},
        {longest, "0", {}},
        {longest + "x", nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 60));
        Recorder client;
        BrowserBridge bridge(&client);
        client.bridge = &bridge;
        ASSERT_TRUE(bridge.Start(0));
        EXPECT_EQ(Request(bridge.port(), c.line), c.status ? Answer(c.status) : "");
        bridge.Stop();
        EXPECT_EQ(client.moves, c.move ? std::vector<GeoPoint>{*c.move} : std::vector<GeoPoint>{});
        EXPECT_EQ(client.messages,
                  *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(client.closes, c.closes);
    }

    // A port that another program holds: the bridge says so once and stays off.
    Recorder first, second;
    BrowserBridge holder(&first), late(&second);
    second.bridge = &late;
    ASSERT_TRUE(holder.Start(0));
    EXPECT_FALSE(late.Start(holder.port()));
    EXPECT_EQ(second.messages, std::vector<std::string>{"Listen socket bind error."});
}

// Any page the user visits can call the bridge: a flood of bad requests is still answered,
// but must not bury the user under error boxes.
TEST(BrowserBridge, FloodOfBadRequestsShowsAtMostOneMessageEveryFewSeconds) {
    Recorder client;
    BrowserBridge bridge(&client);
    client.bridge = &bridge;
    ASSERT_TRUE(bridge.Start(0));
    const auto start = std::chrono::steady_clock::now();
    int answered = 0;
    for (int i = 0; i < 1000; ++i)
        answered += Request(bridge.port(), "GET /nothing HTTP/1.1") == Answer("-1");
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    bridge.Stop();
    EXPECT_EQ(answered, 1000);
    EXPECT_GE(client.messages.size(), 1u);
    EXPECT_LE(client.messages.size(), 1u + seconds * 1000 / BrowserBridge::kMessageGapMs);
}

// The bridge serves one connection at a time: a client that connects and says nothing (or
// half a line) must not keep the page's next request from an answer.
TEST(BrowserBridge, SilentClientsDoNotHoldTheBridge) {
    Recorder client;
    BrowserBridge bridge(&client);
    client.bridge = &bridge;
    ASSERT_TRUE(bridge.Start(0));
    const int silent = Connect(bridge.port());
    const int halfLine = Connect(bridge.port());
    send(halfLine, "GET /Check", 10, MSG_NOSIGNAL);
    EXPECT_EQ(Request(bridge.port(), "GET /CheckHPLAlive HTTP/1.1"), Answer("0"));
    EXPECT_EQ(ReadAll(silent), "");
    EXPECT_EQ(ReadAll(halfLine), "");
    bridge.Stop();
}

// Another machine on the same network (a café's Wi-Fi) must not reach the bridge.
TEST(BrowserBridge, RefusesConnectionsToTheNetworkAddress) {
    ifaddrs* list = nullptr;
    ASSERT_EQ(getifaddrs(&list), 0);
    std::optional<in_addr> outside;
    for (ifaddrs* a = list; a && !outside; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
        const in_addr address = reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr;
        if ((ntohl(address.s_addr) >> 24) != 127) outside = address;
    }
    freeifaddrs(list);
    if (!outside) GTEST_SKIP() << "this machine has only loopback addresses";
    Recorder client;
    BrowserBridge bridge(&client);
    ASSERT_TRUE(bridge.Start(0));
    const int fd = Connect(bridge.port(), *outside);
    if (fd >= 0) close(fd);
    EXPECT_LT(fd, 0) << "the bridge accepted a connection to " << inet_ntoa(*outside);
}

}  // namespace
}  // namespace hfp::test
