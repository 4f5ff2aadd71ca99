#include "positions/ui/DialogPosition.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "positions/ui/DialogMoveLongitudeLatitude.h"
#include "print/ui/DialogFields.h"
#include "write/ui/ListDialogParts.h"

namespace hfp {

namespace {

constexpr int kNameColumnWidth = 176;
constexpr int kCoordinateColumnWidth = 102;

}  // namespace

CDialogPosition::CDialogPosition(std::filesystem::path file, GeoPoint center, Messages* messages,
                                 QWidget* parent)
    : QDialog(parent), m_model(std::move(file), center, *messages) {
    setWindowTitle("Position register ");
    m_group = new QComboBox(this);
    m_group->setEditable(true);
    m_group->setInsertPolicy(QComboBox::NoInsert);
    m_list = MakeRowList(this, {"Name", "Longitude", "Latitude"},
                         {kNameColumnWidth, kCoordinateColumnWidth, kCoordinateColumnWidth});
    m_name = new QLineEdit(this);

    auto* deleteGroup = MakeButton(this, "Delete...", "deleteGroup", [this] {
        if (m_model.DeleteGroup()) ShowGroups();
    });
    auto* up = MakeButton(this, "\u2191", "up", [this] {
        m_model.Move(true);
        ShowRows();
    });
    auto* down = MakeButton(this, "\u2193", "down", [this] {
        m_model.Move(false);
        ShowRows();
    });
    auto* deleteItem = MakeButton(this, "Delete...", "deleteItem", [this] {
        if (m_model.DeleteItem()) ShowRows();
    });
    auto* inputHere = MakeButton(this, "Input\nhere(&D)", "inputHere",
                                 [this] { ShowPlace(m_model.CenterPlace(), false); });
    auto* addUpdate = MakeButton(this, "Add/\nUpdate(&U)", "addUpdate", [this] {
        if (m_model.AddOrUpdate(TypedPlace())) ShowGroups();
    });
    auto* save = MakeButton(this, "Save(&S)", "save", [this] {
        m_model.Save();
        UpdateButtons();
    });
    auto* move = MakeButton(this, "Move to selected item(&M)", "move", [this] { accept(); });
    move->setDefault(true);
    auto* cancel = MakeButton(this, "Cancel", "cancel", [this] { reject(); });

    auto* top = new QHBoxLayout;
    top->addWidget(m_group, 1);
    top->addWidget(deleteGroup);

    auto* edit = new QGroupBox("Edit", this);
    auto* fields = new QGridLayout;
    auto* nameLabel = new QLabel("Name", edit);
    nameLabel->setBuddy(m_name);
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(m_name, 0, 1, 1, 8);
    const auto lon = AddCoordinateRow(fields, 1, "Longitude E(T)", 3, 4, edit);
    const auto lat = AddCoordinateRow(fields, 2, "Latitude   N(&H)", 3, 4, edit);
    std::copy(lon.begin(), lon.end(), m_longitude.begin());
    std::copy(lat.begin(), lat.end(), m_latitude.begin());
    auto* editLayout = new QHBoxLayout(edit);
    editLayout->addLayout(fields, 1);
    editLayout->addWidget(inputHere);
    editLayout->addWidget(addUpdate);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(save);
    bottom->addStretch();
    bottom->addWidget(move);
    bottom->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(ListWithArrows(m_list, up, down, deleteItem));
    layout->addWidget(edit);
    layout->addLayout(bottom);
    resize(520, 460);

    connect(m_group, &QComboBox::editTextChanged, this, [this](const QString& text) {
        m_model.SetGroupText(Text(text));
        ShowRows();
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
        const int row = chosen.isEmpty() ? -1 : m_list->indexOfTopLevelItem(chosen.front());
        const PositionModel::Place place = m_model.Select(row);
        if (row >= 0) ShowPlace(place, true);
        UpdateButtons();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        m_model.Select(m_list->indexOfTopLevelItem(item));
        accept();
    });

    m_model.Start();
    m_group->lineEdit()->setMaxLength(m_model.textLimit());
    m_name->setMaxLength(m_model.textLimit());
    ShowPlace(m_model.CenterPlace(), false);
    ShowGroups();
}

QLineEdit* CDialogPosition::field(bool longitude, int index) const {
    return (longitude ? m_longitude : m_latitude)[static_cast<std::size_t>(index)];
}

QPushButton* CDialogPosition::button(const char* objectName) const {
    return FindButton(this, objectName);
}

void CDialogPosition::ShowPlace(const PositionModel::Place& place, bool withName) {
    if (withName) m_name->setText(Text(place.name));
    for (std::size_t i = 0; i < m_longitude.size(); ++i) {
        m_longitude[i]->setText(Text(place.longitude[i]));
        m_latitude[i]->setText(Text(place.latitude[i]));
    }
}

PositionModel::Place CDialogPosition::TypedPlace() const {
    PositionModel::Place place{Text(m_name->text()), {}, {}};
    for (std::size_t i = 0; i < m_longitude.size(); ++i) {
        place.longitude[i] = Text(m_longitude[i]->text());
        place.latitude[i] = Text(m_latitude[i]->text());
    }
    return place;
}

void CDialogPosition::ShowGroups() {
    {
        const QSignalBlocker block(m_group);
        m_group->clear();
        for (const std::string& group : m_model.groups())
            m_group->addItem(Text(group));
        m_group->setEditText(Text(m_model.groupText()));
    }
    ShowRows();
}

void CDialogPosition::ShowRows() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const PositionModel::Row& row : m_model.rows())
        new QTreeWidgetItem(m_list, {Text(row.name), Text(row.longitude), Text(row.latitude)});
    if (m_model.selected() >= 0) {
        QTreeWidgetItem* item = m_list->topLevelItem(m_model.selected());
        m_list->setCurrentItem(item);
        m_list->scrollToItem(item);
        m_list->setFocus();
    }
    UpdateButtons();
}

void CDialogPosition::UpdateButtons() {
    const PositionModel::Enabled e = m_model.State();
    button("up")->setEnabled(e.up);
    button("down")->setEnabled(e.down);
    button("deleteItem")->setEnabled(e.deleteItem);
    button("deleteGroup")->setEnabled(e.deleteGroup);
    button("move")->setEnabled(e.move);
    button("save")->setEnabled(e.save);
}

void CDialogPosition::accept() {
    if (m_model.MoveToSelected()) QDialog::accept();
}

void CDialogPosition::reject() {
    if (m_model.MayClose()) QDialog::reject();
}

}  // namespace hfp
