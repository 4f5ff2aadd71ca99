#include "app/MessageBoxes.h"

#include <QMessageBox>

namespace hfp {

namespace {

constexpr const char* kCaption = "HollowfernPlotter";

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void MessageBoxes::Show(const std::string& text, MessageIcon icon) {
    QMessageBox box(BoxIcon(icon), kCaption, QString::fromStdString(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

bool MessageBoxes::Ask(const std::string& text, MessageIcon icon, bool defaultYes) {
    QMessageBox box(BoxIcon(icon), kCaption, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace hfp
