// mst.dat, a level's tile status index (level 7's, the smallest grid).
#include "fuzz/FuzzInput.h"
#include "geo/MapSourceConfig.h"
#include "tiles/TileStatusGrid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = hfp::fuzz::Folder() / "index";
    hfp::fuzz::WriteInput("index/map/xyz7/mst.dat", data, size);
    hfp::TileStatusGrid grid(hfp::MakeMapSourceConfig(7), folder);
    grid.LoadIndex();
    grid.CountStatuses();
    return 0;
}
