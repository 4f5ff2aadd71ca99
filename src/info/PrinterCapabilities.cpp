#include "info/PrinterCapabilities.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "geo/GeoPoint.h"
#include "print/PrintJob.h"

namespace hfp {

PrinterCapabilities CapabilitiesOf(QPrinter& printer) {
    PrinterCapabilities caps;
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.isValid()) return caps;
    const int dpi = printer.resolution();
    const QPageLayout layout = printer.pageLayout();
    const QRect paper = layout.fullRectPixels(dpi);
    const QRect printable = layout.paintRectPixels(dpi);
    // The millimetres and pixels of the print-out bounds. The printing system reports no
    // driver version: it stays 0.
    const PrinterMetrics metrics = MetricsOf(layout, dpi);
    caps.technology = PrinterCapabilities::kRasterPrinter;
    caps.horzSize = TruncToInt(metrics.widthMm);
    caps.vertSize = TruncToInt(metrics.heightMm);
    caps.horzRes = metrics.widthPx;
    caps.vertRes = metrics.heightPx;
    caps.logPixelsX = dpi;
    caps.logPixelsY = dpi;
    caps.physicalWidth = paper.width();
    caps.physicalHeight = paper.height();
    caps.physicalOffsetX = printable.left() - paper.left();
    caps.physicalOffsetY = printable.top() - paper.top();
    return caps;
}

PrinterCapabilities DefaultPrinterCapabilities() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return {};
    QPrinter printer(info, QPrinter::HighResolution);
    return CapabilitiesOf(printer);
}

}  // namespace hfp
