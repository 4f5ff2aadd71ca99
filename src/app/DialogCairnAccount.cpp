#include "app/DialogCairnAccount.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hfp {

CDialogCairnAccount::CDialogCairnAccount(const std::string& userId, const std::string& password,
                                         PasswordPlace place, QWidget* parent)
    : QDialog(parent),
      m_userId(new QLineEdit(QString::fromStdString(userId))),
      m_password(new QLineEdit(QString::fromStdString(password))) {
    setWindowTitle("Login");
    m_userId->setObjectName("userId");
    m_password->setObjectName("password");
    m_password->setEchoMode(QLineEdit::Password);
    auto* fields = new QFormLayout;
    fields->addRow("User ID", m_userId);
    fields->addRow("Password", m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(" Enter user ID and password."));
    layout->addLayout(fields);
    auto* note = new QLabel(place == PasswordPlace::Keyring ? kKeyringNote : kSettingsFileNote);
    note->setObjectName("passwordPlace");
    layout->addWidget(note);
    layout->addWidget(buttons);
}

std::string CDialogCairnAccount::userId() const {
    return m_userId->text().toStdString();
}

std::string CDialogCairnAccount::password() const {
    return m_password->text().toStdString();
}

}  // namespace hfp
