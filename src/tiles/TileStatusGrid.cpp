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
#include <vector>

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
    ReadIndexFile();
    return true;
}

// Copies the file's non-zero pages into the zero region, from the data extents only (a hole
// reads as zero). A shorter file leaves the rest zero; a longer one is read only as far as the
// grid goes. Opened without blocking and checked to be a regular file first, so that a FIFO
// in its place does not hang the start.
void TileStatusGrid::ReadIndexFile() {
    const std::filesystem::path file = IndexFilePath();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
    const off_t end = static_cast<off_t>(std::min(static_cast<std::size_t>(st.st_size), total));
    const std::size_t page = PageSize();
    auto* region = static_cast<uint8_t*>(m_mapping);
    std::vector<uint8_t> buffer(kSaveBlock);
    off_t offset = static_cast<off_t>(kIndexHeaderSize);
    while (offset < end) {
        off_t data = ::lseek(fd, offset, SEEK_DATA);
        if (data < 0 && errno != ENXIO) data = offset;  // cannot tell holes: read it all
        if (data < 0 || data >= end) break;             // only holes are left
        off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole < 0 || hole > end) hole = end;
        // Whole pages, so that the pages copied line up with the region's.
        off_t from = data / static_cast<off_t>(page) * static_cast<off_t>(page);
        if (from < static_cast<off_t>(kIndexHeaderSize)) from = kIndexHeaderSize;
        for (off_t at = from; at < hole;) {
            const auto n = static_cast<std::size_t>(std::min<off_t>(hole - at, kSaveBlock));
            if (!ReadFully(fd, buffer.data(), n, at)) {
                Trace("LoadIndex: cannot read %s; the rest of the grid is unknown", file.c_str());
                ::close(fd);
                return;
            }
            for (std::size_t k = 0; k < n;) {
                const std::size_t pageEnd =
                    std::min(n, (static_cast<std::size_t>(at) + k) / page * page + page -
                                    static_cast<std::size_t>(at));
                const uint8_t* p = buffer.data() + k;
                const uint8_t* pEnd = buffer.data() + pageEnd;
                if (std::any_of(p, pEnd, [](uint8_t b) { return b != 0; }))
                    std::memcpy(region + at + static_cast<off_t>(k), p, pageEnd - k);
                k = pageEnd;
            }
            at += static_cast<off_t>(n);
        }
        offset = hole;
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
    // written block by block straight from the region, without a second copy of it; its
    // all-zero pages become holes. Neighbouring pages of data go out in one write, and a run
    // of zero pages is passed over in one seek.
    const std::size_t page = PageSize();
    std::size_t zeros = 0;  // bytes of a hole not passed over yet
    for (std::size_t offset = 0; offset < gridBytes && ok; offset += kSaveBlock) {
        const std::size_t blockEnd = std::min(offset + kSaveBlock, gridBytes);
        MemoryToDisk(m_grid + offset, blockEnd - offset);
        std::size_t dataStart = offset, dataSize = 0;
        // Pieces end on the file's page boundaries, so that zero pages become whole holes.
        for (std::size_t at = offset; at < blockEnd && ok;) {
            const std::size_t fileAt = kIndexHeaderSize + at;
            const std::size_t size = std::min(blockEnd - at, (fileAt / page + 1) * page - fileAt);
            const uint8_t* p = m_grid + at;
            // All zero: the first byte is, and each byte equals the next (memcmp's wide loop).
            if (p[0] == 0 && std::memcmp(p, p + 1, size - 1) == 0) {
                if (dataSize) ok = writer.Write(m_grid + dataStart, dataSize);
                dataSize = 0;
                zeros += size;
            } else {
                if (zeros) ok = writer.WriteZeros(zeros);
                zeros = 0;
                if (!dataSize) dataStart = at;
                dataSize += size;
            }
            at += size;
        }
        if (ok && dataSize) ok = writer.Write(m_grid + dataStart, dataSize);
    }
    if (ok && zeros) ok = writer.WriteZeros(zeros);
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
    const std::filesystem::path level = LevelFolder();
    const std::filesystem::path column = level / std::to_string(tx);
    // Nearly always the level's folder is there: one call, and a column that exists is taken
    // as it is (were it a file, the tile's write into it fails).
    if (::mkdir(column.c_str(), 0777) == 0 || errno == EEXIST) return true;
    const std::filesystem::path map = m_dataFolder / "map";
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
