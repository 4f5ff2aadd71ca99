#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace hfp::devserver {

struct Options;

// The spot service (Cairn), on one host for all its servers:
// - POST /hpl/hplcom2E.php speaks the session protocol. SendStart with user "hiker" and
//   password "fern" opens a session (Message empty, a SID, the id lists of the spot file,
//   both rights, the embedded browser's rectangle, page and interval, the bridge port, and the
//   options' scripted items, which override those); any other account, and every account
//   with --refuse-login, gets Status 0 with a refusal text. KeepSession and SendEnd answer Status 0
//   with an empty Message (KeepSession with --session-keep-message's text). With --session-mask-key
//   every message after SendStart's answer is masked both ways. An unknown session id or a body
//   that cannot be read gets Status 1.
// - HEAD/GET /shisetsu/hplshisetsu.dat: a generated spot file (names in code page 932) with
//   the Last-Modified text of --spot-date.
// - GET /yama/image/gmap/gmap[_hearsay|_owner]_N.png: a pin icon, tip at (9, 22).
// - GET /yama/shisetsu.html: a spot's page.
// - GET /hpl/browser.html: the embedded browser's page. Its first load moves the map to the
//   first spot through the bridge (a script); with sw=IntervalUpdate it shows the area it is
//   given and links that move the map to the spots inside it; with sw=Shisetsu the spot; and
//   always a link that hides the browser (/CloseIE).
class SpotService {
  public:
    // The account SendStart accepts.
    static constexpr const char* kUser = "hiker";
    static constexpr const char* kPassword = "fern";
    static constexpr const char* kBrowserPath = "/hpl/browser.html";

    struct Spot {
        std::string id;
        int32_t latitude, longitude;
    };

    explicit SpotService(const Options& options);

    void Register(httplib::Server& server);

  private:
    void ServeSession(const httplib::Request& req, httplib::Response& res);
    void ServeIcon(const httplib::Request& req, httplib::Response& res) const;
    void ServeBrowserPage(const httplib::Request& req, httplib::Response& res) const;

    std::vector<std::pair<std::string, std::string>> m_textItems;  // scripted SendStart items
    std::vector<std::pair<std::string, int>> m_integerItems;
    std::string m_maskKey;
    std::string m_keepMessage;
    std::string m_spotDate;
    std::string m_spotFile;
    std::string m_hearsayIds, m_managedIds;
    int m_hearsayCount = 0, m_managedCount = 0;
    std::vector<Spot> m_spots;
    bool m_refuseLogin;
    int m_bridgePort;

    std::mutex m_lock;
    std::map<std::string, std::string> m_sessions;  // session id -> its mask key
    int m_nextSession = 1;
};

}  // namespace hfp::devserver
