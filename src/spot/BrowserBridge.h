#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "geo/GeoPoint.h"

namespace hfp {

// What the browser bridge asks of the program. Every call comes on the bridge's thread: an
// implementation hands the work to the thread that owns the window and returns at once.
class BrowserBridgeClient {
  public:
    virtual ~BrowserBridgeClient() = default;
    // Centre the map on `center` (inside the service area) and redraw.
    virtual void MoveMapTo(GeoPoint center) = 0;
    // Hide the embedded browser for the rest of the run.
    virtual void CloseBrowser() = 0;
    // Show an error box; once the user has closed it, call BrowserBridge::MessageClosed.
    virtual void ShowBridgeError(const std::string& text) = 0;
};

// The browser bridge: a tiny HTTP server on the loopback addresses through which the spot
// service's page (in the embedded browser or the user's own browser) asks the program whether
// it is alive (/CheckHPLAlive), to move the map (/MoveLatLng?lat=..&lng=..) or to hide the
// embedded browser (/CloseIE). Each answered request gets "HTTP/1.1 200 OK", an empty line and
// callback({'Status':'0'}); (or '-1'), and the connection is closed.
//
// One thread accepts and serves one connection at a time. It sleeps in poll() on the listening
// sockets and a wake pipe, so an idle bridge uses no CPU and Stop() ends it at once. A client
// gets kRequestWaitMs from its connection to send its request line; a longer line than
// kMaxRequestLine is refused without a reply.
//
// Any web page can reach the bridge, so its error boxes are rationed: one at a time, and the
// next no sooner than kMessageGapMs after the last was closed; those held back are only traced.
//
// Bound to 127.0.0.1 and, where the machine has it, ::1 only: nobody else on the network can
// move the map. Owned by the window's spot service; Stop() (or the destructor) joins the thread.
class BrowserBridge {
  public:
    static constexpr uint16_t kDefaultPort = 10031;
    static constexpr int kRequestWaitMs = 2000;
    static constexpr std::size_t kMaxRequestLine = 511;
    static constexpr int kMessageGapMs = 5000;

    explicit BrowserBridge(BrowserBridgeClient* client);
    ~BrowserBridge();
    BrowserBridge(const BrowserBridge&) = delete;
    BrowserBridge& operator=(const BrowserBridge&) = delete;

    // Listens on `port` (0: any free port) and starts the thread. On failure the client is
    // shown the setup error and false comes back; the program goes on without the bridge.
    bool Start(uint16_t port);
    // Ends the thread and closes the sockets; returns when the thread has ended.
    void Stop();
    // The port listened on; 0 before Start or after a failed one.
    uint16_t port() const { return m_port; }
    // The user has closed the error box the bridge last showed.
    void MessageClosed();

  private:
    bool Listen(uint16_t port);
    void Run();
    void Serve(int client);
    // The reply status for the request line, after its effect; empty for a line that is not
    // a request (no reply).
    std::string Execute(std::string_view line);
    std::string MoveLatLng(std::string_view query);
    void ReportError(const std::string& text);
    void CloseSockets();

    BrowserBridgeClient* m_client;
    int m_listen4 = -1;
    int m_listen6 = -1;        // -1 where the machine has no ::1
    int m_wake[2] = {-1, -1};  // written by Stop()
    uint16_t m_port = 0;
    std::thread m_thread;

    std::mutex m_messageLock;
    bool m_messageOpen = false;
    std::chrono::steady_clock::time_point m_messageClosedAt;
    bool m_anyMessageClosed = false;
    long m_heldBack = 0;
};

}  // namespace hfp
