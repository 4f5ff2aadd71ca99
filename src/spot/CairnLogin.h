#pragma once

#include <functional>
#include <string>

#include "spot/CairnSession.h"

namespace hfp {

class CSetData;
class Messages;

// What the start-up login needs of the program around it.
struct LoginHooks {
    Messages* messages = nullptr;
    // The login dialog, starting with the given texts; false on Cancel.
    std::function<bool(std::string* userId, std::string* password)> askAccount;
    // Starts a program of the program's folder with a command line; false when it cannot.
    std::function<bool(const std::string& program, const std::string& parameters)> startProgram;
    // Opens an address in the user's web browser; false when it cannot.
    std::function<bool(const std::string& url)> openUrl;
};

struct LoginResult {
    enum Outcome {
        NoSession,     // the program goes on without the spot service
        Session,       // logged in: `answer` holds the login answer's items
        CloseProgram,  // the answer named a program to start instead (the updater)
    };
    Outcome outcome = NoSession;
    SessionMessage answer;
    bool mayChangeSpotDisplay = false;
    bool mayChangeStartupDownload = false;
};

// The start-up login loop: asks for the account when none is stored or the server refused it
// (storing what the user enters in `settings`), acts on the answer's notices, version and
// program items, and sets the rights and the settings they force on. Every failure ends in a
// message through the hooks.
LoginResult RunStartupLogin(CairnSession& session, CSetData& settings, const LoginHooks& hooks);

}  // namespace hfp
