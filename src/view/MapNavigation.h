#pragma once

#include <array>
#include <cstdint>

#include "geo/GeoPoint.h"
#include "geo/Projection.h"

namespace hfp {

class CSetData;
struct MapRequest;

// Where the map view looks and how the user moves it: the centre, the zoom level, the tile
// scaling factor of every level, and the arithmetic of zooming, wheel steps and dragging.
// The view asks it for every step and then composes the map again.
class MapNavigation {
  public:
    // What a step asks of the view besides a new map.
    struct Step {
        bool moved = false;  // the centre or the level changed
        bool clearPatternSelection = false;
        bool clearObjectSelection = false;
    };

    // One notch of a mouse wheel.
    static constexpr int kWheelNotch = 120;

    MapNavigation();

    // The view's start state and wheel options from the settings, and back.
    void Load(const CSetData& settings);
    void Store(CSetData* settings) const;
    // Only the wheel options, which the settings may change while the view runs.
    void LoadOptions(const CSetData& settings);

    GeoPoint center() const { return m_center; }
    void SetCenter(GeoPoint center) { m_center = center; }
    int levelIndex() const { return m_levelIndex; }
    int level() const { return LevelOfIndex(m_levelIndex); }
    // The tile scaling factor of the current level and of any level index.
    double scaling() const { return m_scaling[static_cast<std::size_t>(m_levelIndex)]; }
    double scaling(int levelIndex) const { return m_scaling[static_cast<std::size_t>(levelIndex)]; }
    void SetScaling(double factor) { m_scaling[static_cast<std::size_t>(m_levelIndex)] = factor; }

    bool wheelReverse() const { return m_wheelReverse; }
    bool wheelNoMove() const { return m_wheelNoMove; }
    bool wheelOff() const { return m_wheelOff; }

    // The level and service area of the last composition; the centre is clamped to that area.
    void SetComposed(const MapRequest& request);
    int composedLevel() const { return m_composedLevel; }
    // The service area (west, east, south, north) of the last composition.
    const std::array<int32_t, 4>& serviceArea() const { return m_bounds; }
    void ClampCenter();

    // The screen <-> geo linearisation for a client area of width × height.
    ViewTransform Transform(int width, int height) const;

    Step ZoomIn();
    Step ZoomOut();
    // Jumps to level index 0 to 4 (the whole country down to a region).
    Step SelectLevel(int levelIndex);
    // A wheel turn of `delta` (positive away from the user) with the mouse at (mx, my) in a
    // client area of width × height. Turns are added up to whole notches; each notch away from
    // the user zooms in, each toward the user zooms out (the reverse with the reverse option).
    // Zooming in first moves the point under the mouse to the centre unless the no-move option
    // is on.
    Step Wheel(int delta, int mx, int my, int width, int height);

    // Dragging the map: the point pressed follows the mouse.
    void BeginDrag(int x, int y);
    // Moves the centre by the mouse's way since the last step; true when it moved.
    bool DragTo(int x, int y, int width, int height);
    void EndDrag() { m_dragging = false; }
    bool dragging() const { return m_dragging; }

  private:
    Step WheelZoomIn(int mx, int my, int width, int height);
    Step WheelZoomOut();

    GeoPoint m_center = kDefaultCenter;
    int m_levelIndex = 0;
    std::array<double, kLevelCount> m_scaling{};
    bool m_wheelReverse = false;
    bool m_wheelNoMove = false;
    bool m_wheelOff = false;
    int m_wheelRest = 0;  // part of a notch not yet acted on

    int m_composedLevel = 0;
    std::array<int32_t, 4> m_bounds{kServiceWest, kServiceEast, kServiceSouth, kServiceNorth};

    bool m_dragging = false;
    int m_lastX = 0;
    int m_lastY = 0;
    double m_dragRestLon = 0;  // geo units moved but not yet applied
    double m_dragRestLat = 0;
};

}  // namespace hfp
