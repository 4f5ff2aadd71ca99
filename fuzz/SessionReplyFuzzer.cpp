// A reply of the spot service's session: length, Base64 text, masked serialized items. The
// first byte chooses the mask key's length, so masked replies are reached too.
#include "fuzz/FuzzInput.h"
#include "spot/CairnSession.h"
#include "spot/SessionMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 8, size - 1);
    const std::string_view key = hfp::fuzz::Text(data + 1, keyLength);
    const std::string_view body = hfp::fuzz::Text(data + 1 + keyLength, size - 1 - keyLength);
    hfp::SessionMessage answer;
    std::string error;
    hfp::CairnSession::ReadReply(body, key, &answer, &error);
    hfp::SessionMessage items;
    hfp::SessionMessage::Parse(body, &items);
    return 0;
}
