#pragma once

#include <QDialog>
#include <filesystem>

#include "write/WriteSetModel.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace hfp {

class CWrite;
class Messages;

// "Write set": the list of write sets with their visibility, and adding, renaming, ordering,
// deleting, exporting and importing sets, as exchange files or as GPX. The rules are
// WriteSetModel's; export and import run in the progress dialog. exec() ends Accepted with
// chosenSet() the set to move to (or -1). The caller refills its set box and saves afterwards,
// whichever way the dialog ended.
class CDialogWriteSet : public QDialog {
  public:
    CDialogWriteSet(CWrite* write, Messages* messages, std::filesystem::path dataFolder,
                    QWidget* parent);

    int chosenSet() const { return m_chosen; }
    void accept() override;
    void reject() override;

    // For tests: export (as an exchange file or GPX) and import without the file dialogs.
    void ExportTo(const std::filesystem::path& file, bool gpx = false);
    void ImportFrom(const std::filesystem::path& file);
    void ImportGpxFrom(const std::filesystem::path& file);
    QTreeWidget* list() const { return m_list; }
    QPushButton* button(const char* objectName) const;

  private:
    void Rebuild();
    void OnSelectionChanged();
    void UpdateButtons();
    void Finish(bool ok);
    void OnExport(bool gpx);
    void OnImport();
    void OnImportGpx();

    CWrite& m_write;
    Messages& m_messages;
    std::filesystem::path m_dataFolder;
    WriteSetModel m_model;
    int m_chosen = -1;
    QTreeWidget* m_list;
    QLineEdit* m_name;
};

}  // namespace hfp
