#include "print/ui/DialogFields.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include "print/ui/DialogLineStyle.h"

namespace hfp {

namespace {

constexpr QSize kSampleSize(36, 14);

void FilterDigits(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& typed) {
        const QString digits = Text(DigitsOnly(Text(typed)));
        if (digits == typed) return;
        const int cursor = edit->cursorPosition() - static_cast<int>(typed.size() - digits.size());
        edit->setText(digits);
        edit->setCursorPosition(std::max(0, cursor));
    });
}

void CorrectOnLeaving(QLineEdit* edit, FieldRule rule) {
    if (rule == FieldRule::None) return;
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, rule] {
        const QString corrected = Text(CorrectOnLeave(rule, Text(edit->text())));
        if (corrected != edit->text()) edit->setText(corrected);
    });
}

}  // namespace

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Text(const QString& text) {
    return text.toStdString();
}

QComboBox* EditableList(const std::vector<std::string>& items, int maxLength, FieldRule rule,
                        bool digitsOnly, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& item : items)
        list->addItem(Text(item));
    list->lineEdit()->setMaxLength(maxLength);
    if (digitsOnly) FilterDigits(list->lineEdit());
    CorrectOnLeaving(list->lineEdit(), rule);
    return list;
}

QLineEdit* NumberField(int maxLength, FieldRule rule, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setMaxLength(maxLength);
    CorrectOnLeaving(field, rule);
    return field;
}

int32_t Number(const QComboBox* list) {
    return ReadNumber(Text(list->currentText()));
}

int32_t Number(const QLineEdit* field) {
    return ReadNumber(Text(field->text()));
}

void SetNumber(QComboBox* list, int32_t value) {
    list->setEditText(QString::number(value));
}

void SetNumber(QLineEdit* field, int32_t value) {
    field->setText(QString::number(value));
}

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {
    setIconSize(kSampleSize);
    connect(this, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(
            QColor(RedOf(m_color), GreenOf(m_color), BlueOf(m_color)), window());
        if (chosen.isValid()) SetColor(MakeColorref(chosen.red(), chosen.green(), chosen.blue()));
    });
    SetColor(0);
}

void ColorButton::SetColor(COLORREF color) {
    m_color = color;
    QPixmap sample(kSampleSize);
    sample.fill(QColor(RedOf(color), GreenOf(color), BlueOf(color)));
    setIcon(QIcon(sample));
}

StyleButton::StyleButton(QWidget* parent) : QPushButton(parent) {
    setIconSize(QSize(48, 14));
    connect(this, &QPushButton::clicked, this, [this] {
        CDialogLineStyle dialog(window());
        dialog.Set(m_style, m_size);
        if (dialog.exec() == QDialog::Accepted) Set(dialog.style(), dialog.size());
    });
    Set(0, 1);
}

void StyleButton::Set(int32_t style, int32_t size) {
    m_style = style;
    m_size = size;
    setIcon(QIcon(LineStyleSample(style, std::clamp(size, 1, 6), QSize(48, 14))));
    setText(QString::number(size));
}

}  // namespace hfp
