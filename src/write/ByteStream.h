#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace hfp {

// The byte layouts of the write file, the pattern file and the clipboard: little-endian 32-bit
// integers, single bytes for flags, and texts whose length is given before them.
class ByteWriter {
  public:
    void Int32(int32_t value) {
        auto v = static_cast<uint32_t>(value);
        char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                         static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
        m_data.append(bytes, 4);
    }
    void UInt32(uint32_t value) { Int32(static_cast<int32_t>(value)); }
    void Byte(uint8_t value) { m_data.push_back(static_cast<char>(value)); }
    void Bytes(const void* data, std::size_t size) {
        m_data.append(static_cast<const char*>(data), size);
    }
    void Text(std::string_view text) { m_data.append(text); }
    void Zeros(std::size_t count) { m_data.append(count, '\0'); }

    std::size_t size() const { return m_data.size(); }
    const std::string& data() const { return m_data; }
    std::string Take() { return std::move(m_data); }

  private:
    std::string m_data;
};

// Reads the same layouts from bytes in memory. Every read first checks that the data still
// holds the whole item, so a length or count read from damaged data can never make the reader
// allocate or step beyond what is there: it fails instead, and stays failed.
class ByteReader {
  public:
    ByteReader(const void* data, std::size_t size)
        : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}
    explicit ByteReader(std::string_view data) : ByteReader(data.data(), data.size()) {}

    bool Int32(int32_t* value) {
        if (!Have(4)) return false;
        const unsigned char* p = m_data + m_position;
        *value = static_cast<int32_t>(
            static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
            (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
        m_position += 4;
        return true;
    }
    bool UInt32(uint32_t* value) {
        int32_t v;
        if (!Int32(&v)) return false;
        *value = static_cast<uint32_t>(v);
        return true;
    }
    bool Byte(uint8_t* value) {
        if (!Have(1)) return false;
        *value = m_data[m_position++];
        return true;
    }
    bool Flag(bool* value) {
        uint8_t b;
        if (!Byte(&b)) return false;
        *value = b != 0;
        return true;
    }
    bool Bytes(void* out, std::size_t size) {
        if (!Have(size)) return false;
        if (size > 0) std::memcpy(out, m_data + m_position, size);
        m_position += size;
        return true;
    }
    // `length` bytes of text; a negative length, or one beyond the end of the data, fails
    // before anything is allocated.
    bool Text(int64_t length, std::string* text) {
        if (length < 0 || !Have(static_cast<uint64_t>(length))) return false;
        text->assign(reinterpret_cast<const char*>(m_data + m_position),
                     static_cast<std::size_t>(length));
        m_position += static_cast<std::size_t>(length);
        return true;
    }
    // The next `size` bytes as they are, stepped over.
    bool View(int64_t size, std::string_view* out) {
        if (size < 0 || !Have(static_cast<uint64_t>(size))) return false;
        *out = std::string_view(reinterpret_cast<const char*>(m_data + m_position),
                                static_cast<std::size_t>(size));
        m_position += static_cast<std::size_t>(size);
        return true;
    }
    bool Skip(std::size_t size) {
        if (!Have(size)) return false;
        m_position += size;
        return true;
    }
    // Whether `count` records of at least `recordSize` bytes each can still follow.
    bool CanHold(int64_t count, std::size_t recordSize) const {
        return !m_failed && count >= 0 &&
               static_cast<uint64_t>(count) <= remaining() / std::max<std::size_t>(recordSize, 1);
    }

    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_size - m_position; }
    bool failed() const { return m_failed; }

  private:
    bool Have(uint64_t size) {
        if (m_failed || size > remaining()) {
            m_failed = true;
            return false;
        }
        return true;
    }

    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
    bool m_failed = false;
};

// The longest start of `text` of at most `maxBytes` bytes that splits no UTF-8 sequence: the
// fixed-size text fields of the layouts hold UTF-8.
inline std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t end = maxBytes;
    // Back off over continuation bytes (10xxxxxx) to the start of the cut sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

}  // namespace hfp
