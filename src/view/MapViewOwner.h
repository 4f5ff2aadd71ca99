#pragma once

#include <string>

namespace hfp {

class CSetData;
class Messages;

// What the map view needs of the window that holds it: the settings, the tile-scaling and
// write-pattern boxes of its toolbars, the status bar and the way to tell the user things.
class MapViewOwner {
  public:
    virtual ~MapViewOwner() = default;

    virtual CSetData& settings() = 0;
    virtual Messages& messages() = 0;
    // The tile scaling factor of the current level as the tile-scaling box holds it.
    virtual std::string TileScalingText() const = 0;
    // Shows a level's factor in the tile-scaling box.
    virtual void SetTileScalingText(double factor) = 0;
    // The text pane of the status bar.
    virtual void SetStatusText(const std::string& text) = 0;
    // True while a write pattern is chosen in the write-pattern box.
    virtual bool PatternSelected() const = 0;
    // Puts the write-pattern box back to "(Unselected)".
    virtual void ClearPatternSelection() = 0;
};

}  // namespace hfp
