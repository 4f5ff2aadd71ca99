#include "platform/ProgramOptions.h"

#include <string_view>

#include "platform/DataFolder.h"
#include "platform/Services.h"

namespace hfp {

bool TakeProgramOption(const std::vector<std::string>& words, std::size_t* index,
                       std::string* error) {
    error->clear();
    if (*index >= words.size()) return false;
    std::string_view word = words[*index];
    for (std::string_view name : {std::string_view("--data-dir"), std::string_view("--services")}) {
        std::string value;
        std::size_t used = 0;
        if (word == name) {
            if (*index + 1 >= words.size()) {
                *error = "option " + std::string(name) + " needs a value";
                return false;
            }
            value = words[*index + 1];
            used = 2;
        } else if (word.size() > name.size() && word.starts_with(name) &&
                   word[name.size()] == '=') {
            value = std::string(word.substr(name.size() + 1));
            used = 1;
        } else {
            continue;
        }
        if (value.empty()) {
            *error = "option " + std::string(name) + " needs a value";
            return false;
        }
        if (name == "--data-dir")
            SetDataFolderOverride(value);
        else
            PointAllServicesAt(value);
        *index += used;
        return true;
    }
    return false;
}

const char* ProgramOptionsHelp() {
    return "  --data-dir DIR   data folder (default: HFP_DATA_DIR, else\n"
           "                   ~/.local/share/cairn/HollowfernPlotter)\n"
           "  --services URL   send every outside request to this server (default:\n"
           "                   HFP_SERVICES, else the real services)\n";
}

}  // namespace hfp
