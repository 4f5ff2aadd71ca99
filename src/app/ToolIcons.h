#pragma once

#include <QIcon>

namespace hfp {

// The picture of a command's toolbar button, drawn at run time.
QIcon ToolIcon(int commandId);

}  // namespace hfp
