#pragma once

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace hfp::devserver {

struct Options;

// The GSI geomagnetic service: POST /sokuchi/geomag/menu_04/bilinear.cgi with the place's
// degrees, minutes and seconds ("ido1=35&ido2=21&ido3=46&kei1=138&kei2=43&kei3=51") answers
// an EUC-JP page giving the declination there (from the 2010 approximation formula) as
// degrees and minutes to two decimals. The markers stand past the first kilobyte of the page,
// as on a real page with its head and menus. A body that names no place gets a 400 page.
class GeomagService {
  public:
    explicit GeomagService(const Options& options);

    void Register(httplib::Server& server);

  private:
    void Serve(const httplib::Request& req, httplib::Response& res) const;

    bool m_withoutMarker;  // answer a page without the declination, as a changed service would
};

}  // namespace hfp::devserver
