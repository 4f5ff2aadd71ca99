#pragma once

#include <string>

namespace hfp {

// A tile scaling factor as the tile-scaling box shows it: one decimal ("1.0", "1.5").
std::string FormatScalingText(double factor);
// Reads a factor from the box's text: the leading number, as a C-library reader takes it.
// False, with *factor unchanged, when the text does not begin with a number.
bool ParseScalingText(const std::string& text, double* factor);

}  // namespace hfp
