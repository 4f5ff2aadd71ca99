#pragma once

#include <QDialog>

#include "geo/GeoPoint.h"
#include "print/PrintHistory.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace hfp {

class Messages;

// "Print history": the places printed before, newest first. A rename changes the entry at
// once; leaving the dialog either way writes the Keep check boxes into the entries; "Move to
// print position" (or a double click) ends it with OK and the selected entry's position.
class CDialogPrintHistory : public QDialog {
  public:
    CDialogPrintHistory(PrintHistory* history, Messages* messages, QWidget* parent);
    void reject() override;

    // The position chosen, after OK.
    GeoPoint position() const { return m_position; }
    QTreeWidget* list() const { return m_list; }

  private:
    void OnSelectionChanged();
    void OnNameChange();
    void OnMove();
    void StoreKeepFlags();

    PrintHistory* m_history;
    Messages* m_messages;
    QTreeWidget* m_list;
    QLineEdit* m_name;
    QPushButton* m_rename;
    QPushButton* m_move;
    GeoPoint m_position;
};

}  // namespace hfp
