#include "cli/Cli.h"

namespace hfp::cli {

void AddSettingsCommands(std::vector<Command>&) {}

}  // namespace hfp::cli
