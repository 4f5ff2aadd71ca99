#include "cli/Cli.h"

namespace hfp::cli {

void AddTileCommands(std::vector<Command>&) {}

}  // namespace hfp::cli
