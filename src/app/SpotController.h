#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <thread>

#include "settings/CairnPassword.h"
#include "spot/BrowserBridge.h"
#include "spot/CairnSession.h"
#include "spot/SpotFile.h"

namespace hfp {

class CMainFrame;
class EmbeddedBrowser;

// The spot service in the window: the start-up login, the spot layer it gives the view, the
// embedded browser and the browser bridge it configures, the keep-alive every 60 s and the end
// of the session, and the spot display command.
//
// Requests of the login and the end run on the user-interface thread, as the window cannot go
// on without their answer; the keep-alive runs on a thread of its own (one at a time) and
// reports back through the event loop, so that a slow server never freezes the window. The
// session object is used by one thread at a time: the keep-alive thread is joined before any
// other request. The bridge's requests come on its own thread and are posted to the window's.
class SpotController : public QObject, private BrowserBridgeClient {
  public:
    static constexpr int kKeepAliveMs = 60000;

    explicit SpotController(CMainFrame* frame);
    ~SpotController() override;  // ends an active session

    // The start-up login and, after it, the spot start-up; false when the answer asked the
    // program to close (the updater was started instead).
    bool Start();
    // "Spot information": shows or hides the spots.
    void OnSpotDisplay();

    // The window closes (an end signal, say) while the login dialog waits: cancel it, so that
    // the login ends without a session and the program can end.
    void CancelLoginDialog();

    bool sessionActive() const { return m_sessionActive; }
    // The login's right to switch the start-up spot download off.
    bool mayChangeStartupDownload() const { return m_mayChangeStartupDownload; }
    // Date check and download of the spot file, with the progress dialog when there is one.
    void CheckAndDownload(bool force);
    // Sends the keep-alive, as the timer does every minute; its answer arrives through the
    // event loop.
    void KeepAlive();

    // The bridge and the embedded browser, after a successful login; null before, without a
    // session, and (the browser) in a build without Qt WebEngine.
    BrowserBridge* bridge() { return m_bridge.get(); }
    EmbeddedBrowser* browser() { return m_browser; }

  private:
    // The embedded browser and the bridge with the login answer's settings.
    void StartBrowser(const SessionMessage& answer);
    // BrowserBridgeClient, on the bridge's thread.
    void MoveMapTo(GeoPoint center) override;
    void CloseBrowser() override;
    void ShowBridgeError(const std::string& text) override;

    void OnKeepAnswer(bool ok, const std::string& message);
    void JoinKeepAlive();

    CMainFrame* m_frame;
    CairnSession m_session;
    bool m_sessionActive = false;
    bool m_mayChangeDisplay = false;
    bool m_mayChangeStartupDownload = false;
    bool m_dateChecked = false;
    QPointer<QDialog> m_loginDialog;
    QTimer m_keepAlive;
    std::thread m_keepThread;
    EmbeddedBrowser* m_browser = nullptr;  // a child of the view
    std::unique_ptr<BrowserBridge> m_bridge;
};

}  // namespace hfp
