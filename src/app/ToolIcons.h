#pragma once

#include <QIcon>

namespace hfp {

// The picture of a command: the desktop icon theme's where a freedesktop name fits, else (and
// on a desktop without a theme) one drawn here. Null for the menus' check items.
QIcon ToolIcon(int commandId);

}  // namespace hfp
