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

TEST(HttpClient, AnswersFailuresAndLimits) {
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
        // 10000 bytes announced, 4000 sent, then the connection closes.
        s.Get("/short", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(10000, "image/png",
                                     [](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset >= 4000) return false;
                                         std::string part(4000 - offset, 'x');
                                         sink.write(part.data(), part.size());
                                         return true;
                                     });
        });
        s.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/png",
                                             [](size_t offset, httplib::DataSink& sink) {
                                                 if (offset >= 5000) {
                                                     sink.done();
                                                     return true;
                                                 }
                                                 sink.write(std::string(1000, 'b').data(), 1000);
                                                 return true;
                                             });
        });
    });
    HttpOptions options;
    options.userAgent = "HollowfernPlotter-test";
    options.connectTimeout = options.transferTimeout = std::chrono::milliseconds(500);
    HttpClient client(options);
    test::TempDir dir;

    HttpResponse r = client.Get(server.Url("/tile.png"));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.body, "agent=HollowfernPlotter-test");
    EXPECT_EQ(r.contentLength, static_cast<int64_t>(r.body.size()));
    EXPECT_EQ(r.lastModified, "Wed, 02 Dec 2026 10:00:00 GMT");
    r = client.Get(server.Url("/missing"));  // an error page is an answer
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(r.status, 404);
    std::string binary("a\0b=c&d", 7);
    r = client.Post(server.Url("/echo"), binary, "application/x-www-form-urlencoded");
    EXPECT_EQ(r.body, "application/x-www-form-urlencoded|" + binary);
    r = client.GetToFile(server.Url("/tile.png"), dir / "t.png");  // options reset after a POST
    EXPECT_EQ(test::ReadFile(dir / "t.png"), "agent=HollowfernPlotter-test");

    // A body cut short, a port where nobody listens, one that never answers: no answer, and
    // no file left behind.
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len);
    const std::string dead = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x";
    for (int i = 0; i < 3; ++i) {
        if (i == 2) {
            ASSERT_EQ(::listen(probe, 4), 0);
        }
        r = client.GetToFile(i == 0 ? server.Url("/short") : dead, dir / "cut.png");
        EXPECT_FALSE(r.answered) << i;
        EXPECT_FALSE(r.error.empty()) << i;
        EXPECT_FALSE(std::filesystem::exists(dir / "cut.png")) << i;
    }
    ::close(probe);

    // Bodies above the limit are refused, announced or chunked.
    client.options().maxBodyBytes = 4096;
    r = client.GetToFile(server.Url("/big"), dir / "big.png");
    EXPECT_TRUE(r.answered && r.tooLarge && !r.ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "big.png"));
    client.options().maxBodyBytes = 0;
    r = client.Get(server.Url("/big"));
    EXPECT_EQ(r.body.size(), 5000u);
    EXPECT_EQ(r.contentLength, -1);
}

}  // namespace
}  // namespace hfp
