#pragma once

#include <QFont>

namespace hfp {

// The face of every text on a printed or filed sheet (grid labels, declination text, scale
// notation): the Japanese proportional gothic, in the program's face mapping, at `height`
// pixels of cell height, normal weight, draft quality.
QFont PrintLabelFont(int height);

}  // namespace hfp
