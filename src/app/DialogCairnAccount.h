#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace hfp {

// "Login": the spot service's user id and password (hidden as typed), OK and Cancel.
class CDialogCairnAccount : public QDialog {
  public:
    CDialogCairnAccount(const std::string& userId, const std::string& password,
                        QWidget* parent = nullptr);

    std::string userId() const;
    std::string password() const;

  private:
    QLineEdit* m_userId;
    QLineEdit* m_password;
};

}  // namespace hfp
