#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hfp {

class HttpClient;

// What uplift does with no window: its command line, the update list and the list's commands.
//
// The list names everything the updater touches, so every path in it is confined to the
// updater's own folder: an absolute path, a ".." part or a symbolic link leading out is
// refused, and the refused line is skipped (and traced). Files are replaced through a
// temporary file beside them, so a failed or cut download leaves the old file whole.

// uplift's command line: "HOST LIST-PATH [silent]"; the host may carry ":PORT".
struct UpliftCommandLine {
    std::string host;
    std::string listPath;
    bool silent = false;
};
UpliftCommandLine ParseUpliftCommandLine(const std::string& line);

// Update-list lines, as the list is laid out.
enum UpdateListLine { kMutexLine = 0, kProgramLine = 1, kMessageLine = 2, kFirstCommandLine = 3 };

// The list's lines, split at line feeds and trimmed of surrounding white space.
std::vector<std::string> SplitUpdateList(std::string_view text);

// The message of the list's line 2, with each "\n" pair of characters a line break.
std::string UpdateMessageText(std::string_view line);

// `field` ("data\new.dat", "\" or "/" separating folders) inside `folder`; nothing when it is
// empty or would lead outside the folder.
std::optional<std::filesystem::path> PathInside(const std::filesystem::path& folder,
                                                std::string_view field);

// A mutex name from the list is a plain name: no folder part, so that its lock file stays in
// the runtime folder. An empty name is plain: there is nothing to wait for.
bool IsPlainMutexName(std::string_view name);

// GETs http://HOST/PATH with the user agent "HollowfernPlotter". False on a transport failure,
// an answer other than 2xx, or a body that is an HTML page ("<!DOCTYPE"), which a server sends
// in place of a missing file.
bool DownloadUpdateFile(HttpClient& client, const std::string& host, const std::string& path,
                        std::string* body);

// Carries out one command line of the list ("get", "rm", "mkdir", "rmdir", "//") in `folder`.
// Unknown commands, missing fields and failures do nothing; they are only traced.
void RunUpdateCommand(const std::string& line, const std::filesystem::path& folder,
                      HttpClient& client);

}  // namespace hfp
