#include "app/SpotController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMetaObject>
#include <QProcess>
#include <QUrl>

#include "app/CommandTable.h"
#include "app/DialogCairnAccount.h"
#include "app/MainFrame.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "print/ui/DialogProgress.h"
#include "settings/SetData.h"
#include "spot/CairnLogin.h"
#include "spot/SpotLayer.h"
#include "view/HollowfernPlotterView.h"
#ifdef HFP_WEBENGINE
#include "view/EmbeddedBrowser.h"
#endif

namespace hfp {

SpotController::SpotController(CMainFrame* frame) : m_frame(frame) {
    m_keepAlive.setInterval(kKeepAliveMs);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] { KeepAlive(); });
}

SpotController::~SpotController() {
    // No more requests from pages: what the bridge posted and has not run is dropped with
    // this object.
    m_bridge.reset();
    m_keepAlive.stop();
    JoinKeepAlive();
    if (!m_sessionActive) return;
    SessionMessage answer;
    std::string error;
    if (!m_session.SendEnd(&answer, &error)) {
        m_frame->messages().Show("Fait to send a message 'End'.", MessageIcon::Error);
    } else if (const std::string message = answer.Text("Message"); !message.empty()) {
        m_frame->messages().Show(message, MessageIcon::Information);
    }
}

bool SpotController::Start() {
    CSetData& settings = m_frame->settings();
    LoginHooks hooks;
    hooks.messages = &m_frame->messages();
    PasswordPlace place = LoadCairnPassword(settings, KeyringUse::MoveIntoKeyring);
    hooks.askAccount = [this, &settings, &place](std::string* userId, std::string* password) {
        if (!m_frame->isVisible()) return false;  // the window closed while a message showed
        CDialogCairnAccount dialog(*userId, *password, place, m_frame);
        m_loginDialog = &dialog;
        if (dialog.exec() != QDialog::Accepted) return false;
        *userId = dialog.userId();
        *password = dialog.password();
        place = KeepCairnAccount(settings, *userId, *password);
        return true;
    };
    hooks.startProgram = [](const std::string& program, const std::string& parameters) {
        const QString folder = QString::fromStdString(ProgramFolder().string());
        return QProcess::startDetached(folder + "/" + QString::fromStdString(program),
                                       QProcess::splitCommand(QString::fromStdString(parameters)),
                                       folder);
    };
    hooks.openUrl = [](const std::string& url) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    };
    LoginResult login = RunStartupLogin(m_session, settings, hooks);
    if (login.outcome == LoginResult::CloseProgram) return false;
    m_mayChangeDisplay = login.mayChangeSpotDisplay;
    m_mayChangeStartupDownload = login.mayChangeStartupDownload;
    m_frame->action(ID_MAP_SPOT_INFORMATION)->setEnabled(true);
    m_frame->action(ID_MAP_SPOT_INFORMATION)->setChecked(settings.m_cairnSpotDisplay);
    if (login.outcome != LoginResult::Session) return true;

    const SessionMessage& answer = login.answer;
    if (answer.Has("UserAgent")) m_frame->SetUserAgent(answer.Text("UserAgent"));
    SpotIdLists lists;
    lists.Set(answer.Integer("HearsayShisetsuIdCount"), answer.Text("HearsayShisetsuId"),
              answer.Integer("ManageShisetsuIdCount"), answer.Text("ManageShisetsuId"));
    CHollowfernPlotterView* view = m_frame->view();
    auto layer = std::make_unique<SpotLayer>(DataFolder(), [view] {
        QMetaObject::invokeMethod(
            view, [view] { view->update(); }, Qt::QueuedConnection);
    });
    layer->SetIdLists(lists);
    m_sessionActive = true;
    m_keepAlive.start();
    if (settings.m_cairnStartupDownload) CheckAndDownload(false);
    if (!layer->Load()) {
        CheckAndDownload(true);
        layer->Load();
    }
    view->SetSpotLayer(std::move(layer));
    StartBrowser(answer);
    return true;
}

void SpotController::StartBrowser(const SessionMessage& answer) {
#ifdef HFP_WEBENGINE
    CHollowfernPlotterView* view = m_frame->view();
    EmbeddedBrowser::Settings browser;
    browser.rect = QRect(answer.Integer("IELeft"), answer.Integer("IETop"),
                         answer.Integer("IEWidth"), answer.Integer("IEHeight"));
    browser.url = answer.Text("IEURL");
    browser.sessionId = m_session.sessionId();
    browser.updateIntervalMs = answer.Integer("IEUpdateInterval");
    m_browser = new EmbeddedBrowser(view, std::move(browser));
    view->SetSpotClick([browser = QPointer(m_browser)](const std::string& spotId) {
        if (browser) browser->ShowSpot(spotId);
    });
#endif
    m_bridge = std::make_unique<BrowserBridge>(static_cast<BrowserBridgeClient*>(this));
    const int32_t port = answer.Integer("ListenBrowserPortNumber", BrowserBridge::kDefaultPort);
    if (port < 0 || port > 65535) {
        ShowBridgeError("Listen socket bind error.");
        return;
    }
    m_bridge->Start(static_cast<uint16_t>(port));
}

void SpotController::MoveMapTo(GeoPoint center) {
    QMetaObject::invokeMethod(
        this, [this, center] { m_frame->view()->MoveCenterTo(center); }, Qt::QueuedConnection);
}

void SpotController::CloseBrowser() {
#ifdef HFP_WEBENGINE  // else there is nothing to hide
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_browser) m_browser->Close();
        },
        Qt::QueuedConnection);
#endif
}

void SpotController::ShowBridgeError(const std::string& text) {
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            m_frame->messages().Show(text, MessageIcon::Error);
            if (m_bridge) m_bridge->MessageClosed();
        },
        Qt::QueuedConnection);
}

void SpotController::CancelLoginDialog() {
    if (m_loginDialog) m_loginDialog->reject();
}

void SpotController::CheckAndDownload(bool force) {
    CSetData& settings = m_frame->settings();
    std::string date, error;
    if (!force && !FetchSpotFileDate(&date, &error)) return;
    m_dateChecked = true;
    if (!force && date == settings.m_cairnSpotFileDate) return;
    bool downloaded = false;
    CDialogProgress dialog(
        m_frame, "Downloading spot data of hearsayCairn.", [&](ProgressControl& progress) {
            std::string failure;
            downloaded = DownloadSpotFile(DataFolder(), progress, &date, &failure);
        });
    dialog.exec();
    // Only a file that arrived takes its date: a failed download is tried again next time.
    if (downloaded) settings.m_cairnSpotFileDate = date;
}

void SpotController::OnSpotDisplay() {
    CSetData& settings = m_frame->settings();
    QAction* action = m_frame->action(ID_MAP_SPOT_INFORMATION);
    if (!m_mayChangeDisplay) {
        action->setChecked(settings.m_cairnSpotDisplay);
        m_frame->messages().Show("Cannot change by user level.", MessageIcon::Information);
        return;
    }
    settings.m_cairnSpotDisplay = !settings.m_cairnSpotDisplay;
    action->setChecked(settings.m_cairnSpotDisplay);
    SpotLayer* layer = m_frame->view()->spotLayer();
    if (settings.m_cairnSpotDisplay && !m_dateChecked && layer) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        CheckAndDownload(false);
        layer->Load();
        QApplication::restoreOverrideCursor();
    }
    m_frame->view()->update();
}

void SpotController::KeepAlive() {
    if (m_keepThread.joinable()) return;  // the last one has not answered yet
    m_keepThread = std::thread([this] {
        SessionMessage answer;
        std::string error;
        const bool ok = m_session.KeepSession(&answer, &error);
        QMetaObject::invokeMethod(
            this, [this, ok, message = answer.Text("Message")] { OnKeepAnswer(ok, message); },
            Qt::QueuedConnection);
    });
}

void SpotController::JoinKeepAlive() {
    if (m_keepThread.joinable()) m_keepThread.join();
}

void SpotController::OnKeepAnswer(bool ok, const std::string& message) {
    JoinKeepAlive();
    if (!m_sessionActive) return;
    if (ok && message.empty()) return;
    m_keepAlive.stop();
    m_sessionActive = false;
    m_frame->messages().Show(ok ? message : "Fail to send session keep message.",
                             MessageIcon::Error);
}

}  // namespace hfp
