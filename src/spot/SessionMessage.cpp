#include "spot/SessionMessage.h"

#include <QByteArray>

namespace hfp {

namespace {

void PutLength(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLength(std::string_view bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    return value;
}

constexpr std::size_t kBase64LineLength = 64;

}  // namespace

void SessionMessage::AddText(std::string name, std::string text) {
    m_items.push_back({std::move(name), MessageItem::Text, 0, std::move(text)});
}

void SessionMessage::AddInteger(std::string name, int32_t value) {
    m_items.push_back({std::move(name), MessageItem::Integer, value, {}});
}

void SessionMessage::AddBinary(std::string name, std::string bytes) {
    m_items.push_back({std::move(name), MessageItem::Binary, 0, std::move(bytes)});
}

const MessageItem* SessionMessage::Find(std::string_view name) const {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

std::string SessionMessage::Text(std::string_view name, const std::string& fallback) const {
    const MessageItem* item = Find(name);
    return item && item->type != MessageItem::Integer ? item->data : fallback;
}

int32_t SessionMessage::Integer(std::string_view name, int32_t fallback) const {
    const MessageItem* item = Find(name);
    return item && item->type == MessageItem::Integer ? item->integer : fallback;
}

std::string SessionMessage::Serialize() const {
    std::string out;
    for (const MessageItem& item : m_items) {
        // Names are the protocol's own short words; a longer one would not fit its length byte.
        std::string_view name = std::string_view(item.name).substr(0, 255);
        out.push_back(static_cast<char>(name.size()));
        out.append(name);
        out.push_back(static_cast<char>(item.type));
        if (item.type == MessageItem::Integer) {
            PutLength(out, 4);
            PutLength(out, static_cast<uint32_t>(item.integer));
        } else {
            PutLength(out, static_cast<uint32_t>(item.data.size()));
            out.append(item.data);
        }
    }
    return out;
}

bool SessionMessage::Parse(std::string_view bytes, SessionMessage* message) {
    message->m_items.clear();
    std::size_t at = 0;
    bool valid = true;
    while (valid && at < bytes.size()) {
        valid = false;
        MessageItem item;
        std::size_t nameLength = static_cast<uint8_t>(bytes[at++]);
        if (bytes.size() - at < nameLength + 5) break;
        item.name = std::string(bytes.substr(at, nameLength));
        at += nameLength;
        uint8_t type = static_cast<uint8_t>(bytes[at++]);
        uint32_t length = GetLength(bytes.substr(at, 4));
        at += 4;
        if (type > MessageItem::Binary || length > bytes.size() - at) break;
        item.type = static_cast<MessageItem::Type>(type);
        if (item.type == MessageItem::Integer) {
            if (length != 4) break;
            item.integer = static_cast<int32_t>(GetLength(bytes.substr(at, 4)));
        } else {
            item.data = std::string(bytes.substr(at, length));
        }
        at += length;
        message->m_items.push_back(std::move(item));
        valid = true;
    }
    if (!valid) message->m_items.clear();
    return valid;
}

void ApplyMask(std::string& bytes, std::string_view key) {
    if (key.empty()) return;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ key[i % key.size()]);
}

std::string EncodeMessageText(std::string serialized, std::string_view key) {
    ApplyMask(serialized, key);
    QByteArray base64 = QByteArray(serialized.data(), static_cast<qsizetype>(serialized.size()))
                            .toBase64(QByteArray::Base64Encoding);
    std::string text;
    text.reserve(base64.size() + base64.size() / 32 + 2);
    for (qsizetype at = 0; at < base64.size(); at += kBase64LineLength) {
        for (char c : base64.mid(at, kBase64LineLength))
            text.push_back(c == '+' ? '-' : c == '/' ? '.' : c);
        text += "\r\n";
    }
    return text;
}

bool DecodeMessageText(std::string_view text, std::string_view key, std::string* serialized) {
    QByteArray base64;
    base64.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        if (c == '\r' || c == '\n') continue;
        base64.push_back(c == '-' ? '+' : c == '.' ? '/' : c);
    }
    auto decoded = QByteArray::fromBase64Encoding(
        base64, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return false;
    serialized->assign(decoded.decoded.constData(),
                       static_cast<std::size_t>(decoded.decoded.size()));
    ApplyMask(*serialized, key);
    return true;
}

}  // namespace hfp
