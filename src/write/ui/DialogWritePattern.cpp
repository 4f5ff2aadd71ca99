#include "write/ui/DialogWritePattern.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "write/ui/ListDialogParts.h"

namespace hfp {

namespace {

constexpr int kNameColumnWidth = 200;
constexpr int kParameterColumnWidth = 1500;
constexpr int kNameBoxLimit = 255;

}  // namespace

CDialogWritePattern::CDialogWritePattern(CWritePattern* patterns,
                                         const CWriteObject* templateObject, Messages* messages,
                                         TypeIcon icon, QWidget* parent)
    : QDialog(parent), m_model(*patterns, templateObject, *messages), m_icon(std::move(icon)) {
    setWindowTitle("Write pattern");
    m_list = MakeRowList(this, {"Name", "Parameter"}, {kNameColumnWidth, kParameterColumnWidth});
    m_list->setIconSize(QSize(16, 16));
    m_name = new QLineEdit(this);
    m_name->setMaxLength(kNameBoxLimit);

    auto edit = [this](auto change) {
        return [this, change] {
            if (change()) Rebuild();
        };
    };
    auto* up = MakeButton(this, "\u2191", "up", edit([this] {
                              m_model.Move(true);
                              return true;
                          }));
    auto* down = MakeButton(this, "\u2193", "down", edit([this] {
                                m_model.Move(false);
                                return true;
                            }));
    auto* remove =
        MakeButton(this, "Delete...", "delete", edit([this] { return m_model.Delete(); }));
    auto* rename =
        MakeButton(this, "Change name(&N)", "rename",
                   edit([this] { return m_model.Rename(m_name->text().toStdString()); }));
    auto* add = MakeButton(this, "Add selected object(&A)...", "add",
                           edit([this] { return m_model.Add(m_name->text().toStdString()); }));
    auto* select = MakeButton(this, "Select", "select", [this] { accept(); });
    auto* cancel = MakeButton(this, "Cancel", "cancel", [this] { reject(); });
    select->setDefault(true);

    auto* group = new QGroupBox("Edit", this);
    auto* editLayout = new QHBoxLayout(group);
    editLayout->addWidget(m_name, 1);
    editLayout->addWidget(rename);
    editLayout->addWidget(add);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(select);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ListWithArrows(m_list, up, down, remove));
    layout->addWidget(group);
    layout->addLayout(bottom);
    resize(620, 360);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            &CDialogWritePattern::OnSelectionChanged);
    Rebuild();
}

QPushButton* CDialogWritePattern::button(const char* objectName) const {
    return FindButton(this, objectName);
}

void CDialogWritePattern::Rebuild() {
    {
        const QSignalBlocker block(m_list);
        m_list->clear();
        for (const WritePatternModel::Row& row : m_model.Rows()) {
            auto* item = new QTreeWidgetItem(
                m_list, {QString::fromStdString(row.name), QString::fromStdString(row.parameter)});
            if (m_icon) item->setIcon(0, m_icon(row.type));
        }
        if (m_model.selected() >= 0)
            m_list->setCurrentItem(m_list->topLevelItem(m_model.selected()));
    }
    OnSelectionChanged();
}

void CDialogWritePattern::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
    const int row = chosen.isEmpty() ? -1 : m_list->indexOfTopLevelItem(chosen.front());
    const std::string name = m_model.Select(row);
    if (row >= 0) m_name->setText(QString::fromStdString(name));
    UpdateButtons();
}

void CDialogWritePattern::UpdateButtons() {
    const WritePatternModel::Enabled e = m_model.State();
    button("up")->setEnabled(e.up);
    button("down")->setEnabled(e.down);
    button("delete")->setEnabled(e.remove);
    button("rename")->setEnabled(e.rename);
    button("select")->setEnabled(e.select);
    button("add")->setEnabled(e.add);
}

}  // namespace hfp
