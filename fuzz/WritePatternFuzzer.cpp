// writepat.dat.
#include "fuzz/FuzzInput.h"
#include "write/WritePattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    hfp::CWritePattern patterns;
    std::string reason;
    patterns.LoadBytes(hfp::fuzz::Text(data, size), &reason);
    return 0;
}
