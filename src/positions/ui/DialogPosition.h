#pragma once

#include <QDialog>
#include <array>
#include <filesystem>

#include "positions/PositionModel.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace hfp {

class Messages;

// "Position register ": the places of poslist.csv by group, edited and saved there, and the
// move to one of them. The rules are PositionModel's; the dialog binds its controls to them.
// exec() ends Accepted with center() the chosen place.
class CDialogPosition : public QDialog {
  public:
    CDialogPosition(std::filesystem::path file, GeoPoint center, Messages* messages,
                    QWidget* parent);

    GeoPoint center() const { return m_model.center(); }
    void accept() override;
    void reject() override;

    // For tests.
    QComboBox* groupBox() const { return m_group; }
    QTreeWidget* list() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    // Degrees, minutes, seconds or hundredths (index 0-3) of the longitude or the latitude.
    QLineEdit* field(bool longitude, int index) const;
    QPushButton* button(const char* objectName) const;

  private:
    void ShowPlace(const PositionModel::Place& place, bool withName);
    PositionModel::Place TypedPlace() const;
    void ShowGroups();
    void ShowRows();
    void UpdateButtons();

    PositionModel m_model;
    QComboBox* m_group;
    QTreeWidget* m_list;
    QLineEdit* m_name;
    std::array<QLineEdit*, 4> m_longitude{};
    std::array<QLineEdit*, 4> m_latitude{};
};

}  // namespace hfp
