// The updater's list: its lines, message, lock name and commands. A command's paths must stay
// inside the updater's folder; the commands that touch only the disk are carried out there.
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "platform/HttpClient.h"
#include "updater/UpdateList.h"

namespace {

bool Inside(const std::filesystem::path& folder, const std::filesystem::path& path) {
    const std::filesystem::path relative = path.lexically_normal().lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = hfp::fuzz::Folder() / "uplift";
    std::filesystem::create_directories(folder);
    const std::vector<std::string> lines = hfp::SplitUpdateList(hfp::fuzz::Text(data, size));
    if (lines.size() > hfp::kMutexLine) hfp::IsPlainMutexName(lines[hfp::kMutexLine]);
    if (lines.size() > hfp::kMessageLine) hfp::UpdateMessageText(lines[hfp::kMessageLine]);
    hfp::ParseUpliftCommandLine(lines.empty() ? std::string() : lines[0]);
    hfp::HttpClient unreachable;
    for (std::size_t i = hfp::kFirstCommandLine; i < lines.size(); ++i) {
        bool fieldsInside = true;
        std::string_view rest = lines[i];
        while (!rest.empty()) {
            const std::size_t space = rest.find(' ');
            const std::string_view field = rest.substr(0, space);
            if (auto path = hfp::PathInside(folder, field)) {
                if (!Inside(folder, *path)) std::abort();  // a path that leaves the folder
            } else {
                fieldsInside = false;
            }
            rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        }
        // "get" would go to the network; the others act on the folder alone.
        const std::string& line = lines[i];
        const bool get = line.size() >= 3 && (line[0] | 0x20) == 'g' && (line[1] | 0x20) == 'e' &&
                         (line[2] | 0x20) == 't';
        if (fieldsInside && !get) hfp::RunUpdateCommand(line, folder, unreachable);
    }
    return 0;
}
