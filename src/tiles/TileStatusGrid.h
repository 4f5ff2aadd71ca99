#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>

#include "geo/MapSourceConfig.h"

namespace hfp {

// Where a tile is, two bits per tile in the level's status grid.
enum TileStatus : uint8_t {
    TileUnknown = 0,      // never fetched, or its file could not be written: download it
    TileInMemory = 1,     // decoded in the level's memory cache; its file is on disk or queued
    TileOnDisk = 2,       // the PNG file is on disk and not in memory
    TileUnavailable = 3,  // outside the grid, or the server's answer was not a tile
};

// "TileUnknown", "TileInMemory", "TileOnDisk" or "TileUnavailable".
const char* TileStatusName(TileStatus status);

// The extent of a level's grid: the tiles of the service area, its bounds cut to whole
// degrees. Rows run from south (row 0 = tile row yS) to north (tile row yN); each row holds
// four tiles a byte, from x0 eastward, so the last byte may reach a few tiles past x1.
struct TileGridGeometry {
    int32_t x0 = 0;
    int32_t x1 = 0;
    int32_t yN = 0;
    int32_t yS = 0;
    int32_t bytesPerRow = 0;  // B = (x1 − x0 + 4) / 4
    int32_t rows = 0;         // R = 1 + yS − yN

    int64_t bytes() const { return int64_t{bytesPerRow} * rows; }
    bool Contains(int32_t tx, int32_t ty) const;
};

TileGridGeometry TileGridGeometryOf(const MapSourceConfig& config);

// The index file: a 100-byte header whose first 29 bytes are the magic, then the grid bytes.
constexpr std::size_t kIndexHeaderSize = 100;
constexpr char kIndexMagic[] = "HollowfernPlotter mst.dat 001";
constexpr std::size_t kIndexMagicSize = sizeof kIndexMagic - 1;

// The status grid of one zoom level and its tile folders under the data folder:
//   <data>/map/xyzL/TX/TY.png   tiles, the PNG bytes as the server sent them
//   <data>/map/xyzL/mst.dat     the grid, saved when the level's provider stops
//
// The grid lives in a zero-filled anonymous region, so that only its pages that hold a status
// other than TileUnknown take memory (level 18's grid is 140 MB). LoadIndex copies into it
// the non-zero pages of mst.dat, reading only the file's data extents: the index is written
// sparse (zero runs are holes), so starting a level with a few hundred tiles reads kilobytes.
// The file is never mapped, so nothing another program does to it can crash or change a
// running level; SaveIndex streams the grid into a new file that replaces it.
//
// Every operation takes the grid's own lock for the time of the access only, so the level's
// threads may share one grid.
class TileStatusGrid {
  public:
    TileStatusGrid(MapSourceConfig config, std::filesystem::path dataFolder);
    ~TileStatusGrid();
    TileStatusGrid(const TileStatusGrid&) = delete;
    TileStatusGrid& operator=(const TileStatusGrid&) = delete;

    const MapSourceConfig& config() const { return m_config; }
    const TileGridGeometry& geometry() const { return m_geometry; }
    const std::filesystem::path& dataFolder() const { return m_dataFolder; }

    // TileUnavailable for a tile outside the grid, and for every tile while no grid is loaded.
    TileStatus GetTileStatus(int32_t tx, int32_t ty) const;
    // No effect outside the grid or while no grid is loaded.
    void SetTileStatus(int32_t tx, int32_t ty, TileStatus status);

    // Sets up an all-TileUnknown grid, then reads mst.dat into it when the file is a regular
    // file carrying the magic (as far as the file goes, at most the grid's size). A missing,
    // unreadable or foreign file leaves the grid all TileUnknown. False only when the grid
    // cannot be set up.
    bool LoadIndex();
    // Turns every TileInMemory into TileOnDisk, then writes mst_temp.dat, its zero pages as
    // holes, and renames it over mst.dat. Creates no folder. False (mst.dat untouched) when no grid
    // is loaded or the temporary file cannot be created or written.
    bool SaveIndex();
    // Releases the grid (the provider's stop); GetTileStatus then answers TileUnavailable.
    void Free();
    bool loaded() const;

    // How many of the grid's tile positions (four per byte, B · 4 per row) hold each status.
    std::array<int64_t, 4> CountStatuses() const;

    std::filesystem::path TileFilePath(int32_t tx, int32_t ty) const;
    std::filesystem::path LevelFolder() const;
    std::filesystem::path IndexFilePath() const;           // mst.dat
    std::filesystem::path TemporaryIndexFilePath() const;  // mst_temp.dat
    // Creates <data>/map, its level folder and the tile's column folder, just before a tile
    // file is written (an existing folder is no error).
    bool CreateTileFolders(int32_t tx) const;

  private:
    void Unmap();
    void ReadIndexFile();

    MapSourceConfig m_config;
    std::filesystem::path m_dataFolder;
    TileGridGeometry m_geometry;

    mutable std::mutex m_lock;
    void* m_mapping = nullptr;  // header area + grid, page-rounded
    std::size_t m_mappingSize = 0;
    uint8_t* m_grid = nullptr;  // m_mapping + kIndexHeaderSize
};

}  // namespace hfp
