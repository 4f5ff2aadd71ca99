#include "cli/OutputRun.h"

#include <cstdio>

#include "cli/Cli.h"
#include "platform/DataFolder.h"
#include "write/Write.h"

namespace hfp::cli {

OutputJob::Progress TileProgressLine() {
    auto line = std::make_shared<ProgressLine>();
    return [line](int32_t reported, int32_t asked, bool last) {
        line->Update(std::to_string(reported) + "/" + std::to_string(asked) + " tiles", last);
    };
}

int RunOutputJob(OutputJob& job, double timeoutSeconds) {
    switch (job.Run()) {
        case OutputJob::Outcome::Done:
            return kExitOk;
        case OutputJob::Outcome::TimedOut:
            std::fprintf(stderr, "hfp: the map was not complete after %g s; nothing written\n",
                         timeoutSeconds);
            return kExitTimeout;
        default:
            if (!job.error().empty()) std::fprintf(stderr, "hfp: %s\n", job.error().c_str());
            return kExitFailure;
    }
}

int ReportShortfalls(const OutputJob& job) {
    // The output is written either way; a map with holes must not pass for a whole one.
    for (const std::string& line : job.Shortfalls())
        std::fprintf(stderr, "hfp: %s\n", line.c_str());
    return job.stats().missing() > 0 || !job.declined() ? kExitTilesMissing : kExitOk;
}

std::unique_ptr<CWrite> LoadWriteSets() {
    auto write = std::make_unique<CWrite>();
    std::string reason;
    const std::filesystem::path file = DataFolder() / CWrite::kFileName;
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !write->LoadFile(file, &reason))
        std::fprintf(stderr, "hfp: the write sets are drawn as far as they could be read: %s\n",
                     reason.c_str());
    return write;
}

}  // namespace hfp::cli
