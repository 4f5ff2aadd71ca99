#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "write/WriteObject.h"

namespace hfp {

class ProgressControl;

// GPX, the exchange format of GPS units and map programs, in and out of write sets: a track
// segment or a route becomes a connected line, a waypoint a string with its name; a connected
// line goes out as a track of one segment, a string as a waypoint at the middle of its box.
// Times, elevations, extensions and every other element are not kept.
//
// Reading and writing are jobs for a worker thread (the progress dialog's, or hfp's own), as
// the exchange file's are: they touch no set, and return an error text, empty on success.

// A file larger than this is refused before it is read.
inline constexpr std::uintmax_t kGpxFileLimit = std::uintmax_t{256} << 20;
// The most points a connected line read from GPX gets: one record of the exchange file carries
// that many points of the service area, and the view's and the printer's box tests pass over
// the parts of a long track away from what they draw. A longer segment becomes several lines,
// each starting at the point where the one before it ends.
inline constexpr std::size_t kGpxLinePoints = 3000;
// The side of the string box a waypoint becomes, in geo units, centred on it.
inline constexpr int32_t kGpxWaypointBox = 600;

struct GpxImport {
    std::string name;  // <metadata><name> (GPX 1.1) or <gpx><name> (1.0); empty when none
    // Waypoints in front of the lines; within each, later in the file is further in front.
    std::vector<std::unique_ptr<CWriteObject>> objects;
    int splitSegments = 0;  // segments and routes carried by more than one line
    int shortSegments = 0;  // segments and routes of fewer than 2 points, left out
};

// Reads a GPX 1.1 or 1.0 file. All or nothing: a file that is too large, not well-formed XML,
// carries a document type declaration (a DTD; GPX has none, and its entities could expand
// without end), is not GPX, has a point without a valid latitude and longitude, or has points
// outside the service area, is refused with nothing in `out`.
std::string ReadGpxFile(const std::filesystem::path& file, ProgressControl& progress,
                        GpxImport* out);

// The name a new set for the import asks for: the file's own name, else the file name without
// its extension (still to be made unique).
std::string GpxSetName(const GpxImport& read, const std::filesystem::path& file);
// The message after an import into set `setName`: what was left out or split is said.
std::string GpxImportedText(const std::string& setName, const GpxImport& read);

// Writes a set's objects (frontmost first) as GPX 1.1 named `name`, coordinates in degrees
// with 7 decimals, through a temporary file that replaces `file` only when complete.
// `leftOut` gets the number of rectangles, ellipses and pictures, which GPX cannot carry.
std::string ExportGpxFile(const std::string& name,
                          const std::vector<std::unique_ptr<CWriteObject>>& objects,
                          const std::filesystem::path& file, ProgressControl& progress,
                          int* leftOut);

// The message after an export of set `setName` (of either format) that left `leftOut`
// objects out.
std::string ExportedText(const std::string& setName, int leftOut);

}  // namespace hfp
