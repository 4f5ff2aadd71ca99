// The settings store: set.dat, or the older set.txt read when set.dat is missing. The first
// byte chooses which file the rest of the input is.
#include "fuzz/FuzzInput.h"
#include "settings/SetData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool profile = data[0] & 1;
    const std::filesystem::path folder = hfp::fuzz::Folder() / (profile ? "settxt" : "setdat");
    hfp::fuzz::WriteInput(profile ? "settxt/set.txt" : "setdat/set.dat", data + 1, size - 1);
    hfp::CSetData settings;
    settings.Load(folder);
    return 0;
}
