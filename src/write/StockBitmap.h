#pragma once

#include <QImage>
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Color.h"

namespace hfp {

// The picture cache: pictures are drawn at every repaint, so each file is decoded once and
// kept here. One process-wide cache of 100 entries; a new entry takes the slot after the last
// one, so the oldest is replaced first. Images are shared (Qt's implicit sharing), so an image
// handed out stays valid when its entry is replaced. Safe to use from several threads.
class CStockBitmap {
  public:
    static constexpr int kCapacity = 100;

    static CStockBitmap& Instance();

    // The image stored under exactly this name, or a null image.
    QImage Find(const std::string& name) const;
    void Add(const std::string& name, const QImage& image);
    // The image of a picture file: from the cache, else loaded from the file and added. A
    // file that cannot be loaded gives a null image and is not cached.
    QImage Get(const std::string& file);
    // The same image with one colour (an exact match of an opaque pixel) made transparent. The
    // masked image is made once per entry and colour.
    QImage GetWithColorKey(const std::string& file, COLORREF key);
    // Empties every slot.
    void Clear();

  private:
    struct Entry {
        std::string name;
        QImage image;  // null: empty slot
        std::vector<std::pair<COLORREF, QImage>> masked;
    };
    int FindLocked(const std::string& name) const;
    int AddLocked(const std::string& name, const QImage& image);

    mutable std::mutex m_mutex;
    std::array<Entry, kCapacity> m_entries;
    int m_next = 0;
};

// Loads a picture file of any format the program reads (PNG through the tile decoder; BMP,
// JPEG, GIF and TIFF through Qt) as a 32-bit image with alpha. Null when it cannot be read.
QImage LoadPicture(const std::string& file);

}  // namespace hfp
