#include "print/PrintJob.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSettings>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "compose/DivBitmap.h"
#include "geo/GroundDistance.h"
#include "print/OutputJob.h"

namespace hfp {

namespace {

// Overlap strips exist only between sheets.
int32_t Overlap(int32_t sheets, int32_t strip) {
    return sheets >= 2 ? (sheets - 1) * strip : 0;
}

}  // namespace

bool ExceedsA3(const PrinterMetrics& metrics) {
    // In whole millimetres, as printers report their size: a page given in points or pixels
    // is a fraction of a millimetre off the paper it stands for.
    return std::lround(metrics.widthMm) > kMaxPrintableMm ||
           std::lround(metrics.heightMm) > kMaxPrintableMm;
}

PrinterMetrics MetricsOf(const QPageLayout& layout, int dpi) {
    const QRect area = layout.paintRectPixels(dpi);
    constexpr double kMmPerInch = 25.4;
    return {area.width() * kMmPerInch / dpi, area.height() * kMmPerInch / dpi, area.width(),
            area.height()};
}

PrintBoundsSize ComputePrintBounds(const OutputSetting& layout, const PrinterMetrics& metrics,
                                   int32_t centerLat) {
    const double reduction = layout.reduction;
    const double paperWidth = layout.numberHorizontal * metrics.widthMm -
                              Overlap(layout.numberHorizontal, layout.repetition);
    const double paperHeight = layout.numberVertical * metrics.heightMm -
                               Overlap(layout.numberVertical, layout.repetition);
    const double m = MetresPerArcSecondOfLongitude(centerLat);
    return {TruncToInt(paperWidth / (m * 1000 / reduction)) * 100,
            TruncToInt(paperHeight / (kMetresPerArcSecondOfLatitude * 1000 / reduction)) * 100};
}

GeoPoint ClampPrintCenter(GeoPoint center, const PrintBoundsSize& size,
                          const std::array<int32_t, 4>& area) {
    const auto [west, east, south, north] = area;
    if (center.lon - size.widthGeo / 2 < west)
        center.lon = west + size.widthGeo / 2;
    else if (center.lon + size.widthGeo / 2 > east)
        center.lon = east - size.widthGeo / 2;
    if (center.lat - size.heightGeo / 2 < south)
        center.lat = south + size.heightGeo / 2;
    else if (center.lat + size.heightGeo / 2 > north)
        center.lat = north - size.heightGeo / 2;
    return center;
}

QPoint SheetPlan::PageOrigin(int32_t index) const {
    const int32_t row = index / columns, column = index % columns;
    return {column * (pageWidth - ox), row * (pageHeight - oy)};
}

SheetPlan PlanSheets(const OutputSetting& layout, const PrinterMetrics& metrics) {
    SheetPlan plan;
    plan.columns = std::max(1, layout.numberHorizontal);
    plan.rows = std::max(1, layout.numberVertical);
    plan.pageWidth = metrics.widthPx;
    plan.pageHeight = metrics.heightPx;
    if (metrics.widthMm > 0 && metrics.heightMm > 0) {
        plan.ox = TruncToInt(layout.repetition * metrics.widthPx / metrics.widthMm);
        plan.oy = TruncToInt(layout.repetition * metrics.heightPx / metrics.heightMm);
    }
    plan.width = plan.columns * plan.pageWidth - Overlap(plan.columns, plan.ox);
    plan.height = plan.rows * plan.pageHeight - Overlap(plan.rows, plan.oy);
    return plan;
}

bool PrintSheets(QPagedPaintDevice& device, const CDivBitmap& map, const SheetPlan& plan,
                 std::string* error, int32_t fromPage, int32_t toPage) {
    const int32_t first = fromPage > 0 ? fromPage - 1 : 0;
    const int32_t last = fromPage > 0 ? std::min(toPage, plan.PageCount()) : plan.PageCount();
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) *error = "the printer cannot be drawn on";
        return false;
    }
    for (int32_t page = first; page < last; ++page) {
        if (page > first && !device.newPage()) {
            if (error) *error = "the printer refused page " + std::to_string(page + 1);
            return false;
        }
        const QRect sheet(plan.PageOrigin(page), QSize(plan.pageWidth, plan.pageHeight));
        for (int block = 0; block < map.blockCount(); ++block) {
            const QRect part = map.BlockRect(block).intersected(sheet);
            if (part.isEmpty()) continue;
            const QImage pixels = map.BlockImage(block);
            painter.drawImage(part.topLeft() - sheet.topLeft(), pixels,
                              part.translated(-map.BlockRect(block).topLeft()));
        }
    }
    return painter.end();
}

MapRequest OutputRequest(const OutputSetting& layout, GeoPoint center, int32_t areaWidthGeo,
                         int32_t width, int32_t height, bool highSpeed) {
    MapRequest request;
    request.highSpeed = highSpeed;
    request.levelIndex = LevelIndex(layout.mapLevel);
    request.mapType = layout.mapType;
    request.scale = -1;
    request.width = width;
    request.height = height;
    request.centerLon = center.lon;
    request.centerLat = center.lat;
    request.areaWidthGeo = areaWidthGeo;
    SetColorChanges(request, layout);
    return request;
}

MapRequest PrintRequest(const OutputSetting& layout, const PrinterMetrics& metrics,
                        const SheetPlan& plan, GeoPoint center, bool highSpeed) {
    return OutputRequest(layout, center, ComputePrintBounds(layout, metrics, center.lat).widthGeo,
                         plan.width, plan.height, highSpeed);
}

std::string PrintShortfallText(const SheetPlan& plan, const CompositionStats& stats,
                               const std::vector<std::string>& shortfalls) {
    if (shortfalls.empty()) return {};
    std::vector<int32_t> sheets;
    for (int32_t page = 0; page < plan.PageCount(); ++page) {
        const QRect sheet(plan.PageOrigin(page), QSize(plan.pageWidth, plan.pageHeight));
        if (std::any_of(stats.missingPlaces.begin(), stats.missingPlaces.end(),
                        [&](const QRect& place) { return place.intersects(sheet); }))
            sheets.push_back(page + 1);
    }
    std::string text;
    if (!sheets.empty()) {
        text = sheets.size() == 1 ? "Sheet " : "Sheets ";
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            if (i > 0) text += i + 1 == sheets.size() ? " and " : ", ";
            text += std::to_string(sheets[i]);
        }
        text += sheets.size() == 1 ? " has" : " have";
        text += " white parts where map tiles are missing.\n";
    }
    return text + AsSentences(shortfalls);
}

std::string AsSentences(const std::vector<std::string>& lines) {
    std::string text;
    for (std::string line : lines) {
        if (line.empty()) continue;
        line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
        text += line + "\n";
    }
    return text;
}

void CountPrintRun() {
    QSettings store("Quay", "HollowfernPlotter");
    store.setValue("PrintCount", store.value("PrintCount", 0).toUInt() + 1);
    store.setValue("PrintPreviewCount", store.value("PrintPreviewCount", 0).toUInt());
}

}  // namespace hfp
