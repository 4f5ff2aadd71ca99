#include "platform/HttpClient.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "common/TempDir.h"

namespace hfp {
namespace {

// A real HTTP server on a loopback port, with the handlers a test gives it.
class LoopbackServer {
  public:
    explicit LoopbackServer(const std::function<void(httplib::Server&)>& setup) {
        setup(m_server);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~LoopbackServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

  private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

// Sends the headers for `announced` bytes, then only `sent` bytes, then closes.
void ServeTruncated(httplib::Response& res, std::size_t announced, std::size_t sent) {
    res.set_content_provider(announced, "image/png",
                             [sent](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset >= sent) return false;
                                 std::string part(sent - offset, 'x');
                                 sink.write(part.data(), part.size());
                                 return true;
                             });
}

TEST(HttpClient, AnswersWithStatusHeadersAndBody) {
    LoopbackServer server([](httplib::Server& s) {
        s.Get("/tile.png", [](const httplib::Request& req, httplib::Response& res) {
            res.set_header("Last-Modified", "Wed, 02 Dec 2026 10:00:00 GMT");
            res.set_content("agent=" + req.get_header_value("User-Agent"), "image/png");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<!DOCTYPE html><html></html>", "text/html");
        });
        s.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
        });
    });

    HttpOptions options;
    options.userAgent = "HollowfernPlotter-test";
    HttpClient client(options);

    HttpResponse r = client.Get(server.Url("/tile.png"));
    EXPECT_TRUE(r.answered);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "agent=HollowfernPlotter-test");
    EXPECT_EQ(r.contentLength, static_cast<int64_t>(r.body.size()));
    EXPECT_EQ(r.lastModified, "Wed, 02 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(r.contentType, "image/png");

    // An error page is an answer, not a transport failure.
    r = client.Get(server.Url("/missing"));
    EXPECT_TRUE(r.answered);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.contentType, "text/html");

    r = client.Head(server.Url("/tile.png"));
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.body.empty());
    EXPECT_EQ(r.lastModified, "Wed, 02 Dec 2026 10:00:00 GMT");

    std::string binary("a\0b=c&d", 7);
    r = client.Post(server.Url("/echo"), binary, "application/x-www-form-urlencoded");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.body, "application/x-www-form-urlencoded|" + binary);

    // The same client goes on working after a POST (options are reset per request).
    r = client.Get(server.Url("/tile.png"));
    EXPECT_EQ(r.body, "agent=HollowfernPlotter-test");

    test::TempDir dir;
    r = client.GetToFile(server.Url("/tile.png"), dir / "t.png");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(test::ReadFile(dir / "t.png"), "agent=HollowfernPlotter-test");
}

TEST(HttpClient, TransportFailuresAreNotAnswers) {
    LoopbackServer server([](httplib::Server& s) {
        s.Get("/short", [](const httplib::Request&, httplib::Response& res) {
            ServeTruncated(res, 10000, 4000);
        });
    });
    test::TempDir dir;
    HttpOptions options;
    options.connectTimeout = std::chrono::milliseconds(500);
    options.transferTimeout = std::chrono::milliseconds(500);
    HttpClient client(options);

    // A body shorter than its Content-Length: the connection dropped.
    HttpResponse r = client.GetToFile(server.Url("/short"), dir / "short.png");
    EXPECT_FALSE(r.answered);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "short.png"));
    r = client.Get(server.Url("/short"));
    EXPECT_FALSE(r.answered);

    // A port where nobody listens.
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len);
    std::string closedUrl = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x";
    r = client.Get(closedUrl);  // bound but not listening: refused
    EXPECT_FALSE(r.answered);
    EXPECT_EQ(r.status, 0);

    // A server that takes the connection and never answers: the time-out ends it.
    ASSERT_EQ(::listen(probe, 4), 0);
    r = client.GetToFile(closedUrl, dir / "silent.png");
    EXPECT_FALSE(r.answered);
    EXPECT_FALSE(std::filesystem::exists(dir / "silent.png"));
    ::close(probe);
}

TEST(HttpClient, RefusesBodiesAboveTheLimit) {
    LoopbackServer server([](httplib::Server& s) {
        s.Get("/announced", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(5000, 'a'), "image/png");
        });
        s.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/png",
                                             [](size_t offset, httplib::DataSink& sink) {
                                                 if (offset >= 5000) {
                                                     sink.done();
                                                     return true;
                                                 }
                                                 std::string part(1000, 'b');
                                                 sink.write(part.data(), part.size());
                                                 return true;
                                             });
        });
    });
    test::TempDir dir;
    HttpOptions options;
    options.maxBodyBytes = 4096;
    HttpClient client(options);
    for (const char* path : {"/announced", "/chunked"}) {
        HttpResponse r = client.GetToFile(server.Url(path), dir / "big.png");
        EXPECT_TRUE(r.answered) << path;
        EXPECT_TRUE(r.tooLarge) << path;
        EXPECT_FALSE(r.ok()) << path;
        EXPECT_FALSE(std::filesystem::exists(dir / "big.png")) << path;
    }
    client.options().maxBodyBytes = 0;
    HttpResponse r = client.Get(server.Url("/chunked"));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.body.size(), 5000u);
    EXPECT_EQ(r.contentLength, -1);
}

}  // namespace
}  // namespace hfp
