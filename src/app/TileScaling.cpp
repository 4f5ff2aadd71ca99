#include "app/TileScaling.h"

#include "view/ScalingText.h"

namespace hfp {

int TileScalingChoice::SetFactor(double factor) {
    m_text = FormatScalingText(factor);
    return CurrentItem();
}

bool TileScalingChoice::Choose(int item) {
    if (item < 0 || item >= kItemCount || IsCurrent(item)) return false;
    double factor = 0;
    ParseScalingText(kItems[static_cast<std::size_t>(item)], &factor);
    SetFactor(factor);
    return true;
}

bool TileScalingChoice::IsCurrent(int item) const {
    return item >= 0 && item < kItemCount && m_text == kItems[static_cast<std::size_t>(item)];
}

int TileScalingChoice::CurrentItem() const {
    for (int i = 0; i < kItemCount; ++i)
        if (IsCurrent(i)) return i;
    return -1;
}

}  // namespace hfp
