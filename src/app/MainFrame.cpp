#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cstdlib>
#include <filesystem>

#include "ProgramVersion.h"
#include "app/CommandTable.h"
#include "app/DialogInformation.h"
#include "app/DialogSet.h"
#include "app/MessageBoxes.h"
#include "app/SpotController.h"
#include "app/ToolIcons.h"
#include "app/WindowPlacementFit.h"
#include "info/PrinterCapabilities.h"
#include "platform/DataFolder.h"
#include "positions/ui/DialogMoveLongitudeLatitude.h"
#include "positions/ui/DialogPosition.h"
#include "print/ui/DialogPrintHistory.h"
#include "print/ui/DialogPrintSet.h"
#include "print/ui/PrintRunner.h"
#include "view/HollowfernPlotterView.h"

namespace hfp {

namespace {

constexpr const char* kTitle = "HollowfernPlotter";
constexpr const char* kSettingsOrganisation = "Quay";
constexpr const char* kSettingsApplication = "HollowfernPlotter";

// Widths of the boxes on the toolbars, in pixels.
constexpr int kWriteSetBoxWidth = 200;
constexpr int kColorButtonWidth = 40;
constexpr int kLineStyleButtonWidth = 100;
constexpr int kTransparencyBoxWidth = 50;
constexpr int kPatternBoxWidth = 200;
constexpr int kTileScalingLabelWidth = 80;
constexpr int kTileScalingBoxWidth = 50;

constexpr const char* kUnselectedPattern = "(Unselected)";

// The help file below the program's folder.
constexpr const char* kHelpFile = "help/index.html";
constexpr const char* kWebsitePath = "/";
constexpr const char* kMessageBoardPath = "/yama/bbs.html";
constexpr const char* kGsiPolicyPath = "/kikakuchousei/kikakuchousei40182.html";

// The toolbars' item for the tile-scaling label and box.
constexpr const char* kTileScalingLabel = "Tile scaling";

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// A box of the write toolbar, with the hint and tooltip of its command; the write commands
// fill and enable it.
QComboBox* AddBox(QToolBar* bar, int width, int commandId) {
    auto* box = new QComboBox(bar);
    box->setFixedWidth(width);
    const Command& command = *FindCommand(commandId);
    box->setToolTip(Text(CommandTooltip(command)));
    box->setStatusTip(Text(CommandHint(command)));
    box->setEnabled(false);
    bar->addWidget(box);
    return box;
}

QToolButton* AddButton(QToolBar* bar, int width, QAction* action) {
    auto* button = new QToolButton(bar);
    button->setDefaultAction(action);
    button->setFixedWidth(width);
    bar->addWidget(button);
    return button;
}

}  // namespace

CMainFrame::CMainFrame(Messages* messages) : m_messages(messages) {
    if (!m_messages) {
        m_ownMessages = std::make_unique<MessageBoxes>(this);
        m_messages = m_ownMessages.get();
    }
    setWindowTitle(kTitle);
    m_settingsLoaded = m_settings.Load();
    if (!m_settingsLoaded) {
        m_messages->Show(
            "The settings file " + (DataFolder() / CSetData::kFileName).string() +
                " could not be read. The program starts without its settings and will not "
                "save over the file when it ends.",
            MessageIcon::Warning);
    }
    CreateActions();
    CreateMenus();
    CreateToolbars();
    CreateStatusBar();
    RestorePlacement();
    RestoreBarState();

    m_view = new CHollowfernPlotterView(this, this);
    setCentralWidget(m_view);
    auto* popup = new QMenu(this);
    for (int id : ViewMenuLayout()) {
        if (id == kSeparator)
            popup->addSeparator();
        else
            popup->addAction(action(id));
    }
    m_view->SetContextMenu(popup);
    SetUpWriteBoxes();
    m_view->OnInitialUpdate();
    EnableWriteCommands();
}

CMainFrame::~CMainFrame() {
    SaveOnExit();
    // The boxes lose the focus while the window goes; the view must not hear of it.
    m_writeSetBox->disconnect(this);
    m_transparencyBox->disconnect(this);
    m_transparencyBox->lineEdit()->disconnect(this);
    // The session ends before the view that shows its spots.
    m_spotService.reset();
    // The view goes first: it still calls on this window while it stops its composer.
    delete m_view;
    m_view = nullptr;
}

QAction* CMainFrame::action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    for (const Command& c : CommandTable()) {
        auto* a = new QAction(c.text, this);
        a->setShortcut(QKeySequence(c.shortcut));
        a->setStatusTip(Text(CommandHint(c)));
        a->setToolTip(Text(CommandTooltip(c)));
        a->setIcon(ToolIcon(c.id));
        a->setIconVisibleInMenu(false);
        // Commands come alive as their parts of the program join the window.
        a->setEnabled(false);
        m_actions[c.id] = a;
        addAction(a);
    }
    auto enable = [this](int id, auto handler) {
        QAction* a = action(id);
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, handler);
    };
    enable(ID_APP_EXIT, [this] { close(); });
    enable(ID_VIEW_TOOLBAR, [this] { OnToggleToolbar(kEditToolbar); });
    enable(ID_VIEW_MAP_TOOLBAR, [this] { OnToggleToolbar(kMapToolbar); });
    enable(ID_VIEW_WRITE_TOOLBAR, [this] { OnToggleToolbar(kWriteToolbar); });
    enable(ID_VIEW_SETTING_TOOLBAR, [this] { OnToggleToolbar(kSettingToolbar); });
    enable(ID_VIEW_STATUS_BAR, [this] { OnToggleStatusBar(); });
    enable(ID_MAP_REFRESH, [this] { m_view->OnRefresh(); });
    enable(ID_MAP_ZOOM_IN, [this] { m_view->OnZoomIn(); });
    enable(ID_MAP_ZOOM_OUT, [this] { m_view->OnZoomOut(); });
    enable(ID_POPUP_ZOOM_IN, [this] { m_view->OnZoomIn(); });
    enable(ID_POPUP_ZOOM_OUT, [this] { m_view->OnZoomOut(); });
    for (int i = 0; i < kLevelCommandCount; ++i)
        enable(kLevelCommands[i], [this, i] { m_view->OnSelectLevel(i); });
    for (int i = 0; i < kTileScalingItemCount; ++i)
        enable(ID_TILE_SCALING_FIRST + i, [this, i] { OnTileScaling(i); });
    enable(ID_OUTPUT_SETTING, [this] { OnOutputSetting(); });
    enable(ID_FILE_PRINT, [this] { PrintRunner(this, *m_view, settings(), *m_messages).Print(); });
    enable(ID_FILE_PRINT_PREVIEW,
           [this] { PrintRunner(this, *m_view, settings(), *m_messages).Preview(); });
    enable(ID_FILE_PRINT_SETUP, [this] { OnPrinterSetting(); });
    enable(ID_FILE_FILEOUT,
           [this] { PrintRunner(this, *m_view, settings(), *m_messages).Fileout(); });
    enable(ID_MAP_PRINT_HISTORY, [this] { OnPrintHistory(); });
    enable(ID_MAP_POSITION_REGISTER, [this] { OnPositionRegister(); });
    enable(ID_MAP_MOVE_LATLNG, [this] { OnMoveLatLng(); });
    enable(ID_SETTING, [this] { OnSetting(); });
    enable(ID_FILE_SHOW_INFORMATION, [this] { OnShowInformation(); });
    enable(ID_MAP_MOVE_PRINT_BOUNDS, [this] { m_view->OnMovePrintBounds(); });
    enable(ID_POPUP_MOVE_PRINT_BOUNDS, [this] { m_view->OnMovePrintBounds(); });
    enable(ID_MAP_MOVE_FILEOUT_BOUNDS, [this] { OnMoveFileoutBounds(); });
    enable(ID_POPUP_MOVE_FILEOUT_BOUNDS, [this] { OnMoveFileoutBounds(); });
    enable(ID_APP_ABOUT, [this] { OnAbout(); });
    enable(ID_HELP, [this] { OnHelp(); });
    enable(ID_HELP_WEBSITE, [this] { OnWebLink(Service::MakerSite, kWebsitePath); });
    enable(ID_HELP_MESSAGE_BOARD, [this] { OnWebLink(Service::SpotContent, kMessageBoardPath); });
    enable(ID_HELP_GSI_POLICY, [this] { OnWebLink(Service::GsiWeb, kGsiPolicyPath); });

    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_MAP_TOOLBAR, ID_VIEW_WRITE_TOOLBAR,
                   ID_VIEW_SETTING_TOOLBAR, ID_VIEW_STATUS_BAR})
        action(id)->setCheckable(true);
    for (int i = 0; i < kTileScalingItemCount; ++i)
        action(ID_TILE_SCALING_FIRST + i)->setCheckable(true);
}

void CMainFrame::EnableWriteCommands() {
    CHollowfernPlotterView* v = m_view;
    const std::pair<int, void (CHollowfernPlotterView::*)()> commands[] = {
        {ID_EDIT_UNDO, &CHollowfernPlotterView::OnEditUndo},
        {ID_EDIT_CUT, &CHollowfernPlotterView::OnEditCut},
        {ID_EDIT_COPY, &CHollowfernPlotterView::OnEditCopy},
        {ID_EDIT_PASTE, &CHollowfernPlotterView::OnEditPaste},
        {ID_EDIT_DELETE, &CHollowfernPlotterView::OnEditDelete},
        {ID_WRITE_STRING, &CHollowfernPlotterView::OnWriteString},
        {ID_WRITE_SET, &CHollowfernPlotterView::OnWriteSetDialog},
        {ID_WRITE_PATTERN, &CHollowfernPlotterView::OnWritePattern},
        {ID_WRITE_PICTURE, &CHollowfernPlotterView::OnWritePicture},
        {ID_WRITE_COLOR, &CHollowfernPlotterView::OnColorSelect},
        {ID_WRITE_LINE_STYLE, &CHollowfernPlotterView::OnLineStyle},
        {ID_WRITE_MOST_FRONT, &CHollowfernPlotterView::OnMostFront},
        {ID_WRITE_MOST_BACK, &CHollowfernPlotterView::OnMostBack},
        {ID_WRITE_FRONT, &CHollowfernPlotterView::OnFront},
        {ID_WRITE_BACK, &CHollowfernPlotterView::OnBack},
    };
    for (const auto& [id, command] : commands)
        connect(action(id), &QAction::triggered, this, [v, c = command] { (v->*c)(); });
    const std::pair<int, int> modes[] = {
        {ID_WRITE_SELECT, CHollowfernPlotterView::kSelectMode},
        {ID_WRITE_LINE, CHollowfernPlotterView::kLineMode},
        {ID_WRITE_RECTANGLE, CHollowfernPlotterView::kRectangleMode},
        {ID_WRITE_ELLIPSE, CHollowfernPlotterView::kEllipseMode},
    };
    for (const auto& [id, mode] : modes)
        connect(action(id), &QAction::triggered, this, [v, m = mode] { v->OnWriteMode(m); });
    for (int i = 0; i < kTransparencyItemCount; ++i)
        connect(action(ID_TRANSPARENCY_FIRST + i), &QAction::triggered, this,
                [v, i] { v->OnTransparency(100 - 10 * i); });
    for (int id : {ID_WRITE_SELECT, ID_WRITE_LINE, ID_WRITE_RECTANGLE, ID_WRITE_ELLIPSE,
                   ID_WRITE_STRING, ID_WRITE_PICTURE})
        action(id)->setCheckable(true);
    for (int i = 0; i < kTransparencyItemCount; ++i)
        action(ID_TRANSPARENCY_FIRST + i)->setEnabled(true);
    m_writeSetBox->setEnabled(true);
    m_transparencyBox->setEnabled(true);
    UpdateCommandStates();
}

void CMainFrame::SetUpWriteBoxes() {
    connect(m_writeSetBox, &QComboBox::activated, this, [this] { m_view->OnWriteSetChanged(); });
    connect(m_patternBox, &QComboBox::activated, this, [this] { m_view->OnPatternBoxChanged(); });
    m_transparencyBox->setEditable(true);
    for (int i = 0; i < kTransparencyItemCount; ++i)
        m_transparencyBox->addItem(QString::number(100 - 10 * i));
    m_transparencyBox->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_transparencyBox));
    connect(m_transparencyBox->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { OnTransparencyEdited(); });
    connect(m_transparencyBox, &QComboBox::activated, this, [this] { OnTransparencyEdited(); });
}

void CMainFrame::OnTransparencyEdited() {
    m_view->OnTransparency(std::min(TransparencyValue(), 100));
}

void CMainFrame::FillWriteSetBox(const std::vector<std::pair<int, std::string>>& sets) {
    const QString shown = m_writeSetBox->currentText();
    const QSignalBlocker block(m_writeSetBox);
    m_writeSetBox->clear();
    for (const auto& [index, name] : sets)
        m_writeSetBox->addItem(Text(name), index);
    const int keep = m_writeSetBox->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_writeSetBox->setCurrentIndex(keep >= 0 ? keep : 0);
}

int CMainFrame::CurrentWriteSet() const {
    const QVariant data = m_writeSetBox->currentData();
    return data.isValid() ? data.toInt() : -1;
}

void CMainFrame::ShowWriteSet(int setIndex) {
    const int item = m_writeSetBox->findData(setIndex);
    if (item >= 0) m_writeSetBox->setCurrentIndex(item);
}

int CMainFrame::TransparencyValue() const {
    return std::atoi(m_transparencyBox->currentText().toUtf8().constData());
}

void CMainFrame::SetTransparencyText(int percent) {
    m_transparencyBox->setEditText(QString::number(percent));
}

void CMainFrame::ShowCurrentPen(COLORREF color, int size, int style) {
    const QColor c(RedOf(color), GreenOf(color), BlueOf(color));
    QPixmap swatch(24, 24);
    swatch.fill(c);
    action(ID_WRITE_COLOR)->setIcon(QIcon(swatch));
    // The button's face with the size as "%2d" at the left and a black line of the size and
    // dash style from x = 20 to the right edge, just above the middle.
    const QSize area = m_lineStyleButton ? m_lineStyleButton->iconSize() : QSize(72, 24);
    QPixmap line(area);
    line.fill(palette().color(QPalette::Button));
    {
        QPainter painter(&line);
        static constexpr Qt::PenStyle kStyles[kDashStyleCount] = {
            Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
        painter.setPen(
            QPen(Qt::black, std::max(size, 1), kStyles[std::clamp(style, 0, 4)], Qt::FlatCap));
        painter.drawLine(20, area.height() / 2 - 1, area.width(), area.height() / 2 - 1);
        QFont font = painter.font();
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 2, 20, area.height() - 2), Qt::AlignLeft | Qt::AlignTop,
                         QString::asprintf("%2d", size));
    }
    action(ID_WRITE_LINE_STYLE)->setIcon(QIcon(line));
}

void CMainFrame::CreateMenus() {
    for (const MenuLayout& layout : MainMenuLayout()) {
        QMenu* menu = menuBar()->addMenu(layout.title);
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
        for (int id : layout.items) {
            if (id == kSeparator) {
                menu->addSeparator();
            } else if (id == kTileScalingSubmenu || id == kTransparencySubmenu) {
                const bool scaling = id == kTileScalingSubmenu;
                QMenu* sub =
                    menu->addMenu(scaling ? kTileScalingMenuTitle : kTransparencyMenuTitle);
                connect(sub, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
                const int first = scaling ? ID_TILE_SCALING_FIRST : ID_TRANSPARENCY_FIRST;
                const int count = scaling ? kTileScalingItemCount : kTransparencyItemCount;
                for (int i = 0; i < count; ++i)
                    sub->addAction(action(first + i));
            } else {
                menu->addAction(action(id));
            }
        }
        if (layout.items.front() == ID_VIEW_TOOLBAR) m_viewMenu = menu;
    }
}

void CMainFrame::CreateToolbars() {
    const auto& layouts = ToolbarLayouts();
    for (std::size_t b = 0; b < layouts.size(); ++b) {
        const ToolbarLayout& layout = layouts[b];
        auto* bar = new QToolBar(layout.title, this);
        bar->setObjectName(layout.name);
        bar->setIconSize(QSize(24, 24));
        m_toolbars[b] = bar;
        for (int id : layout.items) {
            switch (id) {
                case kSeparator:
                    bar->addSeparator();
                    break;
                case kBoxWriteSet:
                    m_writeSetBox = AddBox(bar, kWriteSetBoxWidth, ID_SELECT_WRITE_SET);
                    break;
                case kBoxColor:
                    m_colorButton = AddButton(bar, kColorButtonWidth, action(ID_WRITE_COLOR));
                    break;
                case kBoxLineStyle:
                    m_lineStyleButton =
                        AddButton(bar, kLineStyleButtonWidth, action(ID_WRITE_LINE_STYLE));
                    m_lineStyleButton->setIconSize(QSize(72, 24));
                    break;
                case kBoxTransparency:
                    m_transparencyBox = AddBox(bar, kTransparencyBoxWidth, ID_SET_TRANSPARENCY);
                    break;
                case kBoxPattern:
                    m_patternBox = AddBox(bar, kPatternBoxWidth, ID_SELECT_WRITE_PATTERN);
                    m_patternBox->addItem(kUnselectedPattern);
                    break;
                case kBoxTileScalingLabel: {
                    auto* label = new QLabel(kTileScalingLabel, bar);
                    label->setFixedWidth(kTileScalingLabelWidth);
                    label->setAlignment(Qt::AlignCenter);
                    bar->addWidget(label);
                    break;
                }
                case kBoxTileScaling:
                    m_tileScalingBox = new QComboBox(bar);
                    for (const char* item : TileScalingChoice::kItems)
                        m_tileScalingBox->addItem(item);
                    m_tileScalingBox->setCurrentIndex(TileScalingChoice::kInitialItem);
                    m_tileScalingBox->setFixedWidth(kTileScalingBoxWidth);
                    m_tileScalingBox->setToolTip(kTileScalingLabel);
                    connect(m_tileScalingBox, &QComboBox::activated, this,
                            [this](int item) { OnTileScaling(item); });
                    bar->addWidget(m_tileScalingBox);
                    break;
                default:
                    bar->addAction(action(id));
                    break;
            }
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolbars[kEditToolbar]);
    addToolBar(Qt::TopToolBarArea, m_toolbars[kMapToolbar]);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_toolbars[kWriteToolbar]);
    addToolBar(Qt::TopToolBarArea, m_toolbars[kSettingToolbar]);
}

void CMainFrame::CreateStatusBar() {
    // The text pane is the bar's own message area, which takes the width the indicators leave.
    QStatusBar* bar = statusBar();
    // The keyboard's lock indicators. The platform does not tell a program the state of
    // the lock keys, so they stay blank.
    for (const char* indicator : {"KANA", "CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(bar);
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(indicator) + 8);
        label->setToolTip(indicator);
        bar->addPermanentWidget(label);
    }
}

void CMainFrame::RestorePlacement() {
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen()) screens.append(screen->availableGeometry());
    }
    setGeometry(FitNormalRect(m_settings.m_windowPlacement, screens, kFirstStartSize));
}

void CMainFrame::ShowFromPlacement() {
    if (m_settings.m_windowPlacement.showCmd == kShowMaximized)
        showMaximized();
    else
        show();
}

void CMainFrame::RestoreBarState() {
    QSettings store(kSettingsOrganisation, kSettingsApplication);
    store.beginGroup(kBarStateName);
    const QByteArray state = store.value("Toolbars").toByteArray();
    if (!state.isEmpty()) restoreState(state);
    if (store.contains("StatusBar")) statusBar()->setVisible(store.value("StatusBar").toBool());
}

void CMainFrame::SaveOnExit() {
    if (m_saved) return;
    m_saved = true;
    {
        QSettings store(kSettingsOrganisation, kSettingsApplication);
        store.beginGroup(kBarStateName);
        store.setValue("Toolbars", saveState());
        store.setValue("StatusBar", !statusBar()->isHidden());
    }
    m_settings.m_windowPlacement =
        PlacementOf(normalGeometry(), windowState(), m_settings.m_windowPlacement);
    if (m_view) {
        m_view->StoreState(&m_settings);
        m_view->SaveWriteOnExit();
    }
    if (m_settingsLoaded) m_settings.Save();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SaveOnExit();
    if (m_spotService) m_spotService->CancelLoginDialog();
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnPrinterSetting() {
    QPageSetupDialog dialog(&m_view->printer(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The printer chosen stays in force even when it is refused for printing.
    m_view->OnPrinterChanged();
    if (ExceedsA3(m_view->printerMetrics())) m_messages->Show(kOverA3Message, MessageIcon::Warning);
}

void CMainFrame::OnMoveFileoutBounds() {
    CSetData& s = settings();
    const MapNavigation& nav = m_view->navigation();
    s.m_fileoutCenter = ClampPrintCenter(nav.center(), {s.m_fileoutLongitude, s.m_fileoutLatitude},
                                         nav.serviceArea());
    UpdateAllViews();
}

void CMainFrame::OnPrintHistory() {
    CDialogPrintHistory dialog(&settings().m_printHistory, m_messages, this);
    if (dialog.exec() == QDialog::Accepted) m_view->MoveToPrintPosition(dialog.position());
}

void CMainFrame::OnPositionRegister() {
    CDialogPosition dialog(DataFolder() / CPositionList::kFileName, m_view->navigation().center(),
                           m_messages, this);
    if (dialog.exec() == QDialog::Accepted) MoveViewTo(dialog.center());
}

void CMainFrame::OnMoveLatLng() {
    CDialogMoveLongitudeLatitude dialog(m_view->navigation().center(), m_messages, this);
    if (dialog.exec() == QDialog::Accepted) MoveViewTo(dialog.center());
}

void CMainFrame::MoveViewTo(GeoPoint center) {
    m_view->navigation().SetCenter(center);
    m_view->navigation().ClampCenter();
    m_view->Refresh();
}

void CMainFrame::OnOutputSetting() {
    CDialogPrintSet dialog(&settings(), m_messages, this);
    if (dialog.exec() == QDialog::Accepted) UpdateAllViews();
}

void CMainFrame::OnSetting() {
    const bool mayChange = m_spotService && m_spotService->mayChangeStartupDownload();
    CDialogSet dialog(&m_settings, mayChange, m_messages, this);
    if (dialog.exec() == QDialog::Accepted) UpdateAllViews();
}

void CMainFrame::OnShowInformation() {
    CDialogInformation dialog(CapabilitiesOf(m_view->printer()), DataFolder(), this);
    dialog.exec();
}

void CMainFrame::UpdateAllViews() {
    if (m_view) m_view->OnUpdate();
}

void CMainFrame::UpdateCommandStates() {
    action(ID_VIEW_TOOLBAR)->setChecked(!m_toolbars[kEditToolbar]->isHidden());
    action(ID_VIEW_MAP_TOOLBAR)->setChecked(!m_toolbars[kMapToolbar]->isHidden());
    action(ID_VIEW_WRITE_TOOLBAR)->setChecked(!m_toolbars[kWriteToolbar]->isHidden());
    action(ID_VIEW_SETTING_TOOLBAR)->setChecked(!m_toolbars[kSettingToolbar]->isHidden());
    action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    for (int i = 0; i < kTileScalingItemCount; ++i)
        action(ID_TILE_SCALING_FIRST + i)->setChecked(m_tileScaling.IsCurrent(i));
    if (!m_view || !m_view->composer()) return;
    const CHollowfernPlotterView& v = *m_view;
    const int modes[] = {ID_WRITE_SELECT,  ID_WRITE_LINE,   ID_WRITE_RECTANGLE,
                         ID_WRITE_ELLIPSE, ID_WRITE_STRING, ID_WRITE_PICTURE};
    for (int mode = 0; mode < static_cast<int>(std::size(modes)); ++mode) {
        action(modes[mode])->setEnabled(true);
        action(modes[mode])->setChecked(v.writeMode() == mode);
    }
    const bool editing = v.CanEditObjects();
    const bool selected = !v.selection().empty();
    action(ID_EDIT_UNDO)->setEnabled(v.CanUndo());
    action(ID_EDIT_DELETE)->setEnabled(editing);
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_WRITE_MOST_FRONT, ID_WRITE_MOST_BACK,
                   ID_WRITE_FRONT, ID_WRITE_BACK})
        action(id)->setEnabled(selected);
    for (int id :
         {ID_EDIT_PASTE, ID_WRITE_COLOR, ID_WRITE_LINE_STYLE, ID_WRITE_SET, ID_WRITE_PATTERN})
        action(id)->setEnabled(true);
}

void CMainFrame::SetTileScalingText(double factor) {
    m_tileScaling.SetFactor(factor);
    ShowTileScaling();
}

void CMainFrame::ShowTileScaling() {
    // A text that no item has leaves the box's selection as it is.
    if (const int item = m_tileScaling.CurrentItem(); item >= 0) {
        const QSignalBlocker block(m_tileScalingBox);
        m_tileScalingBox->setCurrentIndex(item);
    }
    UpdateCommandStates();
}

void CMainFrame::OnTileScaling(int item) {
    if (!m_tileScaling.Choose(item)) return;
    ShowTileScaling();
    UpdateAllViews();
}

void CMainFrame::OnToggleToolbar(Toolbar bar) {
    m_toolbars[bar]->setVisible(m_toolbars[bar]->isHidden());
    UpdateCommandStates();
}

void CMainFrame::OnToggleStatusBar() {
    statusBar()->setVisible(statusBar()->isHidden());
    UpdateCommandStates();
}

void CMainFrame::SetUserAgent(const std::string& agent) {
    m_userAgent = agent;
    if (m_view && m_view->composer()) m_view->composer()->SetUserAgent(agent);
}

void CMainFrame::SetStatusText(const std::string& text) {
    statusBar()->showMessage(Text(text));
}

bool CMainFrame::PatternSelected() const {
    return m_patternBox->currentIndex() > 0;
}

void CMainFrame::ClearPatternSelection() {
    m_patternBox->setCurrentIndex(0);
}

void CMainFrame::FillPatternBox(const std::vector<std::pair<int32_t, std::string>>& patterns) {
    const QString shown = m_patternBox->currentIndex() > 0 ? m_patternBox->currentText() : "";
    const QSignalBlocker block(m_patternBox);
    m_patternBox->clear();
    m_patternBox->addItem(kUnselectedPattern);
    for (const auto& [type, name] : patterns)
        m_patternBox->addItem(WriteTypeIcon(type), Text(name));
    const int keep = shown.isEmpty()
                         ? -1
                         : m_patternBox->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_patternBox->setCurrentIndex(keep > 0 ? keep : 0);
}

int CMainFrame::CurrentPattern() const {
    return m_patternBox->currentIndex() - 1;
}

void CMainFrame::ShowPattern(int index) {
    m_patternBox->setCurrentIndex(index + 1);
}

QIcon CMainFrame::WriteTypeIcon(int32_t type) const {
    // The pattern's type drawn as the command that makes objects of it.
    static const int kModeCommands[] = {ID_WRITE_LINE, ID_WRITE_RECTANGLE, ID_WRITE_ELLIPSE,
                                        ID_WRITE_STRING, ID_WRITE_PICTURE};
    if (type < kWriteLine || type > kWritePicture) return QIcon();
    return ToolIcon(kModeCommands[type - kWriteLine]);
}

void CMainFrame::OnHelp() {
    const std::filesystem::path file = FindProgramFile(kHelpFile);
    if (file.empty() ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string()))))
        m_messages->Show("Cannot open help file.", MessageIcon::Error);
}

bool CMainFrame::StartSpotService() {
    if (m_spotService) return true;
    m_spotService = std::make_unique<SpotController>(this);
    QAction* spots = action(ID_MAP_SPOT_INFORMATION);
    spots->setCheckable(true);
    connect(spots, &QAction::triggered, this, [this] { m_spotService->OnSpotDisplay(); });
    return m_spotService->Start();
}

void CMainFrame::OnWebLink(Service service, const char* path) {
    const QUrl url(Text(HttpUrl(ServiceHost(service), path)));
    if (!QDesktopServices::openUrl(url))
        m_messages->Show("Cannot lunch web browser.", MessageIcon::Error);
}

void CMainFrame::OnAbout() {
    QMessageBox::about(this, "About HollowfernPlotter",
                       QString("HollowfernPlotter %1\n\n"
                               "A map editor for hikers on the topographic maps of GSI, the "
                               "Geospatial Information Authority of Japan.")
                           .arg(kProgramVersion));
}

}  // namespace hfp
