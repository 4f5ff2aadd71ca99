#pragma once

#include <QDialog>
#include <QIcon>
#include <functional>

#include "write/WritePatternModel.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace hfp {

class Messages;

// "Write pattern": the patterns with their type icon and parameters, and adding the one
// selected object as a pattern, renaming, ordering and deleting. The rules are
// WritePatternModel's; changes stay whichever way the dialog ends. exec() ends Accepted with
// chosenPattern() the pattern to draw with.
class CDialogWritePattern : public QDialog {
  public:
    using TypeIcon = std::function<QIcon(int32_t type)>;

    CDialogWritePattern(CWritePattern* patterns, const CWriteObject* templateObject,
                        Messages* messages, TypeIcon icon, QWidget* parent);

    int chosenPattern() const { return m_model.selected(); }

    // For tests and screenshots.
    QTreeWidget* list() const { return m_list; }
    QLineEdit* nameBox() const { return m_name; }
    QPushButton* button(const char* objectName) const;

  private:
    void Rebuild();
    void OnSelectionChanged();
    void UpdateButtons();

    WritePatternModel m_model;
    TypeIcon m_icon;
    QTreeWidget* m_list;
    QLineEdit* m_name;
};

}  // namespace hfp
