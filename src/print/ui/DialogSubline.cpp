#include "print/ui/DialogSubline.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "print/ui/DialogFields.h"

namespace hfp {

namespace {

// "Full" is four characters: the length list takes it whole.
constexpr int kLengthFieldLength = 4;

}  // namespace

CDialogSubline::CDialogSubline(std::array<SublineSetting, kSublineCount>* sublines, QWidget* parent)
    : QDialog(parent), m_sublines(sublines) {
    setWindowTitle("Scale line/Additional line");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int column = 1;
    for (const char* title :
         {"Visible", "Division", "Length", "Style", "Color", "Transparency ratio"})
        grid->addWidget(new QLabel(title, this), 0, column++);
    for (int i = 0; i < kSublineCount; ++i) {
        Row& row = m_rows[static_cast<std::size_t>(i)];
        const SublineSetting& s = (*sublines)[static_cast<std::size_t>(i)];
        row.visible = new QCheckBox(this);
        row.division = EditableList(kDivisionItems, field_length::kSublineList, FieldRule::Division,
                                    false, this);
        row.length =
            EditableList(kSublineLengthItems, kLengthFieldLength, FieldRule::None, false, this);
        row.style = new StyleButton(this);
        row.color = new ColorButton(this);
        row.transparency = EditableList(kTransparencyItems, field_length::kSublineList,
                                        FieldRule::Transparency, false, this);
        row.visible->setChecked(s.enabled);
        SetNumber(row.division, s.division);
        row.length->setEditText(Text(SublineLengthText(s.length)));
        row.style->Set(s.style, s.size);
        row.color->SetColor(s.color);
        SetNumber(row.transparency, s.alphablend);
        grid->addWidget(new QLabel(QString::number(i), this), i + 1, 0);
        QWidget* controls[] = {row.division, row.length, row.style, row.color, row.transparency};
        grid->addWidget(row.visible, i + 1, 1);
        for (int c = 0; c < 5; ++c)
            grid->addWidget(controls[c], i + 1, c + 2);
        auto enable = [controls](bool on) {
            for (QWidget* w : controls)
                w->setEnabled(on);
        };
        enable(s.enabled);
        connect(row.visible, &QCheckBox::toggled, this, enable);
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CDialogSubline::accept() {
    for (int i = 0; i < kSublineCount; ++i) {
        const Row& row = m_rows[static_cast<std::size_t>(i)];
        SublineSetting& s = (*m_sublines)[static_cast<std::size_t>(i)];
        s.enabled = row.visible->isChecked();
        // The fields are corrected as they are left; OK corrects the one still being typed.
        s.division =
            ReadNumber(CorrectOnLeave(FieldRule::Division, Text(row.division->currentText())));
        s.length = ReadSublineLength(Text(row.length->currentText()));
        s.style = row.style->style();
        s.size = row.style->size();
        s.color = row.color->color();
        s.alphablend = ReadNumber(
            CorrectOnLeave(FieldRule::Transparency, Text(row.transparency->currentText())));
    }
    QDialog::accept();
}

}  // namespace hfp
