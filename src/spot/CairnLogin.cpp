#include "spot/CairnLogin.h"

#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"

namespace hfp {

LoginResult RunStartupLogin(CairnSession& session, CSetData& settings, const LoginHooks& hooks) {
    LoginResult result;
    Messages& messages = *hooks.messages;
    while (true) {
        if (!settings.m_cairnUserId.empty()) {
            std::string error;
            if (!session.SendStart(settings.m_cairnUserId, settings.m_cairnPassword, &result.answer,
                                   &error)) {
                messages.Show(
                    "Fail to communicate with the server.\nThe server may stop.\nIf "
                    "you use a proxy, exclude to access " +
                        HttpUrl(ServiceHost(Service::Session), "/") + ".",
                    MessageIcon::Error);
                return result;
            }
            const SessionMessage& answer = result.answer;
            result.mayChangeSpotDisplay = answer.Integer("CairnSpotDisplaySelect") != 0;
            result.mayChangeStartupDownload = answer.Integer("CairnSpotDonwloadSelect") != 0;
            if (!result.mayChangeSpotDisplay) settings.m_cairnSpotDisplay = true;
            if (!result.mayChangeStartupDownload) settings.m_cairnStartupDownload = true;
            const std::string notice = answer.Text("InformationMessage");
            if (!notice.empty()) messages.Show(notice, MessageIcon::Information);

            const std::string program = answer.Text("SubExecute");
            const std::string message = answer.Text("Message");
            if (!program.empty()) {
                if (!hooks.startProgram(program, answer.Text("SubExecuteParameter")))
                    messages.Show("Please download new version on " +
                                      HttpUrl(ServiceHost(Service::MakerSite), "/") + ".",
                                  MessageIcon::Error);
                result.outcome = LoginResult::CloseProgram;
                return result;
            }
            if (message == "VersionUp") {
                if (settings.m_startupVersionCheck &&
                    messages.Ask("HollowfernPlotter upgraded.\nWould you like to download it?",
                                 MessageIcon::Question, true) &&
                    !hooks.openUrl(HttpUrl(ServiceHost(Service::MakerSite), "/")))
                    messages.Show("Cannot lunch web browser.", MessageIcon::Error);
                break;
            }
            if (message == "Exit") return result;
            if (message.empty()) break;
            messages.Show(message, MessageIcon::Information);
        }
        std::string userId = settings.m_cairnUserId, password = settings.m_cairnPassword;
        if (!hooks.askAccount(&userId, &password)) return result;
        settings.m_cairnUserId = userId;
        settings.m_cairnPassword = password;
    }
    result.outcome = LoginResult::Session;
    return result;
}

}  // namespace hfp
