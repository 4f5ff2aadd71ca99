#pragma once

#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace hfp::devserver {

class Faults;
struct Options;

// The update server: GET /update/PATH answers the file PATH of the update folder byte for
// byte, with the fault switches of the tiles (an HTML page, a dropped connection, no
// Content-Length). Without an update folder, or for a path that names no file in it: 404
// with an HTML page.
class UpdateService {
  public:
    UpdateService(const Options& options, const Faults& faults);

    void Register(httplib::Server& server);

  private:
    void Serve(const httplib::Request& req, httplib::Response& res) const;

    std::string m_updateDir;
    const Faults& m_faults;
};

}  // namespace hfp::devserver
