#pragma once

#include <QDialog>
#include <QPixmap>

class QButtonGroup;
class QComboBox;

namespace hfp {

// A sample of a dash style (0 solid .. 4 dash dot dot) drawn in black across `size`.
QPixmap LineStyleSample(int style, int width, QSize size);

// "Line style": the pen width and one of the five dash styles of a line.
class CDialogLineStyle : public QDialog {
  public:
    explicit CDialogLineStyle(QWidget* parent);
    void Set(int style, int size);
    int style() const;
    int size() const;

  private:
    QComboBox* m_size = nullptr;
    QButtonGroup* m_styles = nullptr;
};

}  // namespace hfp
