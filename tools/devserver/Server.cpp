#include "devserver/Server.h"

#include <httplib.h>

#include "devserver/Html.h"

namespace hfp::devserver {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
// Every keep-alive connection holds a worker thread, and the map editor keeps several
// download threads per zoom level.
constexpr std::size_t kWorkerThreads = 64;
// How long an idle keep-alive connection stays open, in seconds; shutting down waits for it.
constexpr time_t kKeepAliveSeconds = 2;

}  // namespace

Server::Server(const Options& options)
    : m_options(options),
      m_http(std::make_unique<httplib::Server>()),
      m_faults(options),
      m_tiles(options, m_faults),
      m_updates(options, m_faults),
      m_geomag(options),
      m_spots(options) {
    m_http->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // Headers and body go out in separate writes: without this, Nagle's algorithm holds the
    // body back for the client's delayed acknowledgement, some 40 ms per keep-alive request.
    m_http->set_tcp_nodelay(true);
    m_http->set_keep_alive_timeout(kKeepAliveSeconds);
    m_http->set_keep_alive_max_count(1000);
    m_http->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        m_stats.Count(req.path);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    httplib::Server::HandlerWithResponse errorPage = [](const httplib::Request&,
                                                        httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 404) {
            SendNotFound(res);
        } else {
            res.set_content(HtmlPage(res.status, "Error", "The request could not be served."),
                            "text/html; charset=utf-8");
        }
        return httplib::Server::HandlerResponse::Handled;
    };
    m_http->set_error_handler(errorPage);

    m_stats.Register(*m_http);
    m_tiles.Register(*m_http);
    m_updates.Register(*m_http);
    m_geomag.Register(*m_http);
    m_spots.Register(*m_http);
}

Server::~Server() = default;

int Server::Bind() {
    if (m_options.port == 0) return m_http->bind_to_any_port(kLoopback);
    return m_http->bind_to_port(kLoopback, m_options.port) ? m_options.port : -1;
}

bool Server::Run() {
    return m_http->listen_after_bind();
}

void Server::Stop() {
    m_faults.Stop();
    m_http->stop();
}

}  // namespace hfp::devserver
