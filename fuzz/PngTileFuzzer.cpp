// A map tile as the tile server sends it (PNG).
#include "fuzz/FuzzInput.h"
#include "tiles/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    hfp::DecodedTile tile;
    hfp::LoadPngFromMemory(data, size, &tile);
    return 0;
}
