#include "devserver/RequestStats.h"

#include <httplib.h>

#include <cstdio>

namespace hfp::devserver {

namespace {

constexpr const char* kControlPrefix = "/__";

void AppendJsonString(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

}  // namespace

void RequestStats::Count(const std::string& path) {
    if (path.starts_with(kControlPrefix)) return;
    std::lock_guard lock(m_mutex);
    ++m_total;
    ++m_paths[path];
}

void RequestStats::Reset() {
    std::lock_guard lock(m_mutex);
    m_total = 0;
    m_paths.clear();
}

std::string RequestStats::Json() const {
    std::lock_guard lock(m_mutex);
    std::string out = "{\"total\":" + std::to_string(m_total) + ",\"paths\":{";
    bool first = true;
    for (const auto& [path, count] : m_paths) {
        if (!first) out += ',';
        first = false;
        AppendJsonString(out, path);
        out += ':' + std::to_string(count);
    }
    out += "}}\n";
    return out;
}

void RequestStats::Register(httplib::Server& server) {
    server.Get("/__stats", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(Json(), "application/json");
    });
    auto reset = [this](const httplib::Request&, httplib::Response& res) {
        Reset();
        res.set_content(Json(), "application/json");
    };
    server.Get("/__reset", reset);
    server.Post("/__reset", reset);
}

}  // namespace hfp::devserver
