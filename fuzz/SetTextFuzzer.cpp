// set.txt, the older settings profile read when set.dat is missing.
#include "fuzz/FuzzInput.h"
#include "settings/SetData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = hfp::fuzz::Folder() / "settxt";
    hfp::fuzz::WriteInput("settxt/set.txt", data, size);
    hfp::CSetData settings;
    settings.Load(folder);
    return 0;
}
