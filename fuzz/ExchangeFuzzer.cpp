// The write-set exchange file (CSV), as "Inport" reads it.
#include "fuzz/FuzzInput.h"
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "write/Write.h"
#include "write/WriteExchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path file = hfp::fuzz::WriteInput("exchange/set.csv", data, size);
    hfp::CWrite write;
    std::string name, error;
    hfp::ImportSetName(file, write, &name, &error);
    hfp::ProgressControl progress;
    hfp::RecordingMessages messages;
    std::vector<std::unique_ptr<hfp::CWriteObject>> objects;
    hfp::ImportWriteSet(file, hfp::fuzz::Folder() / "exchange-data", progress, messages, &objects);
    return 0;
}
