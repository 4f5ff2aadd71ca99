#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace hfp::devserver {

// Encoded tiles kept in memory, the least recently used going first when the cache is full.
// Safe to use from several threads.
class TileCache {
  public:
    using Png = std::shared_ptr<const std::string>;

    explicit TileCache(std::size_t capacity) : m_capacity(capacity) {}

    static uint64_t Key(int level, int32_t tx, int32_t ty);

    Png Find(uint64_t key);
    void Insert(uint64_t key, Png png);
    std::size_t size() const;

  private:
    using Entry = std::pair<uint64_t, Png>;

    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::list<Entry> m_order;  // most recently used first
    std::unordered_map<uint64_t, std::list<Entry>::iterator> m_index;
};

}  // namespace hfp::devserver
