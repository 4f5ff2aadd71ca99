#include "view/HollowfernPlotterView.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <utility>

#include "geo/GroundDistance.h"
#include "platform/Trace.h"
#include "print/GridLines.h"
#include "print/ScaleNotation.h"
#include "settings/SetData.h"
#include "spot/SpotLayer.h"
#include "view/MapViewOwner.h"
#include "view/ScalingText.h"
#include "write/LogFont.h"
#include "write/WriteSaver.h"

namespace hfp {

namespace {

// The frames' colours: the print-out bounds blue, the file-out bounds dark green.
constexpr COLORREF kPrintFrameColor = 0xFF0000;
constexpr COLORREF kFileoutFrameColor = MakeColorref(0, 128, 0);

constexpr int kCrossArm = 40;
constexpr int kScaleBarWidth = 300;
constexpr int kScaleBarHeight = 45;
constexpr int kScaleBarBitmapWidth = 1000;
constexpr int32_t kScaleBarReduction = 25000;
constexpr int kFirstScaleBarLevelIndex = 5;  // level 12
constexpr double kScreenFontFactor = 0.3;
// Tiles that arrive while others are still coming are shown within a frame of 60 Hz.
constexpr int kTilePaintMs = 16;

constexpr QRgb kHighlightFill = 0x500000FF;
constexpr QRgb kHighlightOutline = 0x960000FF;

int LayoutIndex(int32_t index) {
    return std::clamp(index, 0, kOutputSettingCount - 1);
}

}  // namespace

CHollowfernPlotterView::CHollowfernPlotterView(MapViewOwner* owner, QWidget* parent)
    : QWidget(parent),
      m_owner(owner),
      m_messages(&owner->messages(), this),
      m_labelFont(FontOfLogFont(DefaultLogFont())),
      m_tileNotice(new TileNotice(this)),
      m_saveNotice(new QLabel(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_saveNotice->setObjectName("SaveNotice");
    m_saveNotice->setWordWrap(true);
    m_saveNotice->setMargin(4);
    m_saveNotice->setAutoFillBackground(true);
    m_saveNotice->setStyleSheet(
        "background: #ffd6d6; color: black; border-top: 1px solid #c00000;");
    m_saveNotice->hide();
    connect(&m_edgeTick, &QTimer::timeout, this, [this] { OnEdgeTick(); });
    m_tilePaint.setSingleShot(true);
    m_tilePaint.setInterval(kTilePaintMs);
    connect(&m_tilePaint, &QTimer::timeout, this, [this] { update(); });
}

CHollowfernPlotterView::~CHollowfernPlotterView() {
    m_saver.reset();
    m_patternSaver.reset();
    if (!m_composer) return;
    // No tile may call back into a view that is going: stop the composition and wait for
    // the repaints already under way, then stop the providers.
    m_composer->CancelComposition();
    m_composer->WaitUntilDone(std::chrono::seconds(30));
    m_composer.reset();
}

void CHollowfernPlotterView::OnInitialUpdate() {
    CSetData& settings = m_owner->settings();
    m_nav.Load(settings);
    SetUpFrames();
    const OutputSetting& print =
        settings.m_outputSettings[static_cast<std::size_t>(LayoutIndex(settings.m_selectPrint))];
    m_composer = std::make_unique<CCreateMap>(
        settings.m_memoryMapMax, settings.m_mapHighSpeedDownload, print.mapType, &m_messages);
    // The box shows the start level's own factor, which the first paint then reads.
    m_owner->SetTileScalingText(m_nav.scaling());
    StartWrite();
    Refresh();
}

void CHollowfernPlotterView::StoreState(CSetData* settings) const {
    m_nav.Store(settings);
}

void CHollowfernPlotterView::SetUpFrames() {
    const CSetData& settings = m_owner->settings();
    SetUpPrintFrame();
    BoundsFrame& fileout = m_frames[kFileoutFrameSlot];
    fileout.label = "File out bounds";
    fileout.color = kFileoutFrameColor;
    fileout.kind =
        settings.m_displayFileoutRange ? BoundsFrame::kFileoutBounds : BoundsFrame::kHidden;
    fileout.center = settings.m_fileoutCenter;
    fileout.width = settings.m_fileoutLongitude;
    fileout.height = settings.m_fileoutLatitude;
}

void CHollowfernPlotterView::SetUpPrintFrame() {
    const CSetData& settings = m_owner->settings();
    const OutputSetting& layout = PrintLayout();
    BoundsFrame& print = m_frames[kPrintFrameSlot];
    print.label = "Print out bounds";
    print.color = kPrintFrameColor;
    print.kind = settings.m_displayPrintRange ? BoundsFrame::kPrintBounds : BoundsFrame::kHidden;
    print.center = settings.m_printCenter;
    if (!m_printer) printer();  // reads the metrics
    const PrintBoundsSize size = ComputePrintBounds(layout, m_printerMetrics, print.center.lat);
    print.width = size.widthGeo;
    print.height = size.heightGeo;
    print.columns = std::max(1, layout.numberHorizontal);
    print.rows = std::max(1, layout.numberVertical);
}

QPrinter& CHollowfernPlotterView::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printerMetrics = MetricsOf(m_printer->pageLayout(), m_printer->resolution());
    }
    return *m_printer;
}

void CHollowfernPlotterView::OnPrinterChanged() {
    m_printerMetrics = MetricsOf(printer().pageLayout(), printer().resolution());
    SetUpPrintFrame();
    Refresh();
}

void CHollowfernPlotterView::OnMovePrintBounds() {
    CSetData& settings = m_owner->settings();
    const PrintBoundsSize size =
        ComputePrintBounds(PrintLayout(), m_printerMetrics, m_nav.center().lat);
    settings.m_printCenter = ClampPrintCenter(m_nav.center(), size, m_nav.serviceArea());
    SetUpPrintFrame();
    Refresh();
}

void CHollowfernPlotterView::MoveToPrintPosition(GeoPoint center) {
    m_owner->settings().m_printCenter = center;
    m_nav.SetCenter(center);
    SetUpPrintFrame();
    Refresh();
}

void CHollowfernPlotterView::MoveCenterTo(GeoPoint center) {
    m_nav.SetCenter(center);
    m_nav.ClampCenter();
    Refresh();
}

const OutputSetting& CHollowfernPlotterView::PrintLayout() const {
    const CSetData& settings = m_owner->settings();
    return settings.m_outputSettings[static_cast<std::size_t>(LayoutIndex(settings.m_selectPrint))];
}

const OutputSetting& CHollowfernPlotterView::ScreenLayout() const {
    const CSetData& settings = m_owner->settings();
    return settings
        .m_outputSettings[static_cast<std::size_t>(LayoutIndex(settings.m_selectScreen))];
}

void CHollowfernPlotterView::Refresh() {
    if (m_composer) m_composer->CancelComposition();
    m_mapValid = false;
    repaint();
}

void CHollowfernPlotterView::OnRefresh() {
    m_forceReload = true;
    Refresh();
}

void CHollowfernPlotterView::Apply(const MapNavigation::Step& step) {
    if (!step.moved) return;
    if (step.clearPatternSelection) {
        m_owner->ClearPatternSelection();
        if (m_nWriteMode == kPatternMode) OnPatternBoxChanged();
    }
    m_owner->SetTileScalingText(m_nav.scaling());
    m_owner->EditStateChanged();  // editing objects depends on the level
    Refresh();
}

void CHollowfernPlotterView::OnZoomIn() {
    Apply(m_nav.ZoomIn());
}

void CHollowfernPlotterView::OnZoomOut() {
    Apply(m_nav.ZoomOut());
}

void CHollowfernPlotterView::OnSelectLevel(int levelIndex) {
    Apply(m_nav.SelectLevel(levelIndex));
}

void CHollowfernPlotterView::OnUpdate() {
    double factor = m_nav.scaling();
    if (ParseScalingText(m_owner->TileScalingText(), &factor)) m_nav.SetScaling(factor);
    m_nav.LoadOptions(m_owner->settings());
    SetUpFrames();
    Refresh();
}

void CHollowfernPlotterView::SetHighlight(int32_t west, int32_t north, int32_t east,
                                          int32_t south) {
    m_highlightWest = west;
    m_highlightNorth = north;
    m_highlightEast = east;
    m_highlightSouth = south;
    update();
}

void CHollowfernPlotterView::ClearHighlight() {
    m_highlightWest = -1;
    update();
}

void CHollowfernPlotterView::OnTileArrived() {
    QMetaObject::invokeMethod(
        this, [this] { RepaintForTiles(); }, Qt::QueuedConnection);
}

void CHollowfernPlotterView::UpdateTileNotice() {
    if (m_composer) m_tileNotice->Update(m_composer->stats(), m_composer->IsDone());
}

void CHollowfernPlotterView::RepaintForTiles() {
    if (!m_composer) return;
    UpdateTileNotice();
    if (m_composer->pending() == 0) {
        m_tilePaint.stop();
        update();
    } else if (!m_tilePaint.isActive()) {
        m_tilePaint.start();
    }
}

const CDivBitmap& CHollowfernPlotterView::mapBitmap() const {
    static const CDivBitmap kNone;
    return m_composer ? m_composer->composed() : kNone;
}

bool CHollowfernPlotterView::ComposeMap() {
    double factor = m_nav.scaling();
    if (ParseScalingText(m_owner->TileScalingText(), &factor)) m_nav.SetScaling(factor);

    const CSetData& settings = m_owner->settings();
    MapRequest request;
    request.highSpeed = settings.m_mapHighSpeedDownload;
    request.mapType = ScreenLayout().mapType;
    request.levelIndex = m_nav.levelIndex();
    request.scale = m_nav.scaling();
    // The composition is the view's map, in one block: nothing copies it but the paint.
    request.blockSize = 0;
    request.width = width();
    request.height = height();
    request.centerLon = m_nav.center().lon;
    request.centerLat = m_nav.center().lat;
    request.forceReload = m_forceReload;
    request.notify = [this] { OnTileArrived(); };
    if (!m_composer->CreateMap(request)) return false;
    // The banner follows the new composition, once this paint is over (it may show or hide);
    // the map needs no second paint.
    QMetaObject::invokeMethod(
        this, [this] { UpdateTileNotice(); }, Qt::QueuedConnection);
    m_nav.SetComposed(request);
    m_forceReload = false;
    m_mapValid = true;
    return true;
}

void CHollowfernPlotterView::paintEvent(QPaintEvent*) {
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) return;
    QPainter screen(this);
    if (!m_composer || (!m_mapValid && !ComposeMap())) {
        screen.fillRect(rect(), Qt::white);
        return;
    }
    // The map goes to the window and everything else is drawn over it there, so that the
    // map stays as composed (late tiles are drawn into it) without a copy of it to draw on.
    m_composer->composed().DrawTo(screen);
    CDivBitmap window(screen, w, h);
    const ViewTransform view = Transform();
    // Layers from the bottom up: the overlay, then the screen layout's grid lines (small
    // labels, no server query while painting), the bounds frames, the spots, the highlight,
    // the centre cross and the scale bar.
    DrawOverlay(window, view);
    RenderGridLines(window, PageGeometry::OfView(view), ScreenLayout(),
                    GridLineOptions{kScreenFontFactor, false, true});
    for (BoundsFrame& frame : m_frames) {
        if (frame.kind != BoundsFrame::kHidden) DrawBoundsFrame(window, frame, view, m_labelFont);
    }
    DrawSpots(window, view);
    DrawHighlight(window, view);
    if (m_owner->settings().m_displayCenterCross) DrawCenterCross(window);
    DrawScaleBar(window);
    if (!m_shownComplete && m_composer->IsDone()) {
        m_shownComplete = true;
        Trace("first complete map painted");
    }
}

void CHollowfernPlotterView::DrawHighlight(CDivBitmap& target, const ViewTransform& view) {
    if (m_highlightWest == -1) return;
    int left, top, right, bottom;
    view.GeoToClient({m_highlightNorth, m_highlightWest}, &left, &top);
    view.GeoToClient({m_highlightSouth, m_highlightEast}, &right, &bottom);
    const QRectF area(left, top, static_cast<double>(right) - left,
                      static_cast<double>(bottom) - top);
    target.FillRectangle(QBrush(QColor::fromRgba(kHighlightFill)), area);
    target.DrawRectangle(QPen(QColor::fromRgba(kHighlightOutline), 3), area);
}

void CHollowfernPlotterView::DrawCenterCross(CDivBitmap& target) {
    const int cx = width() / 2, cy = height() / 2;
    const QPen pen(QColor(255, 0, 0), 1);
    target.DrawLine(pen, QPointF(cx, cy - kCrossArm), QPointF(cx, cy + kCrossArm));
    target.DrawLine(pen, QPointF(cx - kCrossArm, cy), QPointF(cx + kCrossArm, cy));
}

void CHollowfernPlotterView::DrawScaleBar(CDivBitmap& target) {
    if (m_nav.levelIndex() < kFirstScaleBarLevelIndex) return;
    const int position = ScreenLayout().scale;
    if (position < 1 || position > 4) return;
    const double metresPerPixel = ScaleBarMetresPerPixel();
    const ScaleNotationLayout layout =
        LayoutScaleNotation(kScaleBarWidth, kScaleBarHeight, kScaleBarReduction, metresPerPixel);
    if (layout.width <= 0) return;
    QImage bar(std::max(kScaleBarBitmapWidth, layout.width), kScaleBarHeight, QImage::Format_RGB32);
    bar.fill(Qt::white);
    int barWidth = kScaleBarWidth;
    {
        QPainter painter(&bar);
        DrawScaleNotation(painter, &barWidth, kScaleBarHeight, kScaleBarReduction, metresPerPixel);
    }
    int x = 0, y = 0;
    ScaleNotationPosition(position, width(), height(), barWidth, kScaleBarHeight, &x, &y);
    target.StretchIn(x, y, barWidth, kScaleBarHeight, bar.copy(0, 0, barWidth, kScaleBarHeight));
}

double CHollowfernPlotterView::ScaleBarMetresPerPixel() const {
    // Ground along the parallel over the pixels across it, as the printed notation measures:
    // the vertical density would make the bar 1/cos(latitude) too long.
    const ViewTransform view = Transform();
    return MetresPerArcSecondOfLongitude(view.center.lat) / (view.kx() * 100);
}

void CHollowfernPlotterView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Refresh();
}

void CHollowfernPlotterView::mousePressEvent(QMouseEvent* event) {
    if (!m_composer) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::RightButton) {
        m_rightTakenByEditing = EditRightPress(event);
        return;
    }
    // Editing takes the press first and offers it to the bounds frames once a drawing mode and
    // the handles of the selection have passed on it; what nobody takes drags the map.
    if (event->button() != Qt::LeftButton || EditPress(event)) return;
    const QPoint p = event->position().toPoint();
    if (ClickSpotAt(p)) return;
    setCursor(Qt::ClosedHandCursor);
    m_nav.BeginDrag(p.x(), p.y());
}

bool CHollowfernPlotterView::GripFrame(const QPoint& p) {
    m_frameGrip = GripBoundsFrame(m_frames, p, rect());
    if (m_frameGrip.slot < 0) return false;
    m_frameAtPress = m_frames[static_cast<std::size_t>(m_frameGrip.slot)];
    m_framePress = p;
    return true;
}

void CHollowfernPlotterView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    // A release that went elsewhere (a menu or another window took the mouse) ends the drag
    // here: the map must not follow a mouse whose button is up.
    if (m_nav.dragging() && !(event->buttons() & Qt::LeftButton)) EndDrag();
    if (m_frameGrip.slot >= 0 && !(event->buttons() & Qt::LeftButton)) EndFrameDrag();
    if (m_frameGrip.slot >= 0) {
        DragBoundsFrame(m_frames[static_cast<std::size_t>(m_frameGrip.slot)], m_frameAtPress,
                        m_frameGrip, p - m_framePress, Transform(), m_nav.serviceArea());
        update();
        ShowCursorText(p);
        return;
    }
    if (m_nav.dragging() && m_nav.DragTo(p.x(), p.y(), width(), height())) Refresh();
    ShowCursorText(p);
    ShowSpotUnder(p);
    if (!m_nav.dragging()) EditMove(event);
}

void CHollowfernPlotterView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_frameGrip.slot >= 0)
        EndFrameDrag();
    else if (m_nav.dragging())
        EndDrag();
    else
        EditRelease(event);
}

void CHollowfernPlotterView::EndFrameDrag() {
    CSetData& settings = m_owner->settings();
    const BoundsFrame& frame = m_frames[static_cast<std::size_t>(m_frameGrip.slot)];
    if (m_frameGrip.slot == kPrintFrameSlot) {
        settings.m_printCenter = frame.center;
        SetUpPrintFrame();  // its ground size follows the latitude
    } else if (m_frameGrip.slot == kFileoutFrameSlot) {
        settings.m_fileoutCenter = frame.center;
        settings.m_fileoutLongitude = frame.width;
        settings.m_fileoutLatitude = frame.height;
    }
    m_frameGrip = FrameGrip{};
    update();
}

void CHollowfernPlotterView::EndDrag() {
    if (!m_nav.dragging()) return;
    m_nav.EndDrag();
    unsetCursor();
    Refresh();
}

void CHollowfernPlotterView::wheelEvent(QWheelEvent* event) {
    if (!m_composer || m_owner->PatternSelected() || m_nav.wheelOff()) {
        QWidget::wheelEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    Apply(m_nav.Wheel(event->angleDelta().y(), p.x(), p.y(), width(), height()));
    event->accept();
}

void CHollowfernPlotterView::contextMenuEvent(QContextMenuEvent* event) {
    // The right button already opened the object menu or ended a write mode.
    if (std::exchange(m_rightTakenByEditing, false)) return;
    // The menu takes the mouse; the release of a drag's button would never come here.
    EndDrag();
    if (m_contextMenu) m_contextMenu->exec(event->globalPos());
}

void CHollowfernPlotterView::ShowCursorText(QPoint point) {
    const GeoPoint cursor = Transform().ClientToGeo(point.x(), point.y());
    const COLORREF color = mapBitmap().GetPixel(point.x(), point.y());
    m_owner->SetStatusText(FormatStatusText(m_nav.level(), cursor, m_nav.center(), RedOf(color),
                                            GreenOf(color), BlueOf(color)));
}

}  // namespace hfp
