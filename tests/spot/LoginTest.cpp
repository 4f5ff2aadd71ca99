#include <gtest/gtest.h>

#include "common/DevServer.h"
#include "common/TempDir.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"
#include "spot/CairnLogin.h"

namespace hfp::test {
namespace {

// The login loop against the devserver's scripted answers: what it shows, asks, starts, and
// whether a session results.
TEST(StartupLogin, ActsOnEveryKindOfAnswer) {
    struct Case {
        const char* what;
        std::vector<std::string> serverArgs;
        std::string storedUser;
        std::vector<std::pair<std::string, std::string>> typed;  // the dialog's answers, in turn
        LoginResult::Outcome outcome;
        std::vector<std::string> shown;  // messages and questions, in order
        int requests;                    // SendStart requests
        std::string started = {};        // the program started
    } cases[] = {
        {"no account: the dialog first", {}, "", {{"hiker", "fern"}}, LoginResult::Session, {}, 1},
        {"refused, then the dialog",
         {},
         "nobody",
         {{"hiker", "fern"}},
         LoginResult::Session,
         {"The user ID or the password is wrong."},
         2},
        {"refused, then Cancel",
         {},
         "nobody",
         {},
         LoginResult::NoSession,
         {"The user ID or the password is wrong."},
         1},
        {"Exit ends silently",
         {"--session-text", "Message=Exit"},
         "hiker",
         {},
         LoginResult::NoSession,
         {},
         1},
        {"VersionUp asks and logs in",
         {"--session-text", "Message=VersionUp", "--session-text", "InformationMessage=Note"},
         "hiker",
         {},
         LoginResult::Session,
         {"Note", "HollowfernPlotter upgraded.\nWould you like to download it?"},
         1},
        {"SubExecute starts the updater",
         {"--session-text", "SubExecute=uplift", "--session-text", "SubExecuteParameter=-q"},
         "hiker",
         {},
         LoginResult::CloseProgram,
         {},
         1,
         "uplift -q"},
        {"an overlong mask key is a failure",
         {"--session-mask-key", std::string(2 * (kMaxMaskKeyBytes + 1), '0')},
         "hiker",
         {},
         LoginResult::NoSession,
         {"Fail to communicate with the server."},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DevServer server(c.serverArgs);
        PointAllServicesAt(server.baseUrl());
        CSetData settings;
        settings.m_cairnUserId = c.storedUser;
        settings.m_cairnPassword = "fern";
        settings.m_cairnSpotDisplay = false;
        RecordingMessages messages;
        std::size_t asked = 0;
        std::string started;
        LoginHooks hooks;
        hooks.messages = &messages;
        hooks.askAccount = [&](std::string* user, std::string* password) {
            if (asked == c.typed.size()) return false;
            std::tie(*user, *password) = c.typed[asked++];
            return true;
        };
        hooks.startProgram = [&](const std::string& program, const std::string& parameters) {
            started = program + " " + parameters;
            return true;
        };
        hooks.openUrl = [](const std::string&) { return true; };
        CairnSession session;
        LoginResult result = RunStartupLogin(session, settings, hooks);
        EXPECT_EQ(result.outcome, c.outcome);
        ASSERT_EQ(messages.records().size(), c.shown.size());
        for (std::size_t i = 0; i < c.shown.size(); ++i)
            EXPECT_EQ(messages.records()[i].text.substr(0, c.shown[i].size()), c.shown[i]);
        EXPECT_EQ(server.Requests("/hpl/hplcom2E.php"), c.requests);
        EXPECT_EQ(asked, c.typed.size());
        EXPECT_EQ(started, c.started);
        if (result.outcome == LoginResult::Session) {
            EXPECT_EQ(settings.m_cairnUserId, "hiker");
            EXPECT_TRUE(result.mayChangeSpotDisplay);
        }
    }
    ResetServiceHosts();
}

}  // namespace
}  // namespace hfp::test
