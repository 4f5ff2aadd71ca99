#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "common/TempDir.h"
#include "devserver/DevServerTestUtil.h"

namespace hfp::test {
namespace {

// Twenty tiles of a level-16 town, all inside the service area.
std::string TownTile(int i) {
    return TilePath(16, 58030 + i % 5, 25890 + i / 5);
}

// One request on a fresh connection, read to the end: what the server sent, byte for byte.
std::string RawGet(int port, const std::string& path) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string received;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
            char buf[4096];
            ssize_t n;
            while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0)
                received.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return received;
}

TEST(DevServerFaults, DelayedTilesStillArrive) {
    DevServer server({"--delay-ms", "300"});
    auto start = std::chrono::steady_clock::now();
    HttpResponse r = GetPath(server, TownTile(0));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(DecodesTo256(r.body));
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(server.Requests(TownTile(0)), 1);
}

TEST(DevServerFaults, TilesWithoutContentLength) {
    DevServer plain;
    DevServer chunked({"--no-content-length"});
    HttpResponse withLength = GetPath(plain, TownTile(0));
    HttpResponse without = GetPath(chunked, TownTile(0));
    EXPECT_EQ(withLength.contentLength, static_cast<int64_t>(withLength.body.size()));
    EXPECT_TRUE(without.ok());
    EXPECT_EQ(without.contentLength, -1);
    EXPECT_EQ(without.contentType, "image/png");
    EXPECT_EQ(without.body, withLength.body);
    // Error pages keep theirs.
    EXPECT_GE(GetPath(chunked, "/nothing").contentLength, 0);
}

TEST(DevServerFaults, HtmlPagesInPlaceOfTiles) {
    DevServer all({"--html-rate", "1"});
    for (int i = 0; i < 3; ++i) {
        HttpResponse r = GetPath(all, TownTile(i));
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.contentType.rfind("text/html", 0), 0u) << r.contentType;
        EXPECT_TRUE(StartsWithDoctype(r.body));
    }

    // With half the tiles hit, a path always gets the same kind of answer.
    DevServer half({"--html-rate", "0.5"});
    int pages = 0;
    for (int i = 0; i < 20; ++i) {
        HttpResponse first = GetPath(half, TownTile(i));
        HttpResponse again = GetPath(half, TownTile(i));
        EXPECT_EQ(first.status, 200);
        bool page = StartsWithDoctype(first.body);
        EXPECT_EQ(StartsWithDoctype(again.body), page) << TownTile(i);
        if (!page) {
            EXPECT_TRUE(DecodesTo256(first.body)) << TownTile(i);
        }
        pages += page;
    }
    EXPECT_GT(pages, 0);
    EXPECT_LT(pages, 20);

    DevServer none({"--html-rate", "0"});
    EXPECT_TRUE(DecodesTo256(GetPath(none, TownTile(0)).body));
}

TEST(DevServerFaults, DroppedConnectionsCutTheBodyShort) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "16" / "58030");
    WriteFile(dir.path() / "16" / "58030" / "25890.png", std::string(10000, 'x'));
    DevServer dropping({"--drop-rate", "1", "--tiles-dir", dir.path().string()});

    HttpResponse r = GetPath(dropping, TownTile(0));
    EXPECT_FALSE(r.answered);
    EXPECT_EQ(dropping.Requests(TownTile(0)), 1);

    // The whole length is announced, part of the body sent, then the connection closed.
    std::string raw = RawGet(dropping.port(), TownTile(0));
    std::size_t headerEnd = raw.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos) << raw;
    std::string headers = raw.substr(0, headerEnd);
    EXPECT_EQ(headers.rfind("HTTP/1.1 200", 0), 0u) << headers;
    EXPECT_NE(headers.find("Content-Length: 10000"), std::string::npos) << headers;
    std::size_t bodyBytes = raw.size() - headerEnd - 4;
    EXPECT_GT(bodyBytes, 0u);
    EXPECT_LT(bodyBytes, 10000u);

    // Drawn tiles, half of them hit: each path is always dropped or always whole.
    DevServer half({"--drop-rate", "0.5"});
    int dropped = 0;
    for (int i = 0; i < 20; ++i) {
        HttpResponse first = GetPath(half, TownTile(i));
        HttpResponse again = GetPath(half, TownTile(i));
        EXPECT_EQ(again.answered, first.answered) << TownTile(i);
        if (first.answered) {
            EXPECT_TRUE(DecodesTo256(first.body)) << TownTile(i);
        }
        dropped += !first.answered;
    }
    EXPECT_GT(dropped, 0);
    EXPECT_LT(dropped, 20);
}

}  // namespace
}  // namespace hfp::test
