#include "cli/Cli.h"

int main(int argc, char** argv) {
    return hfp::cli::RunCli(argc, argv);
}
