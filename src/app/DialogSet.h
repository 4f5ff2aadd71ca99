#pragma once

#include <QDialog>
#include <vector>

class QCheckBox;
class QLineEdit;

namespace hfp {

class CSetData;
class Messages;

// "設定": the options of the settings store that no other dialog edits — the mouse wheel,
// what the map shows, the start-up spot download, the memory tile cache, high-speed download
// and the start-up version check — in three groups, with OK and Cancel. The rules of OK are
// SettingOptions' (settings/SettingOptions.h): a value it refuses shows its message and keeps
// the dialog open with nothing stored. Cancel stores nothing.
class CDialogSet : public QDialog {
  public:
    CDialogSet(CSetData* settings, bool mayChangeStartupDownload, Messages* messages,
               QWidget* parent = nullptr);

    void accept() override;

  private:
    CSetData* m_settings;
    bool m_mayChangeStartupDownload;
    Messages* m_messages;
    std::vector<QCheckBox*> m_checks;  // in SettingChecks() order
    QLineEdit* m_memoryMapMax;
};

}  // namespace hfp
