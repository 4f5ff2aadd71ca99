#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "print/PrintSetModel.h"

namespace hfp {

// The field kinds the output dialogs share, bound to the rules of print/PrintSetModel.h.

// An editable list limited to maxLength characters, corrected by `rule` when the user leaves
// it; with digitsOnly every character that is not a digit is dropped while the user types.
QComboBox* EditableList(const std::vector<std::string>& items, int maxLength, FieldRule rule,
                        bool digitsOnly, QWidget* parent);
// A text field limited to maxLength characters, corrected by `rule` when the user leaves it.
QLineEdit* NumberField(int maxLength, FieldRule rule, QWidget* parent);

QString Text(const std::string& text);
std::string Text(const QString& text);
int32_t Number(const QComboBox* list);
int32_t Number(const QLineEdit* field);
void SetNumber(QComboBox* list, int32_t value);
void SetNumber(QLineEdit* field, int32_t value);

// A button that shows its colour as a filled image and opens the colour chooser.
class ColorButton : public QPushButton {
  public:
    explicit ColorButton(QWidget* parent);
    COLORREF color() const { return m_color; }
    void SetColor(COLORREF color);

  private:
    COLORREF m_color = 0;
};

// A button that shows a line's dash style and size and opens the line style dialog.
class StyleButton : public QPushButton {
  public:
    explicit StyleButton(QWidget* parent);
    int32_t style() const { return m_style; }
    int32_t size() const { return m_size; }
    void Set(int32_t style, int32_t size);

  private:
    int32_t m_style = 0;
    int32_t m_size = 1;
};

}  // namespace hfp
