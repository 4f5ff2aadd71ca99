#pragma once

#include <QDialog>
#include <string>

#include "settings/CairnPassword.h"

class QLineEdit;

namespace hfp {

// "Login": the spot service's user id and password (hidden as typed), a line that says where
// the password is kept (`place`), OK and Cancel.
class CDialogCairnAccount : public QDialog {
  public:
    static constexpr const char* kKeyringNote = "The password is kept in the desktop keyring.";
    static constexpr const char* kSettingsFileNote =
        "No keyring answered: the password is kept in set.dat, readable by you only.";

    CDialogCairnAccount(const std::string& userId, const std::string& password, PasswordPlace place,
                        QWidget* parent = nullptr);

    std::string userId() const;
    std::string password() const;

  private:
    QLineEdit* m_userId;
    QLineEdit* m_password;
};

}  // namespace hfp
