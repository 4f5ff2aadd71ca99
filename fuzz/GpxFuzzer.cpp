// A GPX file from a GPS unit or a map site, as "Import GPX" reads it.
#include "fuzz/FuzzInput.h"
#include "platform/Progress.h"
#include "write/WriteGpx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path file = hfp::fuzz::WriteInput("gpx/track.gpx", data, size);
    hfp::ProgressControl progress;
    hfp::GpxImport read;
    hfp::ReadGpxFile(file, progress, &read);
    return 0;
}
