#pragma once

#include <QPoint>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compose/MapComposition.h"
#include "compose/MapRequest.h"
#include "geo/GeoPoint.h"
#include "print/OutputSetting.h"

class QPageLayout;
class QPagedPaintDevice;

namespace hfp {

class CDivBitmap;

// The printable area of a printer's page: millimetres (HORZSIZE, VERTSIZE) and device pixels
// (HORZRES, VERTRES). A printer reports it through its page layout's paint rectangle; hfp print
// uses the paper minus the margins.
struct PrinterMetrics {
    double widthMm = 0;
    double heightMm = 0;
    int32_t widthPx = 0;
    int32_t heightPx = 0;
    friend bool operator==(const PrinterMetrics&, const PrinterMetrics&) = default;
};

// Nothing wider or higher than A3 is printed: the tile service's terms of use.
constexpr double kMaxPrintableMm = 420;
constexpr const char* kOverA3Message = "Cannot to print out over A3 size. (acceptable use policy)";
bool ExceedsA3(const PrinterMetrics& metrics);

// The metrics of a page layout printed at `dpi`. The millimetres are those of the device
// pixels, which is what lands on the paper: the layout's own are rounded to whole points.
PrinterMetrics MetricsOf(const QPageLayout& layout, int dpi);

// The ground the print-out bounds cover, whole arc-seconds in geo units: the paper of all
// sheets less their overlaps, at the layout's reduction, around a centre at `centerLat`.
struct PrintBoundsSize {
    int32_t widthGeo = 0;
    int32_t heightGeo = 0;
};
PrintBoundsSize ComputePrintBounds(const OutputSetting& layout, const PrinterMetrics& metrics,
                                   int32_t centerLat);

// Moves `center` the least so that bounds of `size` lie inside the service area
// (west, east, south, north), as "Move print out bounds to center" places them.
GeoPoint ClampPrintCenter(GeoPoint center, const PrintBoundsSize& size,
                          const std::array<int32_t, 4>& area);

// How the composed map of all sheets is cut into pages. Neighbouring sheets share an overlap
// strip of ox (oy) device pixels; page (row, column) shows the map from PageOrigin on.
struct SheetPlan {
    int32_t columns = 1;
    int32_t rows = 1;
    int32_t pageWidth = 0;  // device pixels of one page's printable area
    int32_t pageHeight = 0;
    int32_t ox = 0;
    int32_t oy = 0;
    int32_t width = 0;  // the composed map of all sheets
    int32_t height = 0;

    int32_t PageCount() const { return columns * rows; }
    // Pages run left to right, then top to bottom; `index` counts from 0.
    QPoint PageOrigin(int32_t index) const;
};
SheetPlan PlanSheets(const OutputSetting& layout, const PrinterMetrics& metrics);

// Prints page after page of `plan` from `map` onto `device`, whose paintable area is one
// sheet: pages fromPage to toPage (from 1), every page when fromPage is 0. Only the blocks of
// the banded map that meet a page are read, one at a time. False (with `error`) when the
// device cannot be painted on.
bool PrintSheets(QPagedPaintDevice& device, const CDivBitmap& map, const SheetPlan& plan,
                 std::string* error, int32_t fromPage = 0, int32_t toPage = 0);

// The composition request of a print or a file out: the layout's level, map type and colour
// changes, an image of width × height pixels showing `areaWidthGeo` of ground around `center`.
MapRequest OutputRequest(const OutputSetting& layout, GeoPoint center, int32_t areaWidthGeo,
                         int32_t width, int32_t height, bool highSpeed);
// That of a print: the plan's size, the print-out bounds' ground width.
MapRequest PrintRequest(const OutputSetting& layout, const PrinterMetrics& metrics,
                        const SheetPlan& plan, GeoPoint center, bool highSpeed);

// Plain lines (OutputJob::Shortfalls, a reason) for the user: each begins with a capital and
// ends its line.
std::string AsSentences(const std::vector<std::string>& lines);
// What a printed map lacks, for the user: which sheets have white parts where tiles are
// missing, then the shortfall lines (OutputJob::Shortfalls). Empty for a whole map.
std::string PrintShortfallText(const SheetPlan& plan, const CompositionStats& stats,
                               const std::vector<std::string>& shortfalls);

// The usage counters kept with the program's own settings (QSettings): PrintCount grows by
// one per print or file-out run; PrintPreviewCount is written back as it is.
void CountPrintRun();

}  // namespace hfp
