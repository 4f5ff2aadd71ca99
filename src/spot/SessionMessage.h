#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hfp {

// One item of a spot-service message: a name, a type and its data. On the wire an item is the
// name's length (1 byte), the name, the type (1 byte), the data's length (4 bytes,
// little-endian) and the data; a message is its items one after another.
struct MessageItem {
    enum Type : uint8_t { Text = 0, Integer = 1, Binary = 2 };

    std::string name;
    Type type = Text;
    int32_t integer = 0;  // for Integer
    std::string data;     // the text (Text) or the raw bytes (Binary)
};

// A message of the session protocol, its items in the order they were added or received.
class SessionMessage {
  public:
    void AddText(std::string name, std::string text);
    void AddInteger(std::string name, int32_t value);
    void AddBinary(std::string name, std::string bytes);

    const std::vector<MessageItem>& items() const { return m_items; }
    // The last item of that name (a later item replaces an earlier one); null when absent.
    const MessageItem* Find(std::string_view name) const;
    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    // The item's text or bytes; `fallback` when absent or not text or binary.
    std::string Text(std::string_view name, const std::string& fallback = {}) const;
    // The item's integer; `fallback` when absent or not an integer.
    int32_t Integer(std::string_view name, int32_t fallback = 0) const;

    std::string Serialize() const;
    // Reads items until the end of `bytes`. False (and `message` emptied) for an item of an
    // unknown type, a name or data running past the end, or an integer that is not 4 bytes.
    static bool Parse(std::string_view bytes, SessionMessage* message);

  private:
    std::vector<MessageItem> m_items;
};

// The longest mask key the session keeps; a longer one is refused.
constexpr std::size_t kMaxMaskKeyBytes = 152;

// XORs byte i of `bytes` with key byte (i mod key length); no change for an empty key.
void ApplyMask(std::string& bytes, std::string_view key);

// The text of a request body after "d=" (or of a reply after its length): the serialized
// message masked with `key`, in Base64 with CR LF after every 64 characters and at the end,
// "+" written as "-" and "/" as ".".
std::string EncodeMessageText(std::string serialized, std::string_view key);
// The reverse: false when the text is not Base64 in that alphabet (line breaks are ignored).
bool DecodeMessageText(std::string_view text, std::string_view key, std::string* serialized);

}  // namespace hfp
