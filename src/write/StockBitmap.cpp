#include "write/StockBitmap.h"

#include <QImageReader>
#include <cstring>
#include <vector>

#include "platform/ReadWholeFile.h"
#include "platform/Trace.h"
#include "tiles/PngDecoder.h"

namespace hfp {

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Whether a PNG carries transparency: an alpha channel, or a tRNS chunk before the image data.
// The decoder fills in a zero alpha byte for images without either.
bool PngHasAlpha(const std::vector<char>& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t size = data.size();
    if (size < 33) return false;
    const unsigned char colorType = bytes[25];
    if (colorType & 4) return true;
    for (std::size_t at = 8; at + 8 <= size;) {
        const uint32_t length = BigEndian32(bytes + at);
        const unsigned char* type = bytes + at + 4;
        if (std::memcmp(type, "tRNS", 4) == 0) return true;
        if (std::memcmp(type, "IDAT", 4) == 0 || length > size) return false;
        at += 12 + static_cast<std::size_t>(length);
    }
    return false;
}

QImage DecodePng(const std::vector<char>& data) {
    DecodedTile tile;
    if (!LoadPngFromMemory(data.data(), data.size(), &tile)) return QImage();
    // Blue, green, red, alpha bytes are a 0xAARRGGBB word on this little-endian machine.
    QImage image(tile.width, tile.height, QImage::Format_ARGB32);
    if (image.isNull()) return image;
    const bool alpha = PngHasAlpha(data);
    for (int y = 0; y < tile.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        std::memcpy(row, tile.pixels.get() + static_cast<std::size_t>(y) * tile.width * 4,
                    static_cast<std::size_t>(tile.width) * 4);
        if (!alpha)
            for (int x = 0; x < tile.width; ++x)
                row[x] |= 0xFF000000u;
    }
    return image;
}

}  // namespace

QImage LoadPicture(const std::string& file) {
    std::vector<char> data;
    if (ReadWholeFile(file, &data) != ReadResult::Whole) {
        Trace("picture %s cannot be read", file.c_str());
        return QImage();
    }
    if (data.size() >= sizeof kPngSignature &&
        std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0)
        return DecodePng(data);
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                            static_cast<int>(std::min<std::size_t>(data.size(), INT32_MAX))))
        return QImage();
    return image.convertToFormat(QImage::Format_ARGB32);
}

CStockBitmap& CStockBitmap::Instance() {
    static CStockBitmap cache;
    return cache;
}

int CStockBitmap::FindLocked(const std::string& name) const {
    for (int i = 0; i < kCapacity; ++i)
        if (!m_entries[i].image.isNull() && m_entries[i].name == name) return i;
    return -1;
}

int CStockBitmap::AddLocked(const std::string& name, const QImage& image) {
    const int slot = m_next;
    m_entries[slot] = Entry{name, image, {}};
    m_next = (m_next + 1) % kCapacity;
    return slot;
}

QImage CStockBitmap::Find(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    int i = FindLocked(name);
    return i < 0 ? QImage() : m_entries[i].image;
}

void CStockBitmap::Add(const std::string& name, const QImage& image) {
    std::lock_guard lock(m_mutex);
    AddLocked(name, image);
}

QImage CStockBitmap::Get(const std::string& file) {
    if (QImage image = Find(file); !image.isNull()) return image;
    // Loaded outside the lock, so one slow file does not hold up the other threads.
    QImage image = LoadPicture(file);
    if (image.isNull()) return image;
    Add(file, image);
    return image;
}

QImage CStockBitmap::GetWithColorKey(const std::string& file, COLORREF key) {
    const QImage image = Get(file);
    if (image.isNull()) return image;
    std::lock_guard lock(m_mutex);
    int slot = FindLocked(file);
    if (slot >= 0) {
        for (const auto& [color, masked] : m_entries[slot].masked)
            if (color == key) return masked;
    }
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb opaqueKey = qRgba(RedOf(key), GreenOf(key), BlueOf(key), 255);
    for (int y = 0; y < masked.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if (row[x] == opaqueKey) row[x] = 0;
    }
    if (slot >= 0) m_entries[slot].masked.emplace_back(key, masked);
    return masked;
}

void CStockBitmap::Clear() {
    std::lock_guard lock(m_mutex);
    for (Entry& e : m_entries)
        e = Entry{};
    m_next = 0;
}

}  // namespace hfp
