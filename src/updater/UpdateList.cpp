#include "updater/UpdateList.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/HttpClient.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitAtSpaces(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t space = line.find(' ', start);
        fields.emplace_back(line.substr(start, space - start));
        if (space == std::string_view::npos) return fields;
        start = space + 1;
    }
}

std::string_view Trim(std::string_view s) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    std::size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

bool IsWithin(const fs::path& path, const fs::path& folder) {
    auto [folderEnd, pathAt] =
        std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folderEnd == folder.end() && pathAt != path.end();
}

// Replaces `target` with `data`; a file that was there keeps its permissions.
bool ReplaceFile(const fs::path& target, const std::string& data) {
    std::error_code ec;
    fs::perms permissions = fs::status(target, ec).permissions();
    if (ec || permissions == fs::perms::unknown)
        permissions = AtomicFileWriter::kDefaultPermissions;
    fs::path temporary = target;
    temporary += ".uplift-new";
    std::string error;
    AtomicFileWriter writer(target, temporary, permissions & fs::perms::mask);
    if (writer.Open() && writer.Write(data) && writer.Commit()) {
        // The writer's permissions are reduced by the umask; an executable must stay one.
        fs::permissions(target, permissions & fs::perms::mask, ec);
        return true;
    }
    Trace("uplift: %s", writer.error().c_str());
    return false;
}

}  // namespace

UpliftCommandLine ParseUpliftCommandLine(const std::string& line) {
    std::vector<std::string> fields = SplitAtSpaces(line);
    UpliftCommandLine result;
    result.host = fields[0];
    if (fields.size() > 1) result.listPath = fields[1];
    result.silent = fields.size() > 2 && fields[2] == "silent";
    return result;
}

std::vector<std::string> SplitUpdateList(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(Trim(text.substr(start, end - start)));
        start = end + 1;
    }
    // A list that ends with a line feed has no empty line after it.
    if (!text.empty() && text.back() == '\n') lines.pop_back();
    return lines;
}

std::string UpdateMessageText(std::string_view line) {
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
            text += '\n';
            ++i;
        } else {
            text += line[i];
        }
    }
    return text;
}

std::optional<fs::path> PathInside(const fs::path& folder, std::string_view field) {
    std::string relative(field);
    for (char& c : relative)
        if (c == '\\') c = '/';
    fs::path path(relative);
    if (relative.empty() || path.is_absolute() || relative.find('\0') != std::string::npos)
        return std::nullopt;
    for (const fs::path& part : path)
        if (part == "..") return std::nullopt;
    // Symbolic links on the way (or the target itself) must not lead out of the folder.
    std::error_code ec;
    fs::path base = fs::weakly_canonical(folder, ec);
    if (ec) return std::nullopt;
    fs::path resolved = fs::weakly_canonical(base / path, ec);
    if (ec || !IsWithin(resolved.lexically_normal(), base)) return std::nullopt;
    return base / path;
}

bool IsPlainMutexName(std::string_view name) {
    return name.find_first_of("/\\") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos && name != "." && name != "..";
}

bool DownloadUpdateFile(HttpClient& client, const std::string& host, const std::string& path,
                        std::string* body) {
    client.options().userAgent = "HollowfernPlotter";
    std::string url = "http://" + host + (path.starts_with('/') ? "" : "/") + path;
    HttpResponse response = client.Get(url);
    if (!response.ok()) {
        Trace("uplift: %s: %s", url.c_str(),
              response.answered ? ("status " + std::to_string(response.status)).c_str()
                                : response.error.c_str());
        return false;
    }
    if (response.body.starts_with("<!DOCTYPE")) {
        Trace("uplift: %s: an HTML page, not the file", url.c_str());
        return false;
    }
    *body = std::move(response.body);
    return true;
}

void RunUpdateCommand(const std::string& line, const fs::path& folder, HttpClient& client) {
    std::vector<std::string> fields = SplitAtSpaces(line);
    const std::string& command = fields[0];
    auto is = [&](const char* word) { return strcasecmp(command.c_str(), word) == 0; };
    auto target = [&](std::size_t field) -> std::optional<fs::path> {
        auto path = PathInside(folder, fields[field]);
        if (!path) Trace("uplift: refused, leads outside %s: %s", folder.c_str(), line.c_str());
        return path;
    };
    std::error_code ec;
    if (is("get") && fields.size() >= 4) {
        auto file = target(3);
        std::string data;
        if (file && DownloadUpdateFile(client, fields[1], fields[2], &data))
            ReplaceFile(*file, data);
    } else if (is("rm") && fields.size() >= 2) {
        if (auto file = target(1); file && ::unlink(file->c_str()) != 0)
            Trace("uplift: cannot remove %s", file->c_str());
    } else if (is("mkdir") && fields.size() >= 2) {
        if (auto dir = target(1)) fs::create_directory(*dir, ec);
    } else if (is("rmdir") && fields.size() >= 2) {
        if (auto dir = target(1); dir && ::rmdir(dir->c_str()) != 0)
            Trace("uplift: cannot remove the folder %s", dir->c_str());
    }
}

}  // namespace hfp
