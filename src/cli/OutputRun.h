#pragma once

#include <string>

#include "compose/CreateMap.h"
#include "print/OutputSetting.h"

namespace hfp::cli {

constexpr int kExitTimeout = 3;
constexpr int kExitTilesMissing = 4;

// One composition of hfp's own for a file or a print: started, waited for with progress on
// stderr, its shortfalls told afterwards. The composer is hfp's alone, so the finished map is
// decorated where it lies, never copied whole.
class OutputRun {
  public:
    explicit OutputRun(CCreateMap& composer) : m_composer(composer) {}

    // Composes `request` and waits for its tiles, at most `timeoutSeconds`. Returns kExitOk
    // when the map is finished (holes included), kExitTimeout when the time ran out (the
    // composition is cancelled) and kExitFailure when it could not start.
    int Compose(MapRequest& request, double timeoutSeconds);
    // Draws the layout's decorations on the finished map, as a printed or filed sheet has
    // them. False (after drawing everything) when the declination could not be had.
    bool Decorate(const MapRequest& request, const OutputSetting& layout);
    // Prints the map's shortfalls as `hfp: …` lines; kExitTilesMissing when there were any
    // that matter, or the declination failed (`declined` false), else kExitOk.
    int ReportShortfalls(bool declined) const;

    CDivBitmap& map() { return m_composer.composed(); }

  private:
    CCreateMap& m_composer;
    int32_t m_notWaitedFor = 0;
};

// The layout's 30 colour replacements, into the request.
void SetColorChanges(MapRequest& request, const OutputSetting& layout);

}  // namespace hfp::cli
