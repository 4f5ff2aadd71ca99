#pragma once

#include <QDialog>
#include <array>

#include "print/OutputSetting.h"

class QCheckBox;
class QComboBox;

namespace hfp {

class ColorButton;
class StyleButton;

// "Scale line/Additional line": the five sublines of one grid-line family. OK copies the
// rows back into the sublines it was given; Cancel leaves them alone.
class CDialogSubline : public QDialog {
  public:
    CDialogSubline(std::array<SublineSetting, kSublineCount>* sublines, QWidget* parent);
    void accept() override;

  private:
    struct Row {
        QCheckBox* visible;
        QComboBox* division;
        QComboBox* length;
        StyleButton* style;
        ColorButton* color;
        QComboBox* transparency;
    };
    std::array<SublineSetting, kSublineCount>* m_sublines;
    std::array<Row, kSublineCount> m_rows{};
};

}  // namespace hfp
