#pragma once

#include <QImage>

#include <cstdint>
#include <string>

namespace hfp::devserver {

// The colours of the GSI standard map that the synthetic tiles are drawn in.
namespace MapColor {
constexpr QRgb kBackground = 0xffffffff;
constexpr QRgb kContour = 0xffc8a03c;       // 200,160,60
constexpr QRgb kWaterEdge = 0xff145aff;     // 20,90,255
constexpr QRgb kWaterFace = 0xffbed2ff;     // 190,210,255
constexpr QRgb kRoad = 0xff646464;          // 100,100,100: roads, paths, road edges
constexpr QRgb kWideRoadFace = 0xffff7a7a;  // 255,122,122
constexpr QRgb kBuildingFace = 0xffffe6be;  // 255,230,190
constexpr QRgb kBuildingEdge = 0xff969696;  // 150,150,150
constexpr QRgb kText = 0xff000000;
}  // namespace MapColor

// Draws tile (tx, ty) of zoom level 7..18: a 256 × 256 topographic map of the synthetic
// landscape, with the detail that suits the level. Every feature is drawn in world pixel
// coordinates, so tiles join without seams. Safe to call from several threads at once (the
// program must have a QGuiApplication for the fonts).
QImage RenderTile(int level, int32_t tx, int32_t ty);

// The image as a PNG file's bytes.
std::string EncodePng(const QImage& image);

}  // namespace hfp::devserver
