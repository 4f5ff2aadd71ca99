#include "print/ui/DialogPrintHistory.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace hfp {

namespace {

constexpr int kColumnWidths[] = {38, 170, 102, 102};
constexpr int kNameLength = 100;

}  // namespace

CDialogPrintHistory::CDialogPrintHistory(PrintHistory* history, Messages* messages, QWidget* parent)
    : QDialog(parent), m_history(history), m_messages(messages) {
    setWindowTitle("Print history");
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({"Keep", "Name", "Longitude", "Latitude"});
    for (int c = 0; c < 4; ++c)
        m_list->setColumnWidth(c, kColumnWidths[c]);
    for (int i = 0; i < PrintHistoryUsed(*history); ++i) {
        const PrintHistoryEntry& e = (*history)[static_cast<std::size_t>(i)];
        auto* row = new QTreeWidgetItem(
            m_list, {QString(), QString::fromStdString(e.name),
                     QString::fromStdString(FormatHistoryCoordinate(e.longitude)),
                     QString::fromStdString(FormatHistoryCoordinate(e.latitude))});
        row->setCheckState(0, e.keep ? Qt::Checked : Qt::Unchecked);
    }
    m_list->setMinimumWidth(440);

    m_name = new QLineEdit(this);
    m_name->setMaxLength(kNameLength);
    m_rename = new QPushButton("Name change(&N)", this);
    m_move = new QPushButton("Move to print position(&M)", this);
    auto* cancel = new QPushButton("Cancel", this);
    m_rename->setEnabled(false);
    m_move->setEnabled(false);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_rename);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_move);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(nameRow);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnMove(); });
    connect(m_rename, &QPushButton::clicked, this, [this] { OnNameChange(); });
    connect(m_move, &QPushButton::clicked, this, [this] { OnMove(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDialogPrintHistory::OnSelectionChanged() {
    const int row = m_list->currentIndex().row();
    const bool selected = !m_list->selectedItems().isEmpty() && row >= 0;
    m_rename->setEnabled(selected);
    m_move->setEnabled(selected);
    if (selected)
        m_name->setText(QString::fromStdString((*m_history)[static_cast<std::size_t>(row)].name));
}

void CDialogPrintHistory::OnNameChange() {
    const int row = m_list->currentIndex().row();
    if (row < 0) return;
    if (!RenamePrintHistory(*m_history, row, m_name->text().toStdString(), m_messages)) return;
    m_list->topLevelItem(row)->setText(
        1, QString::fromStdString((*m_history)[static_cast<std::size_t>(row)].name));
}

void CDialogPrintHistory::OnMove() {
    const int row = m_list->currentIndex().row();
    if (row < 0) return;
    StoreKeepFlags();
    const PrintHistoryEntry& e = (*m_history)[static_cast<std::size_t>(row)];
    m_position = {e.latitude, e.longitude};
    accept();
}

void CDialogPrintHistory::reject() {
    StoreKeepFlags();
    QDialog::reject();
}

void CDialogPrintHistory::StoreKeepFlags() {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        (*m_history)[static_cast<std::size_t>(i)].keep =
            m_list->topLevelItem(i)->checkState(0) == Qt::Checked;
}

}  // namespace hfp
