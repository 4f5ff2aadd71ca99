#include "platform/HttpClient.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <thread>

#include "common/TempDir.h"

namespace hfp {
namespace {

TEST(HttpClient, AnswersFailuresAndLimits) {
    httplib::Server server;
    server.Get("/tile.png", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Last-Modified", "Wed, 02 Dec 2026 10:00:00 GMT");
        res.set_content("agent=" + req.get_header_value("User-Agent"), "image/png");
    });
    server.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
    });
    // 10000 bytes announced, 4000 sent, then the connection closes.
    server.Get("/short", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(10000, "image/png", [](size_t offset, size_t, auto& sink) {
            if (offset >= 4000) return false;
            sink.write(std::string(4000 - offset, 'x').data(), 4000 - offset);
            return true;
        });
    });
    server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("image/png", [](size_t offset, auto& sink) {
            if (offset >= 5000) {
                sink.done();
                return true;
            }
            sink.write(std::string(1000, 'b').data(), 1000);
            return true;
        });
    });
    const std::string url =
        "http://127.0.0.1:" + std::to_string(server.bind_to_any_port("127.0.0.1"));
    std::thread serving([&] { server.listen_after_bind(); });
    HttpOptions options;
    options.userAgent = "HollowfernPlotter-test";
    auto client = std::make_unique<HttpClient>(options);
    test::TempDir dir;

    HttpResponse r = client->Get(url + "/tile.png");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.body, "agent=HollowfernPlotter-test");
    EXPECT_EQ(r.lastModified, "Wed, 02 Dec 2026 10:00:00 GMT");
    const std::string binary("a\0b=c&d", 7);
    r = client->Post(url + "/echo", binary, "application/x-www-form-urlencoded");
    EXPECT_EQ(r.body, "application/x-www-form-urlencoded|" + binary);
    r = client->GetToFile(url + "/tile.png", dir / "t.png");  // options reset after a POST
    EXPECT_EQ(test::ReadFile(dir / "t.png"), "agent=HollowfernPlotter-test");

    // A body cut short or one above the limit (announced or chunked) leaves no file.
    r = client->GetToFile(url + "/short", dir / "cut.png");
    EXPECT_FALSE(r.answered);
    EXPECT_FALSE(r.error.empty());
    client->options().maxBodyBytes = 4096;
    r = client->GetToFile(url + "/big", dir / "big.png");
    EXPECT_TRUE(r.answered && r.tooLarge && !r.ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "cut.png") ||
                 std::filesystem::exists(dir / "big.png"));
    client->options().maxBodyBytes = 0;
    r = client->Get(url + "/big");
    EXPECT_EQ(r.body.size(), 5000u);
    EXPECT_EQ(r.contentLength, -1);
    // A progress callback sees the body come and its false ends the request.
    int64_t seen = 0;
    client->options().onProgress = [&seen](int64_t received, int64_t) {
        seen = received;
        return received < 2000;
    };
    r = client->Get(url + "/big");
    EXPECT_FALSE(r.answered);
    EXPECT_EQ(r.error, "cancelled");
    EXPECT_GE(seen, 2000);
    client.reset();  // its kept-alive connection would hold the server's stop
    server.stop();
    serving.join();
}

}  // namespace
}  // namespace hfp
