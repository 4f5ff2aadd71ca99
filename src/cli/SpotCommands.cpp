#include <cstdio>
#include <string>

#include "cli/Cli.h"
#include "platform/DataFolder.h"
#include "settings/CairnPassword.h"
#include "settings/SetData.h"
#include "spot/CairnSession.h"
#include "spot/SpotFile.h"

namespace hfp::cli {

namespace {

// A text item's value on one line: control bytes and the backslash escaped.
std::string EscapedText(const std::string& text) {
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ItemValue(const MessageItem& item) {
    if (item.type == MessageItem::Integer) return std::to_string(item.integer);
    if (item.type == MessageItem::Text) return EscapedText(item.data);
    std::string hex;
    for (unsigned char byte : item.data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

int Login(Args& args) {
    std::string user, password;
    bool hasUser = args.Option("--user", &user);
    bool hasPassword = args.Option("--password", &password);
    if (!args.Positionals().empty() || args.wrong()) return kExitUsage;
    if (!hasUser || !hasPassword) {
        CSetData store;
        if (!LoadSettingsStore(&store)) return kExitFailure;
        if (!hasUser) user = store.m_cairnUserId;
        if (!hasPassword) {
            LoadCairnPassword(store, KeyringUse::ReadOnly);
            password = store.m_cairnPassword;
        }
    }
    CairnSession session;
    SessionMessage answer;
    std::string error;
    if (!session.SendStart(user, password, &answer, &error)) {
        std::fprintf(stderr, "hfp: Fail to communicate with the server. (%s)\n", error.c_str());
        return kExitFailure;
    }
    for (const MessageItem& item : answer.items())
        std::printf("%s=%s\n", item.name.c_str(), ItemValue(item).c_str());
    std::fflush(stdout);
    std::string message = answer.Text("Message");
    if (!message.empty() && message != "VersionUp") {
        // "Exit" ends the login without a word; anything else is the server's reason.
        if (message != "Exit") std::fprintf(stderr, "hfp: %s\n", message.c_str());
        return kExitFailure;
    }
    SessionMessage end;
    if (!session.SendEnd(&end, &error)) {
        std::fprintf(stderr, "hfp: Fait to send a message 'End'. (%s)\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

int Update(Args& args) {
    bool force = args.Flag("--force");
    if (!args.Positionals().empty() || args.wrong()) return kExitUsage;
    CSetData store;
    if (!LoadSettingsStore(&store)) return kExitFailure;
    std::string date, error;
    if (!force) {
        if (!FetchSpotFileDate(&date, &error)) {
            std::fprintf(stderr, "hfp: cannot check the spot file's date: %s\n", error.c_str());
            return kExitFailure;
        }
    }
    std::vector<CAIRN_SPOT> spots;
    const std::filesystem::path file = DataFolder() / kSpotFileName;
    if (!force && date == store.m_cairnSpotFileDate) {
        LoadSpotFile(file, {}, &spots);
        std::printf("spots %zu unchanged\n", spots.size());
        return kExitOk;
    }
    ProgressControl progress;
    if (!DownloadSpotFile(DataFolder(), progress, &date, &error)) {
        std::fprintf(stderr, "hfp: cannot download the spot file: %s\n", error.c_str());
        return kExitFailure;
    }
    store.m_cairnSpotFileDate = date;
    if (!store.Save()) {
        std::fprintf(stderr, "hfp: cannot write %s\n",
                     (DataFolder() / CSetData::kFileName).string().c_str());
        return kExitFailure;
    }
    LoadSpotFile(file, {}, &spots);
    std::printf("spots %zu downloaded\n", spots.size());
    return kExitOk;
}

int Dump(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() > 1) return kExitUsage;
    std::filesystem::path file =
        words.empty() ? DataFolder() / kSpotFileName : std::filesystem::path(words[0]);
    std::vector<CAIRN_SPOT> spots;
    if (!LoadSpotFile(file, {}, &spots)) {
        std::fprintf(stderr, "hfp: cannot read %s\n", file.string().c_str());
        return kExitFailure;
    }
    for (const CAIRN_SPOT& spot : spots)
        std::printf("%s\t%d\t%d\t%d\t%d\t%s\t%s\n", spot.id.c_str(), spot.latitude, spot.longitude,
                    spot.icon, spot.relation, spot.name.c_str(), spot.third.c_str());
    return kExitOk;
}

}  // namespace

void AddSpotCommands(std::vector<Command>& commands) {
    commands.push_back({{"spot", "login"},
                        "[--user U --password P]",
                        "Log in to the spot service as the map editor does at start-up (the "
                        "stored account by default), print the answer's items as NAME=VALUE "
                        "lines in the order received, and end the session. Exit 0 when a "
                        "session results; programs the answer names are never started.",
                        Login});
    commands.push_back({{"spot", "update"},
                        "[--force]",
                        "Download the spot file into the data folder when the server's copy "
                        "has changed (always with --force) and say how many spots it holds.",
                        Update});
    commands.push_back({{"spot", "dump"},
                        "[FILE]",
                        "Print the spots of the spot file (the data folder's by default), "
                        "northernmost first: ID, latitude and longitude in geo units, icon, "
                        "relation, name and third text, tab-separated.",
                        Dump});
}

}  // namespace hfp::cli
