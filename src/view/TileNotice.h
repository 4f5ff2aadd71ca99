#pragma once

#include <QLabel>
#include <QString>

#include "compose/CreateMap.h"

namespace hfp {

// A thin banner across the top of the map view that says, without a box, that tiles cannot be
// downloaded and why: shown while the latest composition has tiles that got no answer or
// could not be kept, hidden again once a composition gets its tiles.
class TileNotice : public QLabel {
  public:
    explicit TileNotice(QWidget* view);

    // Shows or hides the banner for the composition's figures; `done` tells that nothing
    // more will arrive for it.
    void Update(const CompositionStats& stats, bool done);
    // The banner's text for the figures; empty when nothing is missing.
    static QString Text(const CompositionStats& stats);
};

}  // namespace hfp
