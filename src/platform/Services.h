#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hfp {

// The outside services the system talks to. Each is a host name, optionally with a port
// ("127.0.0.1:8080"), reached over plain HTTP. Nothing in the program names a host directly:
// it asks for the host of a service here.
enum class Service {
    Tiles,             // GSI tile server
    Geomagnetic,       // GSI geomagnetic service
    GsiWeb,            // GSI web pages opened in the browser
    SpotContent,       // spot file, icons and spot pages
    Session,           // spot-service session server
    SessionFallback1,  // its first fallback
    SessionFallback2,  // its second fallback
    MakerSite,         // the maker's web site
};

std::vector<Service> AllServices();
// The service's configuration name ("tiles", "geomagnetic", "session-fallback1", ...).
const char* ServiceName(Service service);
bool ServiceFromName(std::string_view name, Service* service);

std::string ServiceHost(Service service);
void SetServiceHost(Service service, const std::string& host);
// Points every service at one server: "http://HOST:PORT", "HOST:PORT" or "HOST".
void PointAllServicesAt(std::string_view url);
// Applies HFP_SERVICES (all services) and then HFP_SERVICE_<NAME> (one service, the name in
// upper case with '_' for '-'), as set in the environment.
void ApplyServiceEnvironment();
// Restores the built-in hosts.
void ResetServiceHosts();

// "http://HOST" + path, for a host as configured here.
std::string HttpUrl(const std::string& host, std::string_view path);

}  // namespace hfp
