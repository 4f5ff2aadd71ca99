#include <cstdio>
#include <string>

#include "cli/Cli.h"
#include "platform/DataFolder.h"
#include "write/Write.h"

namespace hfp::cli {

namespace {

void PrintSets(const CWrite& write) {
    for (int i = 0; i < write.SetCount(); ++i) {
        const WRITE_SET& set = write.Set(i);
        std::printf("set %d visible=%d name=%s box=%d,%d,%d,%d objects=%zu\n", i,
                    set.bVisible ? 1 : 0, set.szName.c_str(), set.rcBox.left, set.rcBox.bottom,
                    set.rcBox.right, set.rcBox.top, set.aObjects.size());
        for (const auto& object : set.aObjects)
            std::printf("%s\n", object->ExportCsv().c_str());
    }
}

int WriteDump(Args& args) {
    auto words = args.Positionals();
    if (args.wrong() || words.size() > 1) return kExitUsage;
    const std::filesystem::path file =
        words.empty() ? DataFolder() / CWrite::kFileName : std::filesystem::path(words[0]);
    CWrite write;
    std::string reason;
    const bool loaded = write.LoadFile(file, &reason);
    PrintSets(write);
    if (!loaded) {
        std::fprintf(stderr, "hfp: %s: %s\n", file.c_str(), reason.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

void AddWriteCommands(std::vector<Command>& commands) {
    commands.push_back({{"write", "dump"},
                        "[FILE]",
                        "Print the write sets of a write file (default: write.dat in the data "
                        "folder): per set a line 'set INDEX visible=0|1 name=NAME "
                        "box=LEFT,BOTTOM,RIGHT,TOP objects=N', then each object's exchange-file "
                        "line, frontmost first. Exit 1 with the reason when the file does not "
                        "load; what was read before the failure is still printed.",
                        WriteDump});
}

}  // namespace hfp::cli
