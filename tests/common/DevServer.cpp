#include "common/DevServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "platform/HttpClient.h"

namespace hfp::test {

namespace {

// Starting includes Qt's start-up, which is slow in sanitizer builds on a busy machine.
constexpr std::chrono::seconds kStartTimeout{60};

// Reads the child's first line of output; empty when none came in time.
std::string ReadFirstLine(int fd) {
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (text.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return {};
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
        char buf[256];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return {};  // the server ended without printing its port
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

QJsonObject Stats(const DevServer& server) {
    HttpClient client;
    HttpResponse r = client.Get(server.baseUrl() + "/__stats");
    if (!r.ok()) throw std::runtime_error("hfp-devserver /__stats failed: " + r.error);
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.body));
    if (!doc.isObject()) throw std::runtime_error("hfp-devserver /__stats is not JSON: " + r.body);
    return doc.object();
}

}  // namespace

DevServer::DevServer(std::vector<std::string> extraArgs) {
    // A thread-sanitized test run uses a plain server (HFP_TEST_DEVSERVER): the server's own
    // libraries are not instrumented, and their reports would only drown the tests' own.
    const char* chosen = std::getenv("HFP_TEST_DEVSERVER");
    const std::string program = chosen && *chosen ? chosen : BuiltProgram("hfp-devserver");
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    // The server's standard input is a pipe whose write end only this process holds: when
    // the test ends in any way, a crash included, the server sees the end of its input and
    // goes, instead of keeping the test runner waiting.
    if (::pipe2(m_lifeline, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> args{"--port", "0", "--exit-with-stdin"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    m_process = std::make_unique<ChildProcess>(program, args, std::vector<std::string>{},
                                               m_lifeline[0], out[1]);
    ::close(out[1]);
    ::close(m_lifeline[0]);
    m_lifeline[0] = -1;
    if (!m_process->started()) {
        ::close(out[0]);
        Stop();
        throw std::runtime_error("cannot start " + program + " (is it built?)");
    }

    std::string line = ReadFirstLine(out[0]);
    // The server writes nothing more to its output; it ignores the broken pipe.
    ::close(out[0]);
    std::size_t used = 0;
    try {
        m_port = std::stoi(line, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (line.empty() || used != line.size() || m_port <= 0 || m_port > 65535) {
        int status = Stop();
        throw std::runtime_error("hfp-devserver did not start (first line '" + line +
                                 "', exit status " + std::to_string(status) +
                                 "); its messages are above");
    }
}

DevServer::~DevServer() {
    Stop();
}

int DevServer::Stop() {
    if (m_lifeline[1] >= 0) ::close(m_lifeline[1]);
    m_lifeline[1] = -1;
    return m_process ? m_process->Stop() : -1;
}

std::string DevServer::baseUrl() const {
    return "http://" + host();
}

std::string DevServer::host() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

int DevServer::Requests(const std::string& path) const {
    return Stats(*this).value("paths").toObject().value(QString::fromStdString(path)).toInt(0);
}

int DevServer::TotalRequests() const {
    return Stats(*this).value("total").toInt(0);
}

void DevServer::ResetStats() {
    HttpClient client;
    HttpResponse r = client.Post(baseUrl() + "/__reset", "");
    if (!r.ok()) throw std::runtime_error("hfp-devserver /__reset failed: " + r.error);
}

}  // namespace hfp::test
