#include "print/ui/DialogFileout.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "print/ui/DialogFields.h"

namespace hfp {

namespace {

const char* const kRangeTexts[] = {"File output bounds(&F)", "Print bounds(&P)", "Screen(&D)"};

}  // namespace

CDialogFileout::CDialogFileout(
    const std::array<FileoutModel::Area, FileoutModel::kRangeCount>& areas, int mapLevel,
    int viewLevel, const CSetData& settings, Messages* messages, QWidget* parent)
    : QDialog(parent), m_model(areas, mapLevel, viewLevel, settings, *messages) {
    setWindowTitle("File out");

    auto* rangeBox = new QGroupBox("Range", this);
    auto* rangeLayout = new QVBoxLayout(rangeBox);
    for (int i = 0; i < FileoutModel::kRangeCount; ++i) {
        const auto range = static_cast<FileoutModel::Range>(i);
        QRadioButton* button = m_ranges[range] = new QRadioButton(kRangeTexts[i], rangeBox);
        button->setObjectName(QString("range%1").arg(i));
        rangeLayout->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this, range] {
            m_model.ChooseRange(range);
            ShowNaturalSize(range);
        });
    }
    m_ranges[FileoutModel::kScreen]->setEnabled(m_model.screenOffered());
    m_ranges[m_model.range()]->setChecked(true);

    auto* sizeBox = new QGroupBox("Size(&S)", this);
    auto* sizeLayout = new QGridLayout(sizeBox);
    m_width = NumberField(FileoutModel::kSizeLength, FieldRule::None, sizeBox);
    m_height = NumberField(FileoutModel::kSizeLength, FieldRule::None, sizeBox);
    m_keepAspect = new QCheckBox("Keep aspect ratio(&R)", sizeBox);
    m_keepAspect->setChecked(true);
    m_width->setObjectName("width");
    m_height->setObjectName("height");
    m_keepAspect->setObjectName("keepAspect");
    for (QLineEdit* field : {m_width, m_height})
        field->setFixedWidth(field->fontMetrics().horizontalAdvance('0') * 7 + 12);
    sizeLayout->addWidget(new QLabel("H", sizeBox), 0, 0);
    sizeLayout->addWidget(m_width, 0, 1);
    sizeLayout->addWidget(new QLabel("V", sizeBox), 0, 2);
    sizeLayout->addWidget(m_height, 0, 3);
    sizeLayout->addWidget(m_keepAspect, 1, 0, 1, 4);
    connect(m_width, &QLineEdit::editingFinished, this, [this] { KeepAspect(true); });
    connect(m_height, &QLineEdit::editingFinished, this, [this] { KeepAspect(false); });
    ShowNaturalSize(m_model.range());

    auto* nameLabel = new QLabel("File name(&N)", this);
    m_fileName = new QLineEdit(Text(m_model.fileName()), this);
    m_fileName->setMaxLength(FileoutModel::kNameLength);
    m_fileName->setObjectName("fileName");
    m_fileName->setMinimumWidth(m_fileName->fontMetrics().horizontalAdvance('x') * 40);
    nameLabel->setBuddy(m_fileName);
    auto* ref = new QPushButton("Ref...", this);
    ref->setObjectName("ref");
    ref->setAutoDefault(false);
    connect(ref, &QPushButton::clicked, this, &CDialogFileout::ChooseFile);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_fileName);
    nameRow->addWidget(ref);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDialogFileout::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDialogFileout::reject);

    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    choices->addWidget(rangeBox);
    choices->addWidget(sizeBox);
    layout->addLayout(choices);
    layout->addWidget(nameLabel);
    layout->addLayout(nameRow);
    layout->addWidget(new QLabel(FileoutModel::kNote, this));
    layout->addWidget(buttons);
}

void CDialogFileout::ShowNaturalSize(FileoutModel::Range range) {
    const FileoutModel::Size size = m_model.NaturalSize(range);
    SetNumber(m_width, size.width);
    SetNumber(m_height, size.height);
}

void CDialogFileout::KeepAspect(bool fromWidth) {
    if (!m_keepAspect->isChecked()) return;
    const std::optional<std::string> other =
        m_model.OtherSide(Text((fromWidth ? m_width : m_height)->text()), fromWidth);
    if (other) (fromWidth ? m_height : m_width)->setText(Text(*other));
}

void CDialogFileout::ChooseFile() {
    const QStringList filters = QString(FileoutModel::kSaveFilter).split(";;");
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(FileoutModel::kDefaultSuffix);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(m_model.filterIndex()));
    if (!m_fileName->text().isEmpty()) dialog.selectFile(m_fileName->text());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    m_model.SetFilterIndex(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    m_fileName->setText(dialog.selectedFiles().front());
}

void CDialogFileout::accept() {
    m_choice =
        m_model.Accept(Text(m_width->text()), Text(m_height->text()), Text(m_fileName->text()));
    if (m_choice) QDialog::accept();
}

}  // namespace hfp
