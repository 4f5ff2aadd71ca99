#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compose/CreateMap.h"
#include "compose/DivBitmap.h"
#include "print/OutputSetting.h"
#include "print/PrintJob.h"
#include "view/BoundsFrame.h"
#include "view/DeferredMessages.h"
#include "view/MapNavigation.h"
#include "view/TileNotice.h"
#include "write/LogFont.h"
#include "write/PropertySettings.h"
#include "write/Write.h"
#include "write/WritePattern.h"

class QLabel;
class QMenu;
class QPrinter;

namespace hfp {

class CSetData;
class MapViewOwner;
class SpotLayer;
class WriteSaver;

// The map view: the map around a centre at one of the twelve zoom levels, scaled by the
// level's tile scaling factor, with the bounds frames, a highlight, the centre cross and the
// scale bar on top. The user moves it by dragging, zooms with commands, keys and the wheel,
// and reads the place and colour under the cursor in the status bar.
//
// Every navigation step cancels the running composition and paints at once; the paint
// composes a new map from the tiles in memory, and the tiles that come later from disk or
// the network repaint the view through OnTileArrived, posted from the provider threads.
//
// The view also edits the overlay: it owns the write sets (CWrite) and the editing state, draws
// the visible sets over the map, and turns mouse, keys and the edit commands into changes of
// the current set (the one the owner's write-set box shows). Every committed change pushes an
// undo snapshot and hands the snapshots to a WriteSaver, which has write.dat on disk within
// seconds on its own thread; the view saves the live sets once more when the program ends.
class CHollowfernPlotterView : public QWidget {
  public:
    explicit CHollowfernPlotterView(MapViewOwner* owner, QWidget* parent = nullptr);
    ~CHollowfernPlotterView() override;

    // Reads the start state from the settings, sets up the frames, starts the composer and
    // asks for the first paint.
    void OnInitialUpdate();
    // Writes the view's place and tile scaling factors into the settings.
    void StoreState(CSetData* settings) const;

    // Drops the map and paints at once, composing a new one.
    void Refresh();
    // The commands.
    void OnRefresh();  // downloads the visible tiles again, once
    void OnZoomIn();
    void OnZoomOut();
    void OnSelectLevel(int levelIndex);
    // The settings or the tile scaling changed.
    void OnUpdate();

    // Centres the print-out bounds on the view, inside the service area, and keeps the centre
    // in the settings.
    void OnMovePrintBounds();
    // Makes `center` the print centre and the view's centre (a place from the print history).
    void MoveToPrintPosition(GeoPoint center);
    // Centres the map on `center`, inside the service area, and paints at once.
    void MoveCenterTo(GeoPoint center);
    // The area the view shows: west, south, east and north edges.
    GeoBox VisibleArea() const { return ViewGeoBox(Transform()); }
    // The printer the print commands use; the print-out bounds follow its printable area.
    QPrinter& printer();
    // Reads the printer's printable area again and resizes the print-out bounds to it.
    void OnPrinterChanged();
    const PrinterMetrics& printerMetrics() const { return m_printerMetrics; }

    // A geo rectangle to mark on the map, or none.
    void SetHighlight(int32_t west, int32_t north, int32_t east, int32_t south);
    void ClearHighlight();

    void SetContextMenu(QMenu* menu) { m_contextMenu = menu; }

    // The spots over the map, once the spot service's login succeeded: the view owns the
    // layer from then on, draws it while the spot display setting is on, and routes hover and
    // double click to it.
    void SetSpotLayer(std::unique_ptr<SpotLayer> layer);
    SpotLayer* spotLayer() { return m_spotLayer.get(); }
    // What a single click on a shown spot does (the embedded browser shows the spot's page);
    // without it the press drags the map as anywhere else.
    void SetSpotClick(std::function<void(const std::string& spotId)> onClick) {
        m_spotClick = std::move(onClick);
    }

    // Overlay editing. Write modes: -1 none, 0 select, 1 connected line, 2 rectangle,
    // 3 ellipse, 4 string, 5 picture, 6 the write pattern chosen in the pattern box.
    enum WriteMode {
        kNoMode = -1,
        kSelectMode = 0,
        kLineMode,
        kRectangleMode,
        kEllipseMode,
        kStringMode,
        kPictureMode,
        kPatternMode
    };
    // The settings a new object takes.
    using CurrentString = WriteStringSettings;
    using CurrentPicture = WritePictureSettings;

    CWrite& write() { return m_write; }
    int writeMode() const { return m_nWriteMode; }
    const std::vector<CWriteObject*>& selection() const { return m_aSelected; }
    const CWriteObject* creating() const { return m_pCreating.get(); }
    // Mode commands: toggle the mode. String and Picture edit the one selected object of
    // their class instead, and ask for the current string or picture when the mode starts.
    void OnWriteMode(int mode);
    void OnWriteString();
    void OnWritePicture();
    void OnEditUndo();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    void OnEditDelete();
    void OnMostFront();
    void OnMostBack();
    void OnFront();
    void OnBack();
    void OnColorSelect();
    void OnLineStyle();
    // A transparency (percent) from the menu or the box: new objects and the selection get it.
    void OnTransparency(int percent);
    // The write-set box now shows another set.
    void OnWriteSetChanged();
    // "Write set": edits the list of sets, then centres the map on the set chosen there.
    void OnWriteSetDialog();
    // "Write pattern": edits the patterns (offering the one selected object as a new one);
    // the pattern chosen there starts mode 6.
    void OnWritePattern();
    // The pattern box now shows another item: a pattern starts mode 6, "(Unselected)" ends it.
    void OnPatternBoxChanged();
    CWritePattern& patterns() { return m_patterns; }
    bool CanEditObjects() const;  // zoom level 15 or more
    bool CanUndo() const;
    COLORREF currentColor() const { return m_crCurrent; }
    int currentSize() const { return m_nCurSize; }
    int currentStyle() const { return m_nCurStyle; }
    CurrentString& currentString() { return m_CurString; }
    CurrentPicture& currentPicture() { return m_CurPicture; }
    // Writes the live sets to write.dat now (at exit, after the saving thread has stopped).
    bool SaveWriteOnExit();
    // True while a committed change is not yet on disk.
    bool AutosavePending() const;

    MapNavigation& navigation() { return m_nav; }
    const MapNavigation& navigation() const { return m_nav; }
    CCreateMap* composer() { return m_composer.get(); }
    bool forceReload() const { return m_forceReload; }
    // The composed map: the screen's composition of the composer (empty before the start).
    const CDivBitmap& mapBitmap() const;
    // True once the map of the current place has been composed (its late tiles may still be
    // on their way); false from a navigation step to the paint that composes the new map.
    bool mapComposed() const { return m_mapValid; }
    const BoundsFrames& frames() const { return m_frames; }
    ViewTransform Transform() const { return m_nav.Transform(width(), height()); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Called on a provider thread after a late tile was drawn into the map or failed.
    void OnTileArrived();
    // On the user interface thread, after OnTileArrived: repaints at once when the map is
    // complete, else within one frame, so that a burst of tiles from disk costs one paint.
    void RepaintForTiles();
    // The banner follows the composition's figures.
    void UpdateTileNotice();
    void Apply(const MapNavigation::Step& step);
    // Ends a map drag: the hand cursor goes and the map is composed once more.
    void EndDrag();
    void SetUpFrames();
    // The print-out bounds from the print centre, the print layout and the printer.
    void SetUpPrintFrame();
    // Stores the dragged frame's place and size in the settings and redraws.
    void EndFrameDrag();
    // Starts a drag of the bounds frame whose outline or handle is at `p`; false for none.
    bool GripFrame(const QPoint& p);
    const OutputSetting& PrintLayout() const;
    bool ComposeMap();
    // The decorations, drawn over the map onto `target` (the window).
    void DrawHighlight(CDivBitmap& target, const ViewTransform& view);
    void DrawCenterCross(CDivBitmap& target);
    void DrawScaleBar(CDivBitmap& target);
    // Ground metres per screen pixel across the view's centre, which the scale bar shows.
    double ScaleBarMetresPerPixel() const;
    void ShowCursorText(QPoint point);
    // The spot layer's step of painting (SpotLayerView.cpp): asks for a new picture when the
    // view moved, and draws the current one.
    void DrawSpots(CDivBitmap& target, const ViewTransform& view);
    // Hover over a spot: its text in the status line and the hand cursor.
    void ShowSpotUnder(QPoint point);
    // A double click on a spot opens its page in the web browser; false when none is there.
    bool OpenSpotPageAt(QPoint point);
    // A click on a spot goes to the spot click; false when it is not taken.
    bool ClickSpotAt(QPoint point);
    bool SpotsShown() const;
    const OutputSetting& ScreenLayout() const;

    // Overlay editing (OverlayEditing.cpp).
    void StartWrite();
    void DrawOverlay(CDivBitmap& target, const ViewTransform& view);
    GeoBox ViewGeoBox(const ViewTransform& view) const;
    WriteTransform ObjectTransform() const;
    GeoPoint GeoAt(QPoint p) const;
    int CurrentSet() const;
    WRITE_SET* CurrentSetOrNull();
    void RefillWriteSetBox();
    // True when the press was taken by editing.
    bool EditPress(QMouseEvent* event);
    bool EditMove(QMouseEvent* event);
    bool EditRelease(QMouseEvent* event);
    bool EditRightPress(QMouseEvent* event);
    void BeginCreateAt(int flags, GeoPoint g);
    std::unique_ptr<CWriteObject> NewObjectOfMode() const;
    void CommitCreated();
    void CancelCreating();
    // Deletes the object being created; a line being extended goes back to its set unchanged.
    void DropCreating();
    // The object of a set under the point, tried from the front; null when none.
    CWriteObject* ObjectAt(int setIndex, GeoPoint g) const;
    void SelectObject(CWriteObject* object);
    void DeselectAll();
    void StartObjectDrag(int handle, GeoPoint g);
    void BandSelect(int flags);
    void EndMode();
    void ShowModePrompt();
    void SetWriteModeAndReset(int mode);
    void Hover(QPoint p, int flags);
    // UpdateSetBox, PushUndo and the autosave of the current set after an edit.
    void CommitEdit(bool geometry = true);
    void ScheduleSave();
    void SchedulePatternSave();
    void RefillPatternBox();
    // A save of write.dat or writepat.dat ended: the notice says which one fails, if any.
    void OnSaveReport(bool* failed, const char* what, const std::string& error);
    void OnEdgeTick();
    void StartEdgeTick();
    void StopEdgeTick();
    void ShowObjectMenu(QPoint globalPos);
    // Sets an attribute of every selected object and commits the change.
    void ApplyToSelection(const std::function<void(CWriteObject&)>& apply);
    void MoveSelection(bool toFront, bool allTheWay);
    CWriteObject* SoleSelected(int32_t type) const;
    bool AskString(bool forSelected);
    bool AskPicture(CurrentPicture* picture, const QString& note);

    MapViewOwner* m_owner;
    DeferredMessages m_messages;
    MapNavigation m_nav;
    std::unique_ptr<CCreateMap> m_composer;
    bool m_mapValid = false;
    bool m_forceReload = false;
    BoundsFrames m_frames;
    std::unique_ptr<QPrinter> m_printer;  // made when first needed
    PrinterMetrics m_printerMetrics;
    int32_t m_highlightWest = -1;  // -1: no highlight
    int32_t m_highlightNorth = 0;
    int32_t m_highlightEast = 0;
    int32_t m_highlightSouth = 0;
    QFont m_labelFont;
    QMenu* m_contextMenu = nullptr;
    TileNotice* m_tileNotice;      // child widget, says when tiles cannot be downloaded
    bool m_shownComplete = false;  // the first complete map has been painted

    // Overlay editing state.
    CWrite m_write;
    std::unique_ptr<WriteSaver> m_saver;
    CWritePattern m_patterns;
    std::unique_ptr<WriteSaver> m_patternSaver;
    int m_nWriteMode = kNoMode;
    std::unique_ptr<CWriteObject> m_pCreating;
    struct Extended {
        std::unique_ptr<CWriteObject> object;  // the line as it was before the extension
        int set = 0;                           // its set
        std::size_t index = 0;                 // and its place in the set
    } m_extended;
    std::vector<CWriteObject*> m_aSelected;
    bool m_objectDrag = false;  // the editing side's drag state 3
    int m_nDragHandle = kHandleNone;
    GeoPoint m_ptDragStart;
    GeoPoint m_ptDragLast;
    bool m_band = false;  // m_rcBand's first corner is set
    GeoPoint m_bandFirst;
    GeoPoint m_bandSecond;
    COLORREF m_crCurrent = 0;
    std::array<COLORREF, 16> m_acrCustom{};
    int m_nCurSize = 1;
    int m_nCurStyle = 0;
    CurrentString m_CurString;
    CurrentPicture m_CurPicture;
    QTimer m_edgeTick;
    QTimer m_tilePaint;    // the paint for the tiles that came since the last one
    QLabel* m_saveNotice;  // child widget, says that write.dat could not be saved
    bool m_saveFailed = false;
    // A bounds frame being dragged: what was gripped, the frame and the press when it began.
    FrameGrip m_frameGrip;
    BoundsFrame m_frameAtPress;
    QPoint m_framePress;
    bool m_patternSaveFailed = false;
    bool m_rightTakenByEditing = false;  // the context menu event that follows is not the map's

    // Declared last: its render thread is stopped first when the view goes.
    std::unique_ptr<SpotLayer> m_spotLayer;
    ViewTransform m_spotView;  // the view the layer's current picture is for
    bool m_spotHover = false;  // the hand cursor is shown over a spot
    std::function<void(const std::string& spotId)> m_spotClick;
};

}  // namespace hfp
