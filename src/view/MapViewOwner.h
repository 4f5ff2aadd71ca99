#pragma once

#include <QIcon>

#include <string>
#include <utility>
#include <vector>

#include "platform/Color.h"

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
    // The write-pattern box: "(Unselected)", then (type, name) of every pattern in order.
    // Refilling keeps the pattern of the same name chosen, or else "(Unselected)".
    virtual void FillPatternBox(const std::vector<std::pair<int32_t, std::string>>& patterns) = 0;
    // The pattern the box shows (its index among the patterns); -1 for "(Unselected)".
    virtual int CurrentPattern() const = 0;
    virtual void ShowPattern(int index) = 0;
    // The small picture of a write object type (1 to 5) in the pattern box and dialog.
    virtual QIcon WriteTypeIcon(int32_t type) const = 0;

    // The write-set box: (set index, name) of the visible sets in list order. Refilling keeps
    // the set whose name it showed, or else shows the first item.
    virtual void FillWriteSetBox(const std::vector<std::pair<int, std::string>>& sets) = 0;
    // The set index the box shows; -1 when it is empty.
    virtual int CurrentWriteSet() const = 0;
    virtual void ShowWriteSet(int setIndex) = 0;
    // The transparency box, read as atoi reads it, and written as "%d".
    virtual int TransparencyValue() const = 0;
    virtual void SetTransparencyText(int percent) = 0;
    // The colour and line samples of the write toolbar.
    virtual void ShowCurrentPen(COLORREF color, int size, int style) = 0;
    // The write mode, the selection or the undo history changed: commands follow.
    virtual void EditStateChanged() = 0;
};

}  // namespace hfp
