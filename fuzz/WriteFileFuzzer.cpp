// write.dat and the clipboard block: the overlay's own binary forms.
#include "fuzz/FuzzInput.h"
#include "write/Write.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text = hfp::fuzz::Text(data, size);
    hfp::CWrite write;
    std::string reason;
    write.LoadBytes(text, &reason);
    std::vector<std::unique_ptr<hfp::CWriteObject>> objects;
    hfp::ReadClipboardBlock(text, &objects);
    return 0;
}
