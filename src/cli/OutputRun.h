#pragma once

#include <memory>

#include "print/OutputJob.h"

namespace hfp {
class CWrite;
}

namespace hfp::cli {

constexpr int kExitTimeout = 3;
constexpr int kExitTilesMissing = 4;

// The tiles' progress on stderr ("12/48 tiles"), for an output job's order.
OutputJob::Progress TileProgressLine();

// hfp's side of a file or print run: the job runs on this thread with its progress on
// stderr. Returns kExitOk when it is done (holes included; ReportShortfalls tells them),
// kExitTimeout when the time ran out (nothing written) and kExitFailure when it could not
// start or the output could not be written (stderr says why).
int RunOutputJob(OutputJob& job, double timeoutSeconds);
// Prints the map's shortfalls as `hfp: …` lines; kExitTilesMissing when tiles are missing or
// the declination failed, else kExitOk.
int ReportShortfalls(const OutputJob& job);
// The write sets of the data folder as the map editor saved them last (what could be read of
// them, with a note on stderr).
std::unique_ptr<CWrite> LoadWriteSets();

}  // namespace hfp::cli
