#pragma once

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>

#include "app/TileScaling.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"
#include "view/MapViewOwner.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;

namespace hfp {

class CHollowfernPlotterView;
class SpotController;

// The main window: the menus and the four toolbars with their boxes, the status bar, the
// map view in the middle, and the settings, which it loads when it is made and saves when it
// goes, together with the window's place and the toolbars' layout.
class CMainFrame : public QMainWindow, public MapViewOwner {
  public:
    // Where the toolbars' layout is kept, under QSettings("Quay", "HollowfernPlotter").
    static constexpr const char* kBarStateName = "HPLBarState2";
    // The window's size at a first start, when the screen has room for it: every toolbar
    // button shows and the status bar has room for the cursor readout.
    static constexpr QSize kFirstStartSize{1200, 800};
    enum Toolbar { kEditToolbar, kMapToolbar, kWriteToolbar, kSettingToolbar, kToolbarCount };

    // `messages` takes the messages for the user; without one they are message boxes.
    explicit CMainFrame(Messages* messages = nullptr);
    ~CMainFrame() override;

    // Shows the window as it was left: maximised, or at its normal place.
    void ShowFromPlacement();

    CHollowfernPlotterView* view() { return m_view; }
    // The command's action; null for an id the window does not have.
    QAction* action(int id) const;
    QToolBar* toolbar(Toolbar bar) const { return m_toolbars[bar]; }
    QComboBox* tileScalingBox() const { return m_tileScalingBox; }
    QComboBox* writeSetBox() const { return m_writeSetBox; }
    QToolButton* colorButton() const { return m_colorButton; }
    QToolButton* lineStyleButton() const { return m_lineStyleButton; }
    QComboBox* transparencyBox() const { return m_transparencyBox; }
    QComboBox* patternBox() const { return m_patternBox; }
    QMenu* viewMenu() const { return m_viewMenu; }
    // The user agent of tile and declination requests: empty until the login names one.
    const std::string& userAgent() const { return m_userAgent; }
    void SetUserAgent(const std::string& agent);
    // Logs in to the spot service and starts the spot display (once, after the window is
    // shown). False when the login answer started the updater instead: the program closes.
    bool StartSpotService();
    SpotController* spotService() { return m_spotService.get(); }

    // The view composes again with the current tile scaling and settings.
    void UpdateAllViews();
    // Brings the check marks of the menus up to date.
    void UpdateCommandStates();

    // MapViewOwner
    CSetData& settings() override { return m_settings; }
    Messages& messages() override { return *m_messages; }
    std::string TileScalingText() const override { return m_tileScaling.text(); }
    void SetTileScalingText(double factor) override;
    void SetStatusText(const std::string& text) override;
    bool PatternSelected() const override;
    void ClearPatternSelection() override;
    void FillPatternBox(const std::vector<std::pair<int32_t, std::string>>& patterns) override;
    int CurrentPattern() const override;
    void ShowPattern(int index) override;
    QIcon WriteTypeIcon(int32_t type) const override;
    void FillWriteSetBox(const std::vector<std::pair<int, std::string>>& sets) override;
    int CurrentWriteSet() const override;
    void ShowWriteSet(int setIndex) override;
    int TransparencyValue() const override;
    void SetTransparencyText(int percent) override;
    void ShowCurrentPen(COLORREF color, int size, int style) override;
    void EditStateChanged() override { UpdateCommandStates(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateActions();
    void EnableWriteCommands();
    void SetUpWriteBoxes();
    // The transparency box lost the focus or got Enter: its number, capped, applies.
    void OnTransparencyEdited();
    void CreateMenus();
    void CreateToolbars();
    void CreateStatusBar();
    void RestorePlacement();
    void RestoreBarState();
    // Saves the toolbars' layout, the window's place and the settings, once.
    void SaveOnExit();

    // Shows the current tile scaling in the box and the menu.
    void ShowTileScaling();
    void OnTileScaling(int item);
    void OnToggleToolbar(Toolbar bar);
    void OnToggleStatusBar();
    void OnHelp();
    void OnWebLink(Service service, const char* path);
    void OnAbout();
    // "Output setting": the dialog edits a copy; OK stores it and redraws the views.
    void OnOutputSetting();
    // "Printer setting": the paper and margins of the printer; the print-out bounds follow.
    void OnPrinterSetting();
    // "Move file out bounds to center": the file-out bounds centred on the view, inside the
    // service area, as the print-out bounds are moved.
    void OnMoveFileoutBounds();
    // "Print history": OK with a place moves the print-out bounds and the view there.
    void OnPrintHistory();
    // "Position register" and "Move to latitude/longitude": OK centres the view on the place.
    void OnPositionRegister();
    void OnMoveLatLng();
    void MoveViewTo(GeoPoint center);
    // "Setting": OK stores the options and redraws the views with them at once.
    void OnSetting();
    // "Show information": the system information report, with the printer of the print-out
    // bounds.
    void OnShowInformation();

    CSetData m_settings;
    std::unique_ptr<Messages> m_ownMessages;
    Messages* m_messages;
    CHollowfernPlotterView* m_view = nullptr;
    std::map<int, QAction*> m_actions;
    std::array<QToolBar*, kToolbarCount> m_toolbars{};
    QMenu* m_viewMenu = nullptr;
    TileScalingChoice m_tileScaling;
    QComboBox* m_tileScalingBox = nullptr;
    QComboBox* m_writeSetBox = nullptr;
    QToolButton* m_colorButton = nullptr;
    QToolButton* m_lineStyleButton = nullptr;
    QComboBox* m_transparencyBox = nullptr;
    QComboBox* m_patternBox = nullptr;
    std::string m_userAgent;
    std::unique_ptr<SpotController> m_spotService;
    bool m_saved = false;
    // False when set.dat is there but did not load: it is then never saved over.
    bool m_settingsLoaded = false;
};

}  // namespace hfp
