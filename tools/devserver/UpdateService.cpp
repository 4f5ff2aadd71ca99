#include "devserver/UpdateService.h"

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "devserver/Faults.h"
#include "devserver/Html.h"
#include "devserver/Options.h"

namespace hfp::devserver {

namespace {

constexpr std::string_view kPrefix = "/update/";

}  // namespace

UpdateService::UpdateService(const Options& options, const Faults& faults)
    : m_updateDir(options.updateDir), m_faults(faults) {}

void UpdateService::Register(httplib::Server& server) {
    server.Get(R"(/update/.*)",
               [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res); });
}

void UpdateService::Serve(const httplib::Request& req, httplib::Response& res) const {
    std::filesystem::path relative(req.path.substr(kPrefix.size()));
    bool inside = !m_updateDir.empty() && !relative.empty() && relative.is_relative();
    for (const auto& part : relative)
        inside = inside && part != "..";
    std::filesystem::path file = std::filesystem::path(m_updateDir) / relative;
    std::error_code ec;
    if (!inside || !std::filesystem::is_regular_file(file, ec)) return SendNotFound(res);
    std::ifstream in(file, std::ios::binary);
    auto body = std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                                    std::istreambuf_iterator<char>());
    m_faults.Send(req.path, std::move(body), "application/octet-stream", res);
}

}  // namespace hfp::devserver
