#pragma once

#include "info/SystemInformation.h"

class QPrinter;

namespace hfp {

// The report's printer values of `printer`, the printer the print-out bounds were last
// computed for. A printer that only writes PDF files (all there is when none is installed)
// has none: all zero, technology "Unknown".
PrinterCapabilities CapabilitiesOf(QPrinter& printer);

// The same for the default printer, read now.
PrinterCapabilities DefaultPrinterCapabilities();

}  // namespace hfp
