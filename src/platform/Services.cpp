#include "platform/Services.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <mutex>

namespace hfp {

namespace {

struct ServiceEntry {
    Service service;
    const char* name;
    const char* defaultHost;
};

// The spot service hosts are placeholders under a reserved domain: an installation configures
// them (they are never reached by default).
constexpr std::array<ServiceEntry, 8> kServices{{
    {Service::Tiles, "tiles", "cyberjapandata.gsi.go.jp"},
    {Service::Geomagnetic, "geomagnetic", "vldb.gsi.go.jp"},
    {Service::GsiWeb, "gsi-web", "www.gsi.go.jp"},
    {Service::SpotContent, "spot-content", "spot.cairn.example"},
    {Service::Session, "session", "session.cairn.example"},
    {Service::SessionFallback1, "session-fallback1", "session1.cairn.example"},
    {Service::SessionFallback2, "session-fallback2", "session2.cairn.example"},
    {Service::MakerSite, "maker-site", "www.quay.example"},
}};

std::mutex g_mutex;
std::array<std::string, kServices.size()> g_hosts = [] {
    std::array<std::string, kServices.size()> hosts;
    for (std::size_t i = 0; i < kServices.size(); ++i)
        hosts[i] = kServices[i].defaultHost;
    return hosts;
}();

std::size_t IndexOf(Service service) {
    return static_cast<std::size_t>(service);
}

std::string HostOfUrl(std::string_view url) {
    if (auto scheme = url.find("://"); scheme != std::string_view::npos)
        url.remove_prefix(scheme + 3);
    if (auto slash = url.find('/'); slash != std::string_view::npos) url = url.substr(0, slash);
    return std::string(url);
}

}  // namespace

std::vector<Service> AllServices() {
    std::vector<Service> all;
    for (const auto& entry : kServices)
        all.push_back(entry.service);
    return all;
}

const char* ServiceName(Service service) {
    return kServices[IndexOf(service)].name;
}

bool ServiceFromName(std::string_view name, Service* service) {
    for (const auto& entry : kServices) {
        if (name == entry.name) {
            *service = entry.service;
            return true;
        }
    }
    return false;
}

std::string ServiceHost(Service service) {
    std::lock_guard lock(g_mutex);
    return g_hosts[IndexOf(service)];
}

void SetServiceHost(Service service, const std::string& host) {
    std::lock_guard lock(g_mutex);
    g_hosts[IndexOf(service)] = HostOfUrl(host);
}

void PointAllServicesAt(std::string_view url) {
    std::string host = HostOfUrl(url);
    std::lock_guard lock(g_mutex);
    for (auto& h : g_hosts)
        h = host;
}

void ApplyServiceEnvironment() {
    if (const char* all = std::getenv("HFP_SERVICES"); all && *all) PointAllServicesAt(all);
    for (const auto& entry : kServices) {
        std::string var = "HFP_SERVICE_";
        for (const char* p = entry.name; *p; ++p)
            var +=
                *p == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        if (const char* host = std::getenv(var.c_str()); host && *host)
            SetServiceHost(entry.service, host);
    }
}

void ResetServiceHosts() {
    std::lock_guard lock(g_mutex);
    for (std::size_t i = 0; i < kServices.size(); ++i)
        g_hosts[i] = kServices[i].defaultHost;
}

std::string HttpUrl(const std::string& host, std::string_view path) {
    std::string url = "http://" + host;
    if (path.empty() || path.front() != '/') url += '/';
    url += path;
    return url;
}

}  // namespace hfp
