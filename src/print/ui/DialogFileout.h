#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "print/FileoutModel.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace hfp {

class CSetData;
class Messages;

// "File out": which range to write, the image size and the file name, bound to FileoutModel.
// exec() ends Accepted with choice() once OK found both sizes and a name an image encoder
// takes; until then the dialog stays open and has said what is missing.
//
// Tests find the controls by their object names: "range0" to "range2", "width", "height",
// "keepAspect", "fileName", "ref".
class CDialogFileout : public QDialog {
  public:
    CDialogFileout(const std::array<FileoutModel::Area, FileoutModel::kRangeCount>& areas,
                   int mapLevel, int viewLevel, const CSetData& settings, Messages* messages,
                   QWidget* parent);

    const FileoutModel::Choice& choice() const { return *m_choice; }
    void accept() override;

  private:
    void ShowNaturalSize(FileoutModel::Range range);
    // A size field was left: with the aspect kept, the other one follows.
    void KeepAspect(bool fromWidth);
    // "Ref...": the save dialog, opened at the filter chosen last.
    void ChooseFile();

    FileoutModel m_model;
    std::optional<FileoutModel::Choice> m_choice;
    std::array<QRadioButton*, FileoutModel::kRangeCount> m_ranges{};
    QLineEdit* m_width;
    QLineEdit* m_height;
    QCheckBox* m_keepAspect;
    QLineEdit* m_fileName;
};

}  // namespace hfp
