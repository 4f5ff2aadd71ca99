#pragma once

#include <memory>

#include "devserver/Faults.h"
#include "devserver/GeomagService.h"
#include "devserver/Options.h"
#include "devserver/RequestStats.h"
#include "devserver/SpotService.h"
#include "devserver/TileService.h"
#include "devserver/UpdateService.h"

namespace httplib {
class Server;
}

namespace hfp::devserver {

// The HTTP server on 127.0.0.1 with every service of hfp-devserver. Each service registers
// its own paths; a path that no service serves is answered 404 with an HTML page.
class Server {
  public:
    explicit Server(const Options& options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1 on the configured port (0: a free one). Returns the port, or -1.
    int Bind();
    // Serves until Stop(); false when the server could not run.
    bool Run();
    // Ends Run() soon, also cutting short the tile delays; callable from any thread.
    void Stop();

  private:
    Options m_options;
    std::unique_ptr<httplib::Server> m_http;
    Faults m_faults;
    RequestStats m_stats;
    TileService m_tiles;
    UpdateService m_updates;
    GeomagService m_geomag;
    SpotService m_spots;
};

}  // namespace hfp::devserver
