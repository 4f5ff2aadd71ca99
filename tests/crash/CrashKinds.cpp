#include "CrashKinds.h"

#include <string>

#include <QImage>

#include "compose/DivBitmap.h"
#include "compose/ImageFile.h"
#include "geo/MapSourceConfig.h"
#include "positions/PositionList.h"
#include "settings/SetData.h"
#include "tiles/TileDownload.h"
#include "tiles/TileStatusGrid.h"
#include "write/Write.h"
#include "write/WriteObjectRectangle.h"
#include "write/WritePattern.h"

namespace hfp::test {

namespace {

constexpr int kIndexLevel = 12;
constexpr int32_t kTileX = 3638, kTileY = 1612;

// A text of `count` characters that differs between the versions at every position.
std::string Filler(int version, std::size_t count) {
    std::string text(count, version ? 'b' : 'a');
    for (std::size_t i = 0; i < count; i += 7)
        text[i] = static_cast<char>('0' + (i / 7 + static_cast<std::size_t>(version)) % 10);
    return text;
}

}  // namespace

std::filesystem::path SavedFile(std::string_view kind, const std::filesystem::path& folder) {
    if (kind == "set") return folder / "set.dat";
    if (kind == "write") return folder / "write.dat";
    if (kind == "writepat") return folder / "writepat.dat";
    if (kind == "poslist") return folder / CPositionList::kFileName;
    if (kind == "image") return folder / "map.png";
    const TileStatusGrid grid(MakeMapSourceConfig(kIndexLevel), folder);
    return kind == "index" ? grid.IndexFilePath() : grid.TileFilePath(kTileX, kTileY);
}

bool SaveVersion(std::string_view kind, const std::filesystem::path& folder, int version) {
    if (kind == "set") {
        CSetData settings;
        settings.m_mapType = version ? 11 : 3;
        settings.m_fileoutName = Filler(version, 200);
        return settings.Save(folder);
    }
    if (kind == "write") {
        CWrite write;
        for (int i = 0; i < 400; ++i)
            if (!write.AddSet(std::to_string(i) + Filler(version, 200))) return false;
        return write.SaveFile(SavedFile(kind, folder));
    }
    if (kind == "writepat") {
        CWritePattern patterns;
        CWriteObjectRectangle rectangle;
        rectangle.m_nTransparency = version ? 40 : 90;
        for (int i = 0; i < 400; ++i)
            if (!patterns.Add(std::to_string(i) + Filler(version, 200), rectangle)) return false;
        return patterns.SaveFile(SavedFile(kind, folder));
    }
    if (kind == "poslist") {
        CPositionList list;
        for (int i = 0; i < 500; ++i)
            list.Append({.group = "g" + std::to_string(i % 7),
                         .name = std::to_string(i) + Filler(version, 100),
                         .longitude = 49800000 + i * 100,
                         .latitude = 12700000 + version * 1000});
        return list.Save(SavedFile(kind, folder), nullptr);
    }
    if (kind == "image") {
        CDivBitmap map;
        if (!map.Create(1600, 1200, 256)) return false;
        map.FillWhite();
        for (int i = 0; i < 40; ++i)
            map.FillRectangle(QColor::fromHsv((i * 9 + version * 180) % 360, 200, 200),
                              QRectF(i * 40, i * 30, 400, 300));
        return WriteImageFile(map, SavedFile(kind, folder));
    }
    if (kind == "index") {
        TileStatusGrid grid(MakeMapSourceConfig(kIndexLevel), folder);
        if (!grid.LoadIndex() || !grid.CreateTileFolders(kTileX)) return false;
        const TileGridGeometry& g = grid.geometry();
        for (int32_t ty = g.yN; ty <= g.yS; ++ty)
            for (int32_t tx = g.x0; tx <= g.x1; tx += 3)
                grid.SetTileStatus(tx, ty,
                                   ((tx + ty + version) % 2) ? TileOnDisk : TileUnavailable);
        return grid.SaveIndex();
    }
    if (kind == "tile") {
        const TileStatusGrid grid(MakeMapSourceConfig(kIndexLevel), folder);
        return SaveTileFile(grid, kTileX, kTileY, Filler(version, 300000));
    }
    return false;
}

bool Loads(std::string_view kind, const std::filesystem::path& folder) {
    if (kind == "set") return CSetData().Load(folder);
    if (kind == "write") return CWrite().LoadFile(SavedFile(kind, folder));
    if (kind == "writepat") return CWritePattern().LoadFile(SavedFile(kind, folder));
    if (kind == "poslist") {
        std::string error;
        return CPositionList().Load(SavedFile(kind, folder), &error) ==
               CPositionList::LoadResult::Read;
    }
    if (kind == "image") return !QImage(QString::fromStdString(SavedFile(kind, folder))).isNull();
    if (kind == "index") {
        TileStatusGrid grid(MakeMapSourceConfig(kIndexLevel), folder);
        return grid.LoadIndex() && grid.CountStatuses()[TileOnDisk] > 0;
    }
    return true;  // a tile's bytes are compared whole
}

}  // namespace hfp::test
