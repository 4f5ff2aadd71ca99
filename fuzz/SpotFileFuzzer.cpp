// The spot file of the spot service.
#include "fuzz/FuzzInput.h"
#include "spot/SpotFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    hfp::SpotIdLists lists;
    lists.Set(2, "1,7", 1, "2");
    hfp::ParseSpotFile(hfp::fuzz::Text(data, size), lists);
    return 0;
}
