#include "geo/MapSourceConfig.h"

#include "platform/Services.h"

namespace hfp {

MapSourceConfig MakeMapSourceConfig(int level) {
    MapSourceConfig config;
    config.level = level;
    config.folderName = "xyz" + std::to_string(level);
    config.server = ServiceHost(Service::Tiles);
    config.pathPrefix = level <= 11 ? "/xyz/english/" : "/xyz/std/";
    return config;
}

std::string TileRequestPath(const MapSourceConfig& config, int32_t tx, int32_t ty) {
    return config.pathPrefix + std::to_string(config.level) + "/" + std::to_string(tx) + "/" +
           std::to_string(ty) + ".png";
}

std::filesystem::path TileFilePath(const std::filesystem::path& dataFolder,
                                   const MapSourceConfig& config, int32_t tx, int32_t ty) {
    return dataFolder / "map" / config.folderName / std::to_string(tx) /
           (std::to_string(ty) + ".png");
}

}  // namespace hfp
