#pragma once

#include <QDialog>
#include <array>

#include "print/PrintSetModel.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace hfp {

class CSetData;
class ColorButton;
class Messages;
class StyleButton;

// "Output setting": the ten output layouts and which of them print, file out and the screen
// use. The dialog edits PrintSetModel's working copy; OK puts it into the settings store
// (the caller then updates the views), Cancel drops it.
class CDialogPrintSet : public QDialog {
  public:
    CDialogPrintSet(CSetData* settings, Messages* messages, QWidget* parent);
    void accept() override;

    // For tests and screenshots: the controls by what they show.
    QTabBar* layoutTabs() const { return m_layoutTabs; }
    QPushButton* useButton(PrintSetModel::Selection s) const { return m_use[s]; }
    const PrintSetModel& model() const { return m_model; }

  private:
    struct FamilyRow {
        GridFamily family;
        QCheckBox* visible = nullptr;
        StyleButton* style = nullptr;
        ColorButton* color = nullptr;
        QComboBox* transparency = nullptr;
        QComboBox* interval = nullptr;
        QComboBox* unit = nullptr;
        QLineEdit* labelSize = nullptr;
        QComboBox* choice = nullptr;  // calc (magnetic north) or label direction
        QCheckBox* first = nullptr;   // label position Up / Left
        QCheckBox* second = nullptr;  // label position Down / Right
        QComboBox* digits = nullptr;
        QPushButton* sublines = nullptr;
    };

    QWidget* CreateGeneral();
    QWidget* CreateColorScheme();
    QWidget* CreateLines();
    void CreateFamilyRow(FamilyRow& row, QGridLayout* grid, int line);
    GridLineSetting& Family(OutputSetting& layout, GridFamily family) const;

    void LoadControls();
    void StoreControls();
    void LoadColorChange();
    void StoreColorChange();
    void RefreshTabs();
    void OnLayoutTab(int index);
    void OnUse(PrintSetModel::Selection s);
    void OnInitializeColorScheme();

    CSetData* m_settings;
    Messages* m_messages;
    PrintSetModel m_model;
    bool m_loading = false;

    QTabBar* m_layoutTabs = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_reduction = nullptr;
    QLineEdit* m_numberVertical = nullptr;
    QLineEdit* m_numberHorizontal = nullptr;
    QLineEdit* m_repetition = nullptr;
    QLineEdit* m_mapLevel = nullptr;
    QCheckBox* m_marker = nullptr;
    QComboBox* m_scale = nullptr;
    QTabBar* m_colorTabs = nullptr;
    int m_colorShown = 0;
    QLineEdit* m_colorName = nullptr;
    ColorButton* m_before = nullptr;
    ColorButton* m_after = nullptr;
    std::array<FamilyRow, 5> m_rows{};
    std::array<QPushButton*, 3> m_use{};
};

}  // namespace hfp
