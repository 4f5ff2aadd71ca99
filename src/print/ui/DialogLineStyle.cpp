#include "print/ui/DialogLineStyle.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "print/PrintSetModel.h"
#include "print/ui/DialogFields.h"

namespace hfp {

namespace {

constexpr const char* kStyleNames[] = {"Line(&1)", "Dash(&2)", "Dot(&3)", "Dash dot(&4)",
                                       "Dash dot dot(&5)"};
constexpr Qt::PenStyle kPenStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                       Qt::DashDotDotLine};
constexpr int kSizeLength = 2;

}  // namespace

QPixmap LineStyleSample(int style, int width, QSize size) {
    QPixmap sample(size);
    sample.fill(Qt::transparent);
    QPainter painter(&sample);
    painter.setPen(QPen(Qt::black, width, kPenStyles[std::clamp(style, 0, 4)], Qt::FlatCap));
    painter.drawLine(0, size.height() / 2, size.width(), size.height() / 2);
    return sample;
}

CDialogLineStyle::CDialogLineStyle(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Line style");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    // Only digits stay in the size box as the user types ("1a2" leaves "12").
    m_size = EditableList({"1", "2", "3", "4", "5", "10", "15", "20"}, kSizeLength, FieldRule::None,
                          true, this);
    form->addRow("Size(&S)", m_size);
    layout->addLayout(form);
    auto* group = new QGroupBox("Style", this);
    auto* styles = new QVBoxLayout(group);
    m_styles = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto* button = new QRadioButton(kStyleNames[i], group);
        button->setIcon(QIcon(LineStyleSample(i, 1, QSize(100, 8))));
        button->setIconSize(QSize(100, 8));
        button->setLayoutDirection(Qt::RightToLeft);
        m_styles->addButton(button, i);
        styles->addWidget(button);
    }
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CDialogLineStyle::Set(int style, int size) {
    m_styles->button(std::clamp(style, 0, 4))->setChecked(true);
    m_size->setEditText(QString::number(size));
}

int CDialogLineStyle::style() const {
    return std::max(0, m_styles->checkedId());
}

int CDialogLineStyle::size() const {
    return ReadNumber(m_size->currentText().toStdString());
}

}  // namespace hfp
