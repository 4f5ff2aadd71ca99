#include "write/ui/ListDialogParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace hfp {

QTreeWidget* MakeRowList(QWidget* parent, const QStringList& headers,
                         std::initializer_list<int> widths) {
    auto* list = new QTreeWidget(parent);
    list->setColumnCount(static_cast<int>(headers.size()));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    int column = 0;
    for (int width : widths)
        list->header()->resizeSection(column++, width);
    return list;
}

QPushButton* MakeButton(QWidget* parent, const char* text, const char* name,
                        std::function<void()> clicked) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, parent, std::move(clicked));
    return button;
}

QPushButton* FindButton(const QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(name);
}

QBoxLayout* ListWithArrows(QTreeWidget* list, QPushButton* up, QPushButton* down,
                           QPushButton* remove) {
    auto* arrows = new QVBoxLayout;
    arrows->addWidget(up);
    arrows->addWidget(down);
    arrows->addStretch();
    arrows->addWidget(remove);
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(arrows);
    return row;
}

}  // namespace hfp
