#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "platform/DataFolder.h"
#include "write/Write.h"

namespace hfp::cli {

namespace {

// A text shown on one line of the dump: control characters are written as \xHH, so a name
// can neither break the line nor reach the terminal as a command.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

// Prints every set and its objects' exchange-file lines; false when an object cannot be
// written to an exchange file (said on stderr).
bool PrintSets(const CWrite& write) {
    bool all = true;
    for (int i = 0; i < write.SetCount(); ++i) {
        const WRITE_SET& set = write.Set(i);
        std::printf("set %d visible=%d name=%s box=%d,%d,%d,%d objects=%zu\n", i,
                    set.bVisible ? 1 : 0, Escaped(set.szName).c_str(), set.rcBox.left,
                    set.rcBox.bottom, set.rcBox.right, set.rcBox.top, set.aObjects.size());
        for (std::size_t o = 0; o < set.aObjects.size(); ++o) {
            std::vector<std::string> lines;
            std::string reason;
            if (!set.aObjects[o]->ExportCsvLines(&lines, &reason)) {
                std::fprintf(stderr, "hfp: set %d object %zu cannot be exported: %s\n", i, o,
                             Escaped(reason).c_str());
                all = false;
            }
            for (const std::string& line : lines)
                std::printf("%s\n", Escaped(line).c_str());
        }
    }
    return all;
}

int WriteDump(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() > 1) return kExitUsage;
    const std::filesystem::path file =
        words.empty() ? DataFolder() / CWrite::kFileName : std::filesystem::path(words[0]);
    CWrite write;
    std::string reason;
    const bool loaded = write.LoadFile(file, &reason);
    const bool exportable = PrintSets(write);
    if (!loaded) {
        std::fprintf(stderr, "hfp: %s: %s\n", file.c_str(), reason.c_str());
        return kExitFailure;
    }
    return exportable ? kExitOk : kExitFailure;
}

}  // namespace

void AddWriteCommands(std::vector<Command>& commands) {
    commands.push_back({{"write", "dump"},
                        "[FILE]",
                        "Print the write sets of a write file (default: write.dat in the data "
                        "folder): per set a line 'set INDEX visible=0|1 name=NAME "
                        "box=LEFT,BOTTOM,RIGHT,TOP objects=N', then each object's exchange-file "
                        "lines, frontmost first; control characters in names and lines are "
                        "printed as \\xHH. Exit 1 with the reason when the file "
                        "does not load or an object cannot be written to an exchange file; "
                        "everything readable is still printed.",
                        WriteDump});
}

}  // namespace hfp::cli
