// The geomagnetic service's answer page.
#include "fuzz/FuzzInput.h"
#include "print/Declination.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    hfp::ParseDeclinationReply(hfp::fuzz::Text(data, size));
    return 0;
}
