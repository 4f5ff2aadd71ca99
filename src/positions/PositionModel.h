#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "geo/GeoPoint.h"
#include "positions/PositionList.h"

namespace hfp {

class Messages;

// What the "Position register " dialog does, without a window: the group choice and the list
// of its places, the selection and what it enables, adding or updating, ordering and deleting
// places and groups, saving poslist.csv and the questions before unsaved changes are dropped.
// The list is the model's own from Start() on; it reaches the file only through Save().
// Every message goes through `messages`.
class PositionModel {
  public:
    // The edit box: a name and the longitude and latitude fields, each degrees, minutes,
    // seconds and hundredths of a second.
    struct Place {
        std::string name;
        std::array<std::string, 4> longitude;
        std::array<std::string, 4> latitude;
    };
    struct Row {
        std::string name, longitude, latitude;
    };
    struct Enabled {
        bool up = false, down = false, deleteItem = false, deleteGroup = false, move = false,
             save = false;
    };

    PositionModel(std::filesystem::path file, GeoPoint center, Messages& messages);

    // Loads the list, says once what could not be read, and lists the first group.
    void Start();

    const std::vector<std::string>& groups() const { return m_groups; }
    const std::string& groupText() const { return m_groupText; }
    // The group box's text changed, by a choice or by typing: lists that group.
    void SetGroupText(const std::string& text);
    const std::vector<Row>& rows() const { return m_rows; }
    int selected() const { return m_selected; }
    // Selects a row (-1: none); the edit box's new contents for a row.
    Place Select(int row);
    // "Input here": the edit box's fields at the centre the dialog was given.
    Place CenterPlace() const;
    Enabled State() const;
    // The length the group and name fields take: 255, or a longer text of the file.
    int textLimit() const { return m_textLimit; }

    // "Add/Update" with the group box's text and the edit box; false when refused (said).
    bool AddOrUpdate(const Place& typed);
    void Move(bool up);
    bool DeleteItem();
    bool DeleteGroup();
    bool Save();
    // "Move to selected item" or a double click: true when the dialog ends, the centre then
    // being the selected place.
    bool MoveToSelected();
    // "Cancel": true when the dialog may close.
    bool MayClose();

    GeoPoint center() const { return m_center; }

  private:
    void Refill();
    bool Unsaved(const char* question) const;

    std::filesystem::path m_file;
    GeoPoint m_center;
    Messages& m_messages;
    CPositionList m_list;
    std::vector<std::string> m_groups;
    std::string m_groupText;
    std::vector<int> m_listed;  // the list's rows as entries of m_list
    std::vector<Row> m_rows;
    int m_selected = -1;
    bool m_groupListed = false;
    bool m_unsaved = false;
    int m_textLimit = CPositionList::kTextLimit;
};

}  // namespace hfp
