#pragma once

#include <QStringList>
#include <functional>
#include <initializer_list>

class QBoxLayout;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace hfp {

// The parts the list dialogs of the overlay (write sets, write patterns) share.

// A list of rows with full-row single selection, with its column headers and widths.
QTreeWidget* MakeRowList(QWidget* parent, const QStringList& headers,
                         std::initializer_list<int> widths);
// A button named `name` (what tests find it by) that runs `clicked`; never the default.
QPushButton* MakeButton(QWidget* parent, const char* text, const char* name,
                        std::function<void()> clicked);
QPushButton* FindButton(const QWidget* dialog, const char* name);
// The list with its arrow buttons and "Delete..." beside it.
QBoxLayout* ListWithArrows(QTreeWidget* list, QPushButton* up, QPushButton* down,
                           QPushButton* remove);

}  // namespace hfp
