#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "compose/CreateMap.h"
#include "compose/DivBitmap.h"
#include "print/OutputSetting.h"
#include "view/BoundsFrame.h"
#include "view/DeferredMessages.h"
#include "view/MapNavigation.h"
#include "view/TileNotice.h"

class QMenu;

namespace hfp {

class CSetData;
class MapViewOwner;

// The map view: the map around a centre at one of the twelve zoom levels, scaled by the
// level's tile scaling factor, with the bounds frames, a highlight, the centre cross and the
// scale bar on top. The user moves it by dragging, zooms with commands, keys and the wheel,
// and reads the place and colour under the cursor in the status bar.
//
// Every navigation step cancels the running composition and paints at once; the paint
// composes a new map from the tiles in memory, and the tiles that come later from disk or
// the network repaint the view through OnTileArrived, posted from the provider threads.
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

    // A geo rectangle to mark on the map, or none.
    void SetHighlight(int32_t west, int32_t north, int32_t east, int32_t south);
    void ClearHighlight();

    void SetContextMenu(QMenu* menu) { m_contextMenu = menu; }

    MapNavigation& navigation() { return m_nav; }
    const MapNavigation& navigation() const { return m_nav; }
    CCreateMap* composer() { return m_composer.get(); }
    bool forceReload() const { return m_forceReload; }
    const CDivBitmap& mapBitmap() const { return m_map; }
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

  private:
    // Called on a provider thread after a late tile was drawn into the map or failed.
    void OnTileArrived();
    void Apply(const MapNavigation::Step& step);
    // Ends a map drag: the hand cursor goes and the map is composed once more.
    void EndDrag();
    void SetUpFrames();
    bool ComposeMap();
    void DrawHighlight(const ViewTransform& view);
    void DrawCenterCross();
    void DrawScaleBar();
    // Ground metres per screen pixel across the view's centre, which the scale bar shows.
    double ScaleBarMetresPerPixel() const;
    void ShowCursorText(QPoint point);
    const OutputSetting& ScreenLayout() const;

    MapViewOwner* m_owner;
    DeferredMessages m_messages;
    MapNavigation m_nav;
    std::unique_ptr<CCreateMap> m_composer;
    CDivBitmap m_map;   // the composed map, the composer's target
    CDivBitmap m_work;  // the map with everything drawn on it
    bool m_mapValid = false;
    bool m_forceReload = false;
    BoundsFrames m_frames;
    int32_t m_highlightWest = -1;  // -1: no highlight
    int32_t m_highlightNorth = 0;
    int32_t m_highlightEast = 0;
    int32_t m_highlightSouth = 0;
    QFont m_labelFont;
    QMenu* m_contextMenu = nullptr;
    TileNotice* m_tileNotice;      // child widget, says when tiles cannot be downloaded
    bool m_shownComplete = false;  // the first complete map has been painted
};

}  // namespace hfp
