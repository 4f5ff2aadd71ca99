// poslist.csv, the position list: read, then written back as a save would.
#include "fuzz/FuzzInput.h"
#include "positions/PositionList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path file = hfp::fuzz::WriteInput("positions/poslist.csv", data, size);
    hfp::CPositionList list;
    std::string error;
    if (list.Load(file, &error) == hfp::CPositionList::LoadResult::Read) list.Text();
    return 0;
}
