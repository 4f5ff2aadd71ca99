// set.dat, the settings store.
#include "fuzz/FuzzInput.h"
#include "settings/SetData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = hfp::fuzz::Folder() / "setdat";
    hfp::fuzz::WriteInput("setdat/set.dat", data, size);
    hfp::CSetData settings;
    settings.Load(folder);
    return 0;
}
