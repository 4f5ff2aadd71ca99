#include "devserver/TileCache.h"

namespace hfp::devserver {

uint64_t TileCache::Key(int level, int32_t tx, int32_t ty) {
    // Levels need 5 bits and tile numbers at most 18 bits each at level 18.
    return (static_cast<uint64_t>(level) << 58) |
           (static_cast<uint64_t>(static_cast<uint32_t>(tx)) << 29) |
           static_cast<uint64_t>(static_cast<uint32_t>(ty) & 0x1fffffffu);
}

TileCache::Png TileCache::Find(uint64_t key) {
    std::lock_guard lock(m_mutex);
    auto it = m_index.find(key);
    if (it == m_index.end()) return nullptr;
    m_order.splice(m_order.begin(), m_order, it->second);
    return it->second->second;
}

void TileCache::Insert(uint64_t key, Png png) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_index.find(key); it != m_index.end()) {
        it->second->second = std::move(png);
        m_order.splice(m_order.begin(), m_order, it->second);
        return;
    }
    m_order.emplace_front(key, std::move(png));
    m_index[key] = m_order.begin();
    while (m_order.size() > m_capacity) {
        m_index.erase(m_order.back().first);
        m_order.pop_back();
    }
}

std::size_t TileCache::size() const {
    std::lock_guard lock(m_mutex);
    return m_order.size();
}

}  // namespace hfp::devserver
