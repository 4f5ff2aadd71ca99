// Saves one kind of data file in a loop, alternating between two contents, for the crash
// consistency test to kill at random moments:
//   crash_writer KIND FOLDER           saves for ever, a line on stdout after each save
//   crash_writer KIND FOLDER VERSION   saves that version (0 or 1) once and ends
// The two contents of a kind differ all through the file, so a mixture shows.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "CrashKinds.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: crash_writer KIND FOLDER [VERSION]\n");
        return 2;
    }
    const std::string_view kind = argv[1];
    const std::filesystem::path folder = argv[2];
    if (argc == 4) return hfp::test::SaveVersion(kind, folder, std::atoi(argv[3])) ? 0 : 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        if (!hfp::test::SaveVersion(kind, folder, n % 2)) return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}
