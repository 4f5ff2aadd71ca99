#include "print/ui/DialogPrintSet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "print/ui/DialogFields.h"
#include "print/ui/DialogSubline.h"
#include "settings/SetData.h"

namespace hfp {

namespace {

struct FamilyText {
    GridFamily family;
    const char* title;
    const char* first;
    const char* second;
};
constexpr FamilyText kFamilies[] = {
    {GridFamily::MagneticNorth, "Magnetic north line", nullptr, nullptr},
    {GridFamily::Longitude, "Longitude line", "Up", "Down"},
    {GridFamily::Latitude, "Latitude line", "Left", "Right"},
    {GridFamily::VerticalDistance, "Vertical distance line", "Up", "Down"},
    {GridFamily::HorizontalDistance, "Horizontal distance line", "Left", "Right"},
};
constexpr const char* kScalePositions[] = {"None", "Top left", "Top right", "Bottom left",
                                           "Bottom right"};
constexpr const char* kCalcs[] = {"From server(2010)", "Approximation formula(2010)",
                                  "Approximation formula(2000)"};
constexpr const char* kDirections[] = {"Vertical", "Horizontal"};
constexpr const char* kUseTexts[] = {"Use this setting for print out",
                                     "Use this setting for file out",
                                     "Use this setting for screen view"};

void Fill(QComboBox* list, const std::vector<std::string>& items) {
    list->clear();
    for (const std::string& item : items)
        list->addItem(Text(item));
}

}  // namespace

CDialogPrintSet::CDialogPrintSet(CSetData* settings, Messages* messages, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_messages(messages), m_model(*settings) {
    setWindowTitle("Output setting");
    auto* layout = new QVBoxLayout(this);
    m_layoutTabs = new QTabBar(this);
    m_layoutTabs->setExpanding(false);
    for (int i = 0; i < kOutputSettingCount; ++i)
        m_layoutTabs->addTab(QString());
    layout->addWidget(m_layoutTabs);

    auto* top = new QHBoxLayout;
    top->addWidget(CreateGeneral(), 3);
    top->addWidget(CreateColorScheme(), 2);
    layout->addLayout(top);
    layout->addWidget(CreateLines());

    auto* bottom = new QHBoxLayout;
    for (int s = 0; s < 3; ++s) {
        m_use[static_cast<std::size_t>(s)] = new QPushButton(kUseTexts[s], this);
        connect(m_use[static_cast<std::size_t>(s)], &QPushButton::clicked, this,
                [this, s] { OnUse(static_cast<PrintSetModel::Selection>(s)); });
        bottom->addWidget(m_use[static_cast<std::size_t>(s)]);
    }
    bottom->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    RefreshTabs();
    m_layoutTabs->setCurrentIndex(m_model.FirstTab());
    LoadControls();
    connect(m_layoutTabs, &QTabBar::currentChanged, this, &CDialogPrintSet::OnLayoutTab);
}

QWidget* CDialogPrintSet::CreateGeneral() {
    auto* group = new QGroupBox("Output", this);
    auto* form = new QFormLayout(group);
    m_name = new QLineEdit(group);
    m_name->setMaxLength(field_length::kName);
    form->addRow("Name", m_name);
    m_reduction = NumberField(field_length::kReduction, FieldRule::None, group);
    auto* scale = new QHBoxLayout;
    scale->addWidget(new QLabel("1 :", group));
    scale->addWidget(m_reduction);
    scale->addStretch();
    form->addRow("Scale", scale);
    m_numberVertical = NumberField(field_length::kSmallNumber, FieldRule::SheetCount, group);
    m_numberHorizontal = NumberField(field_length::kSmallNumber, FieldRule::SheetCount, group);
    auto* sheets = new QHBoxLayout;
    sheets->addWidget(new QLabel("Vertical", group));
    sheets->addWidget(m_numberVertical);
    sheets->addWidget(new QLabel("Horizontal", group));
    sheets->addWidget(m_numberHorizontal);
    sheets->addStretch();
    form->addRow("Number of sheets", sheets);
    m_repetition = NumberField(field_length::kSmallNumber, FieldRule::None, group);
    auto* overlap = new QHBoxLayout;
    overlap->addWidget(m_repetition);
    overlap->addWidget(new QLabel("mm", group));
    overlap->addStretch();
    form->addRow("Overrap", overlap);
    m_mapLevel = NumberField(field_length::kSmallNumber, FieldRule::MapLevel, group);
    auto* level = new QHBoxLayout;
    level->addWidget(m_mapLevel);
    level->addStretch();
    form->addRow("Map level", level);
    m_scale = new QComboBox(group);
    for (const char* position : kScalePositions)
        m_scale->addItem(position);
    auto* notation = new QHBoxLayout;
    notation->addWidget(m_scale);
    notation->addStretch();
    form->addRow("Scale notation", notation);
    m_marker = new QCheckBox("Marker visible", group);
    form->addRow(m_marker);
    for (QLineEdit* small :
         {m_reduction, m_numberVertical, m_numberHorizontal, m_repetition, m_mapLevel})
        small->setMaximumWidth(small == m_reduction ? 80 : 40);
    return group;
}

QWidget* CDialogPrintSet::CreateColorScheme() {
    auto* group = new QGroupBox("Color scheme", this);
    auto* layout = new QVBoxLayout(group);
    m_colorTabs = new QTabBar(group);
    m_colorTabs->setExpanding(false);
    m_colorTabs->setUsesScrollButtons(true);
    for (int i = 0; i < kColorChangeCount; ++i)
        m_colorTabs->addTab(QString::number(i));
    layout->addWidget(m_colorTabs);
    auto* form = new QFormLayout;
    m_colorName = new QLineEdit(group);
    m_colorName->setMaxLength(field_length::kName);
    form->addRow("Name", m_colorName);
    m_before = new ColorButton(group);
    m_after = new ColorButton(group);
    auto* colors = new QHBoxLayout;
    colors->addWidget(new QLabel("Before", group));
    colors->addWidget(m_before);
    colors->addWidget(new QLabel("After", group));
    colors->addWidget(m_after);
    colors->addStretch();
    form->addRow(colors);
    layout->addLayout(form);
    auto* initialize = new QPushButton("Initialize color scheme(&D)...", group);
    connect(initialize, &QPushButton::clicked, this, &CDialogPrintSet::OnInitializeColorScheme);
    layout->addWidget(initialize, 0, Qt::AlignLeft);
    layout->addStretch();
    connect(m_colorTabs, &QTabBar::currentChanged, this, [this](int index) {
        StoreColorChange();
        m_colorShown = index;
        LoadColorChange();
    });
    return group;
}

QWidget* CDialogPrintSet::CreateLines() {
    auto* group = new QGroupBox("Lines", this);
    auto* grid = new QGridLayout(group);
    int column = 1;
    for (const char* title : {"Visible", "Style", "Color", "Transparency", "Interval", "",
                              "Label size", "", "Label position", "", "Number of digits"})
        grid->addWidget(new QLabel(title, group), 0, column++);
    for (int i = 0; i < 5; ++i)
        CreateFamilyRow(m_rows[static_cast<std::size_t>(i)], grid, i + 1);
    return group;
}

void CDialogPrintSet::CreateFamilyRow(FamilyRow& row, QGridLayout* grid, int line) {
    const FamilyText& text = kFamilies[line - 1];
    QWidget* parent = grid->parentWidget();
    row.family = text.family;
    const bool dms = row.family == GridFamily::Longitude || row.family == GridFamily::Latitude;
    const bool magnetic = row.family == GridFamily::MagneticNorth;
    row.visible = new QCheckBox(parent);
    row.style = new StyleButton(parent);
    row.color = new ColorButton(parent);
    row.transparency = EditableList(kTransparencyItems, field_length::kTransparency,
                                    FieldRule::Transparency, true, parent);
    row.interval = EditableList(IntervalChoicesFor(row.family, 0).items, field_length::kInterval,
                                FieldRule::None, true, parent);
    row.interval->setMinimumContentsLength(field_length::kInterval);
    row.interval->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    row.labelSize = NumberField(field_length::kLabelSize, FieldRule::None, parent);
    row.labelSize->setMaximumWidth(48);
    std::vector<QWidget*> controls = {row.style, row.color, row.transparency, row.interval};
    grid->addWidget(new QLabel(text.title, parent), line, 0);
    grid->addWidget(row.visible, line, 1, Qt::AlignCenter);
    grid->addWidget(row.style, line, 2);
    grid->addWidget(row.color, line, 3);
    grid->addWidget(row.transparency, line, 4);
    grid->addWidget(row.interval, line, 5);
    if (dms) {
        grid->addWidget(new QLabel("″", parent), line, 6);
    } else {
        row.unit = new QComboBox(parent);
        Fill(row.unit, IntervalUnitsFor(row.family));
        grid->addWidget(row.unit, line, 6);
        controls.push_back(row.unit);
        connect(row.unit, &QComboBox::currentIndexChanged, this, [this, &row](int unit) {
            if (m_loading || unit < 0) return;
            const IntervalChoices choices = IntervalChoicesFor(row.family, unit);
            Fill(row.interval, choices.items);
            row.interval->setEditText(Text(choices.text));
        });
    }
    grid->addWidget(row.labelSize, line, 7);
    controls.push_back(row.labelSize);
    if (magnetic || dms) {
        row.choice = new QComboBox(parent);
        if (magnetic) {
            for (const char* calc : kCalcs)
                row.choice->addItem(calc);
        } else {
            for (const char* direction : kDirections)
                row.choice->addItem(direction);
        }
        auto* labelled = new QHBoxLayout;
        labelled->addWidget(new QLabel(magnetic ? "Calc" : "Label direction", parent));
        labelled->addWidget(row.choice);
        grid->addLayout(labelled, line, 8);
        controls.push_back(row.choice);
    }
    if (text.first) {
        row.first = new QCheckBox(text.first, parent);
        row.second = new QCheckBox(text.second, parent);
        grid->addWidget(row.first, line, 9);
        grid->addWidget(row.second, line, 10);
        controls.push_back(row.first);
        controls.push_back(row.second);
    }
    if (!dms && !magnetic) {
        row.digits = new QComboBox(parent);
        Fill(row.digits, kNumberOfDigitsItems);
        grid->addWidget(row.digits, line, 11);
        controls.push_back(row.digits);
    }
    if (!magnetic) {
        row.sublines = new QPushButton("Scale line/\nAdditional line...", parent);
        grid->addWidget(row.sublines, line, 12);
        controls.push_back(row.sublines);
        connect(row.sublines, &QPushButton::clicked, this, [this, &row] {
            StoreControls();
            CDialogSubline dialog(&Family(m_model.Shown(), row.family).sublines, this);
            dialog.exec();
        });
    }
    auto enable = [controls](bool on) {
        for (QWidget* w : controls)
            w->setEnabled(on);
    };
    connect(row.visible, &QCheckBox::toggled, this, enable);
}

GridLineSetting& CDialogPrintSet::Family(OutputSetting& layout, GridFamily family) const {
    switch (family) {
        case GridFamily::MagneticNorth:
            return layout.magneticNorth;
        case GridFamily::Longitude:
            return layout.longitude;
        case GridFamily::Latitude:
            return layout.latitude;
        case GridFamily::VerticalDistance:
            return layout.verticalDistance;
        case GridFamily::HorizontalDistance:
            break;
    }
    return layout.horizontalDistance;
}

void CDialogPrintSet::LoadControls() {
    m_loading = true;
    const OutputSetting& layout = m_model.Shown();
    m_name->setText(Text(layout.name));
    SetNumber(m_reduction, layout.reduction);
    SetNumber(m_numberVertical, layout.numberVertical);
    SetNumber(m_numberHorizontal, layout.numberHorizontal);
    SetNumber(m_repetition, layout.repetition);
    SetNumber(m_mapLevel, layout.mapLevel);
    m_marker->setChecked(layout.outputMarker);
    m_scale->setCurrentIndex(std::clamp(layout.scale, 0, 4));
    for (FamilyRow& row : m_rows) {
        const GridLineSetting& f = Family(m_model.Shown(), row.family);
        row.visible->setChecked(f.enabled);
        emit row.visible->toggled(f.enabled);
        row.style->Set(f.style, f.size);
        row.color->SetColor(f.color);
        SetNumber(row.transparency, f.alphablend);
        if (row.unit) {
            row.unit->setCurrentIndex(std::clamp(f.intervalUnit, 0, row.unit->count() - 1));
            Fill(row.interval, IntervalChoicesFor(row.family, row.unit->currentIndex()).items);
        }
        SetNumber(row.interval, f.interval);
        SetNumber(row.labelSize, f.fontSize);
        if (row.choice)
            row.choice->setCurrentIndex(
                std::clamp(row.family == GridFamily::MagneticNorth ? f.calc : f.arrangedDirection,
                           0, row.choice->count() - 1));
        if (row.first) {
            row.first->setChecked(f.digitPositionFirst);
            row.second->setChecked(f.digitPositionSecond);
        }
        if (row.digits) row.digits->setCurrentIndex(std::clamp(f.numberOfDigits, 1, 4) - 1);
    }
    LoadColorChange();
    for (int s = 0; s < 3; ++s)
        m_use[static_cast<std::size_t>(s)]->setEnabled(
            m_model.CanUse(static_cast<PrintSetModel::Selection>(s)));
    m_loading = false;
}

void CDialogPrintSet::StoreControls() {
    OutputSetting& layout = m_model.Shown();
    layout.name = Text(m_name->text());
    layout.reduction = Number(m_reduction);
    layout.numberVertical =
        ReadNumber(CorrectOnLeave(FieldRule::SheetCount, Text(m_numberVertical->text())));
    layout.numberHorizontal =
        ReadNumber(CorrectOnLeave(FieldRule::SheetCount, Text(m_numberHorizontal->text())));
    layout.repetition = Number(m_repetition);
    layout.mapLevel = ReadNumber(CorrectOnLeave(FieldRule::MapLevel, Text(m_mapLevel->text())));
    layout.outputMarker = m_marker->isChecked();
    layout.scale = m_scale->currentIndex();
    for (const FamilyRow& row : m_rows) {
        GridLineSetting& f = Family(layout, row.family);
        f.enabled = row.visible->isChecked();
        f.style = row.style->style();
        f.size = row.style->size();
        f.color = row.color->color();
        f.alphablend = ReadNumber(
            CorrectOnLeave(FieldRule::Transparency, Text(row.transparency->currentText())));
        f.interval = Number(row.interval);
        if (row.unit) f.intervalUnit = row.unit->currentIndex();
        f.fontSize = Number(row.labelSize);
        if (row.choice) {
            if (row.family == GridFamily::MagneticNorth)
                f.calc = row.choice->currentIndex();
            else
                f.arrangedDirection = row.choice->currentIndex();
        }
        if (row.first) {
            f.digitPositionFirst = row.first->isChecked();
            f.digitPositionSecond = row.second->isChecked();
        }
        if (row.digits) f.numberOfDigits = row.digits->currentIndex() + 1;
    }
    StoreColorChange();
}

void CDialogPrintSet::LoadColorChange() {
    const ColorChange& c = m_model.Shown().colorChanges[static_cast<std::size_t>(m_colorShown)];
    m_colorName->setText(Text(c.name));
    m_before->SetColor(c.beforeColor);
    m_after->SetColor(c.afterColor);
}

void CDialogPrintSet::StoreColorChange() {
    ColorChange& c = m_model.Shown().colorChanges[static_cast<std::size_t>(m_colorShown)];
    c.name = Text(m_colorName->text());
    c.beforeColor = m_before->color();
    c.afterColor = m_after->color();
}

void CDialogPrintSet::RefreshTabs() {
    for (int i = 0; i < kOutputSettingCount; ++i)
        m_layoutTabs->setTabText(i, Text(m_model.TabLabel(i)));
}

void CDialogPrintSet::OnLayoutTab(int index) {
    StoreControls();
    m_model.Show(index);
    LoadControls();
}

void CDialogPrintSet::OnUse(PrintSetModel::Selection s) {
    m_model.Use(s);
    RefreshTabs();
    m_use[static_cast<std::size_t>(s)]->setEnabled(false);
}

void CDialogPrintSet::OnInitializeColorScheme() {
    if (!m_messages->Ask(kInitializeColorSchemeQuestion, MessageIcon::Warning, false)) return;
    StoreControls();
    m_model.InitializeColorScheme();
    LoadControls();
}

void CDialogPrintSet::accept() {
    StoreControls();
    m_model.ApplyTo(m_settings);
    QDialog::accept();
}

}  // namespace hfp
