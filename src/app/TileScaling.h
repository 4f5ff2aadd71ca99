#pragma once

#include <array>
#include <string>

namespace hfp {

// The tile-scaling box of the map toolbar as a model: the eight factors it offers and the
// text that stands for the current level's factor.
class TileScalingChoice {
  public:
    static constexpr int kItemCount = 8;
    static constexpr std::array<const char*, kItemCount> kItems = {"0.2", "0.4", "0.6", "0.8",
                                                                   "1.0", "1.5", "2.0", "3.0"};
    // The item shown at the start.
    static constexpr int kInitialItem = 4;

    const std::string& text() const { return m_text; }

    // Takes the factor as text with one decimal; returns the item of exactly that text, or
    // -1 when the box has none (its selection then stays as it is).
    int SetFactor(double factor);
    // The factor of `item` chosen by the user: false when it is already the current one,
    // which changes nothing.
    bool Choose(int item);
    bool IsCurrent(int item) const;
    // The item of the current text, -1 when there is none.
    int CurrentItem() const;

  private:
    std::string m_text = kItems[kInitialItem];
};

}  // namespace hfp
