#include <cstdio>

#include "cli/Cli.h"
#include "info/PrinterCapabilities.h"
#include "info/SystemInformation.h"
#include "platform/DataFolder.h"

namespace hfp::cli {

namespace {

int Info(Args& args) {
    if (!args.Positionals().empty() || args.wrong()) return kExitUsage;
    const std::string report = BuildSystemInformation(DefaultPrinterCapabilities(), DataFolder());
    std::fwrite(report.data(), 1, report.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

}  // namespace

void AddInfoCommands(std::vector<Command>& commands) {
    commands.push_back({{"info"},
                        "",
                        "Print the system information report of the map editor: version, "
                        "memory figures of this process, the default printer and the disk the "
                        "tile cache takes, in total and per zoom level.",
                        Info});
}

}  // namespace hfp::cli
