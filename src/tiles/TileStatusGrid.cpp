#include "tiles/TileStatusGrid.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "geo/Projection.h"
#include "platform/AtomicFile.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

// The grid is written out in blocks of this size.
constexpr std::size_t kSaveBlock = std::size_t{1} << 20;

std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

// Turns every two-bit TileInMemory (01) in the bytes into TileOnDisk (10). A byte is written
// only when it changes, so untouched pages of the mapping stay shared with the file.
void MemoryToDisk(uint8_t* bytes, std::size_t size) {
    constexpr uint64_t kLowBits = 0x5555555555555555ULL;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        uint64_t inMemory = word & ~(word >> 1) & kLowBits;
        if (inMemory) {
            word ^= inMemory | (inMemory << 1);
            std::memcpy(bytes + i, &word, 8);
        }
    }
    for (; i < size; ++i) {
        unsigned b = bytes[i];
        unsigned inMemory = b & ~(b >> 1) & 0x55u;
        if (inMemory) bytes[i] = static_cast<uint8_t>(b ^ (inMemory | (inMemory << 1)));
    }
}

// Adds the statuses of the tiles in `size` bytes to `counts`.
void CountBytes(const uint8_t* bytes, std::size_t size, std::array<int64_t, 4>& counts) {
    constexpr uint64_t kLowBits = 0x5555555555555555ULL;
    std::size_t i = 0;
    int64_t n1 = 0, n2 = 0, n3 = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        const uint64_t low = word & kLowBits;
        const uint64_t high = (word >> 1) & kLowBits;
        n1 += std::popcount(low & ~high);
        n2 += std::popcount(high & ~low);
        n3 += std::popcount(low & high);
    }
    for (; i < size; ++i)
        for (int k = 0; k < 4; ++k)
            ++counts[(bytes[i] >> (2 * k)) & 3u];
    const int64_t words = static_cast<int64_t>(size / 8);
    counts[TileUnknown] += words * 32 - n1 - n2 - n3;
    counts[TileInMemory] += n1;
    counts[TileOnDisk] += n2;
    counts[TileUnavailable] += n3;
}

bool ReadFully(int fd, void* buffer, std::size_t size, off_t offset) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        ssize_t n = ::pread(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

const char* TileStatusName(TileStatus status) {
    switch (status) {
        case TileUnknown:
            return "TileUnknown";
        case TileInMemory:
            return "TileInMemory";
        case TileOnDisk:
            return "TileOnDisk";
        case TileUnavailable:
            return "TileUnavailable";
    }
    return "TileUnavailable";
}

bool TileGridGeometry::Contains(int32_t tx, int32_t ty) const {
    int64_t column = int64_t{tx} - x0;
    int64_t row = int64_t{yS} - ty;
    return column >= 0 && column / 4 < bytesPerRow && row >= 0 && row < rows;
}

TileGridGeometry TileGridGeometryOf(const MapSourceConfig& config) {
    // Each bound of the service area is first cut to whole degrees (22.5° N becomes 22).
    const double west = config.west / kGeoUnitsPerDegree;
    const double east = config.east / kGeoUnitsPerDegree;
    const double south = config.south / kGeoUnitsPerDegree;
    const double north = config.north / kGeoUnitsPerDegree;
    TileGridGeometry g;
    g.x0 = TruncToInt(LonToPixelX(config.level, west) / kTileSize);
    g.x1 = TruncToInt(LonToPixelX(config.level, east) / kTileSize);
    g.yN = TruncToInt(LatToPixelY(config.level, north) / kTileSize);
    g.yS = TruncToInt(LatToPixelY(config.level, south) / kTileSize);
    g.bytesPerRow = (g.x1 - g.x0 + 4) / 4;
    g.rows = 1 + g.yS - g.yN;
    return g;
}

TileStatusGrid::TileStatusGrid(MapSourceConfig config, std::filesystem::path dataFolder)
    : m_config(std::move(config)),
      m_dataFolder(std::move(dataFolder)),
      m_geometry(TileGridGeometryOf(m_config)) {}

TileStatusGrid::~TileStatusGrid() {
    Unmap();
}

TileStatus TileStatusGrid::GetTileStatus(int32_t tx, int32_t ty) const {
    if (!m_geometry.Contains(tx, ty)) return TileUnavailable;
    const int64_t column = int64_t{tx} - m_geometry.x0;
    const int64_t index = (int64_t{m_geometry.yS} - ty) * m_geometry.bytesPerRow + column / 4;
    const int shift = static_cast<int>(2 * (column % 4));
    std::lock_guard lock(m_lock);
    if (!m_grid) return TileUnavailable;
    return static_cast<TileStatus>((m_grid[index] >> shift) & 3u);
}

void TileStatusGrid::SetTileStatus(int32_t tx, int32_t ty, TileStatus status) {
    if (!m_geometry.Contains(tx, ty)) return;
    const int64_t column = int64_t{tx} - m_geometry.x0;
    const int64_t index = (int64_t{m_geometry.yS} - ty) * m_geometry.bytesPerRow + column / 4;
    const int shift = static_cast<int>(2 * (column % 4));
    std::lock_guard lock(m_lock);
    if (!m_grid) return;
    uint8_t& byte = m_grid[index];
    const uint8_t updated =
        static_cast<uint8_t>((byte & ~(3u << shift)) | ((status & 3u) << shift));
    // An unchanged byte is not written, so merely confirming a status keeps the page shared.
    if (updated != byte) byte = updated;
}

bool TileStatusGrid::loaded() const {
    std::lock_guard lock(m_lock);
    return m_grid != nullptr;
}

void TileStatusGrid::Unmap() {
    if (m_mapping) ::munmap(m_mapping, m_mappingSize);
    m_mapping = nullptr;
    m_mappingSize = 0;
    m_grid = nullptr;
}

void TileStatusGrid::Free() {
    std::lock_guard lock(m_lock);
    Unmap();
}

bool TileStatusGrid::LoadIndex() {
    std::lock_guard lock(m_lock);
    Unmap();
    const int64_t gridBytes = m_geometry.bytes();
    if (gridBytes <= 0) return false;
    const std::size_t page = PageSize();
    const std::size_t total = kIndexHeaderSize + static_cast<std::size_t>(gridBytes);
    const std::size_t size = (total + page - 1) / page * page;
    // Anonymous private pages read as zero and take no memory until written: the grid starts
    // all TileUnknown at no cost.
    void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) {
        Trace("LoadIndex: cannot allocate %zu bytes for the grid of level %d", size,
              m_config.level);
        return false;
    }
    m_mapping = mapping;
    m_mappingSize = size;
    m_grid = static_cast<uint8_t*>(mapping) + kIndexHeaderSize;
    MapIndexFile();
    return true;
}

// Lays the file's pages over the start of the zero region, copy-on-write: the grid then reads
// as the file's bytes up to the file's end (a shorter file leaves the rest zero, a longer one
// is read only as far as the grid goes), and changes stay in this process.
void TileStatusGrid::MapIndexFile() {
    const std::filesystem::path file = IndexFilePath();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    char header[kIndexHeaderSize];
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size < static_cast<off_t>(kIndexHeaderSize) ||
        !ReadFully(fd, header, sizeof header, 0) ||
        std::memcmp(header, kIndexMagic, kIndexMagicSize) != 0) {
        ::close(fd);
        return;
    }
    const std::size_t total = kIndexHeaderSize + static_cast<std::size_t>(m_geometry.bytes());
    const std::size_t fileBytes = std::min(static_cast<std::size_t>(st.st_size), total);
    void* mapped =
        ::mmap(m_mapping, fileBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd, 0);
    if (mapped == MAP_FAILED) {
        // A file system that cannot map files: read the body into the zero region instead.
        Trace("LoadIndex: cannot map %s (%s), reading it", file.c_str(), std::strerror(errno));
        if (!ReadFully(fd, m_grid, fileBytes - kIndexHeaderSize,
                       static_cast<off_t>(kIndexHeaderSize))) {
            std::memset(m_grid, 0, fileBytes - kIndexHeaderSize);
            Trace("LoadIndex: cannot read %s", file.c_str());
        }
    }
    ::close(fd);
}

bool TileStatusGrid::SaveIndex() {
    std::lock_guard lock(m_lock);
    if (!m_grid) return false;
    const std::size_t gridBytes = static_cast<std::size_t>(m_geometry.bytes());
    AtomicFileWriter writer(IndexFilePath(), TemporaryIndexFilePath());
    const bool opened = writer.Open();
    char header[kIndexHeaderSize] = {};
    std::memcpy(header, kIndexMagic, kIndexMagicSize);
    bool ok = opened && writer.Write(header, sizeof header);
    // The memory cache is about to go: what it held is on disk. The grid is converted and
    // written block by block straight from the mapping, without a second copy of it.
    for (std::size_t offset = 0; offset < gridBytes; offset += kSaveBlock) {
        const std::size_t n = std::min(kSaveBlock, gridBytes - offset);
        MemoryToDisk(m_grid + offset, n);
        if (ok) ok = writer.Write(m_grid + offset, n);
    }
    if (ok) ok = writer.Commit();
    if (!ok) Trace("SaveIndex: level %d: %s", m_config.level, writer.error().c_str());
    return ok;
}

std::array<int64_t, 4> TileStatusGrid::CountStatuses() const {
    std::array<int64_t, 4> counts{};
    std::lock_guard lock(m_lock);
    if (!m_grid) return counts;
    CountBytes(m_grid, static_cast<std::size_t>(m_geometry.bytes()), counts);
    return counts;
}

std::filesystem::path TileStatusGrid::TileFilePath(int32_t tx, int32_t ty) const {
    return hfp::TileFilePath(m_dataFolder, m_config, tx, ty);
}

std::filesystem::path TileStatusGrid::LevelFolder() const {
    return m_dataFolder / "map" / m_config.folderName;
}

std::filesystem::path TileStatusGrid::IndexFilePath() const {
    return LevelFolder() / "mst.dat";
}

std::filesystem::path TileStatusGrid::TemporaryIndexFilePath() const {
    return LevelFolder() / "mst_temp.dat";
}

bool TileStatusGrid::CreateTileFolders(int32_t tx) const {
    const std::filesystem::path map = m_dataFolder / "map";
    const std::filesystem::path level = LevelFolder();
    const std::filesystem::path column = level / std::to_string(tx);
    std::error_code ec;
    for (const auto* folder : {&map, &level, &column}) {
        std::filesystem::create_directory(*folder, ec);
        if (ec) {
            Trace("cannot create the folder %s: %s", folder->c_str(), ec.message().c_str());
            return false;
        }
    }
    return true;
}

}  // namespace hfp
