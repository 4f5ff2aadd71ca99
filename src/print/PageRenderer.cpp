#include "print/PageRenderer.h"

#include <QImage>

#include "compose/DivBitmap.h"
#include "platform/DataFolder.h"
#include "write/Write.h"

namespace hfp {

namespace {

constexpr const char* kLogoFileName = "printlogo.png";
constexpr int kLogoEnlargement = 5;

void DrawLogo(CDivBitmap& target, const std::filesystem::path& file, int width, int height) {
    if (file.empty()) return;
    const QImage logo(QString::fromStdString(file.string()));
    if (logo.isNull()) return;
    const int w = kLogoEnlargement * logo.width(), h = kLogoEnlargement * logo.height();
    target.DrawImage(QRectF(width - w, height - h, w, h), logo);
}

}  // namespace

std::filesystem::path FindPrintLogo() {
    return FindProgramFile(kLogoFileName);
}

bool RenderPage(CDivBitmap& target, const PageGeometry& page, const OutputSetting& layout,
                const PageContent& content, std::string* error) {
    const int width = page.Width(), height = page.Height();
    DrawLogo(target, content.logo, width, height);
    if (content.write) {
        WriteTransform t;
        t.ox = width / 2;
        t.oy = height / 2;
        t.geoLeft = page.centreLongitude;
        t.geoTop = page.centreLatitude;
        t.sx = page.pxPerGeoX * page.ratio;
        t.sy = page.pxPerGeoY * page.ratio;
        content.write->DrawSets(target, t,
                                GeoBox{page.Left(), page.Bottom(), page.Right(), page.Top()});
    }
    const bool declined = RenderGridLines(target, page, layout, GridLineOptions{}, error);
    if (layout.outputMarker && content.spotMarkers) content.spotMarkers(target, page);
    return declined;
}

}  // namespace hfp
