// A map tile as the tile server sends it (PNG): decoded for the screen, checked for storing.
#include "fuzz/FuzzInput.h"
#include "tiles/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    hfp::DecodedTile tile;
    hfp::LoadPngFromMemory(data, size, &tile);
    uint32_t width, height;
    hfp::CheckPngStructure(data, size, &width, &height);
    return 0;
}
