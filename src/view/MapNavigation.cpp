#include "view/MapNavigation.h"

#include <algorithm>

#include "compose/MapRequest.h"
#include "settings/SetData.h"

namespace hfp {

namespace {

// value + step, held to the 32-bit range: a step from a tiny density must not overflow.
int32_t Moved(int32_t value, double step) {
    return TruncToInt(value + step);
}

}  // namespace

MapNavigation::MapNavigation() {
    m_scaling.fill(1.0);
}

void MapNavigation::Load(const CSetData& settings) {
    m_levelIndex = std::clamp(settings.m_mapType, 0, kLevelCount - 1);
    m_center = settings.m_center;
    m_scaling = settings.m_zoom;
    LoadOptions(settings);
    m_composedLevel = level();
    ClampCenter();
}

void MapNavigation::LoadOptions(const CSetData& settings) {
    m_wheelReverse = settings.m_mouseWheelReverse;
    m_wheelNoMove = settings.m_mouseWheelNoMove;
    m_wheelOff = settings.m_mouseWheelInvalidity;
}

void MapNavigation::Store(CSetData* settings) const {
    settings->m_mapType = m_levelIndex;
    settings->m_center = m_center;
    settings->m_zoom = m_scaling;
}

void MapNavigation::SetComposed(const MapRequest& request) {
    m_composedLevel = request.levelOut;
    m_bounds = request.boundsOut;
}

void MapNavigation::ClampCenter() {
    m_center.lon = std::clamp(m_center.lon, m_bounds[0], m_bounds[1]);
    m_center.lat = std::clamp(m_center.lat, m_bounds[2], m_bounds[3]);
}

ViewTransform MapNavigation::Transform(int width, int height) const {
    ViewTransform t;
    t.center = m_center;
    t.level = level();
    t.scale = scaling();
    t.width = width;
    t.height = height;
    return t;
}

MapNavigation::Step MapNavigation::ZoomIn() {
    Step step;
    if (m_levelIndex >= kLevelCount - 1) return step;
    ++m_levelIndex;
    step.moved = true;
    return step;
}

MapNavigation::Step MapNavigation::ZoomOut() {
    Step step;
    if (m_levelIndex <= 0) return step;
    --m_levelIndex;
    step.moved = true;
    step.clearPatternSelection = m_levelIndex <= 8;
    step.clearObjectSelection = m_composedLevel < 15;
    return step;
}

MapNavigation::Step MapNavigation::SelectLevel(int levelIndex) {
    Step step;
    if (levelIndex < 0 || levelIndex > 4) return step;
    step.clearPatternSelection = step.clearObjectSelection = levelIndex <= 1;
    m_levelIndex = levelIndex;
    step.moved = true;
    return step;
}

MapNavigation::Step MapNavigation::Wheel(int delta, int mx, int my, int width, int height) {
    Step result;
    m_wheelRest += delta;
    while (m_wheelRest >= kWheelNotch || m_wheelRest <= -kWheelNotch) {
        const bool away = m_wheelRest > 0;
        m_wheelRest += away ? -kWheelNotch : kWheelNotch;
        Step step = away != m_wheelReverse ? WheelZoomIn(mx, my, width, height) : WheelZoomOut();
        result.moved |= step.moved;
        result.clearPatternSelection |= step.clearPatternSelection;
    }
    return result;
}

MapNavigation::Step MapNavigation::WheelZoomIn(int mx, int my, int width, int height) {
    Step step;
    if (m_levelIndex >= kLevelCount - 1) return step;
    if (!m_wheelNoMove) {
        const ViewTransform t = Transform(width, height);
        const double kx = t.kx(), ky = t.ky();
        m_center.lon = Moved(m_center.lon, -static_cast<double>(TruncToInt((width / 2 - mx) / kx)));
        m_center.lat = Moved(m_center.lat, TruncToInt((height / 2 - my) / ky));
        ClampCenter();
    }
    ++m_levelIndex;
    step.moved = true;
    return step;
}

MapNavigation::Step MapNavigation::WheelZoomOut() {
    Step step;
    if (m_levelIndex <= 0) return step;
    --m_levelIndex;
    step.moved = true;
    step.clearPatternSelection = m_levelIndex < 2;
    return step;
}

void MapNavigation::BeginDrag(int x, int y) {
    m_dragging = true;
    m_dragRestLon = m_dragRestLat = 0;
    m_lastX = x;
    m_lastY = y;
}

bool MapNavigation::DragTo(int x, int y, int width, int height) {
    if (!m_dragging) return false;
    const ViewTransform t = Transform(width, height);
    const GeoPoint before = m_center;
    // The parts of a geo unit that a step does not move are kept for the next step: at the
    // deepest levels a pixel is less than a geo unit, and a slow drag would not move at all.
    m_dragRestLon += (x - m_lastX) / t.kx();
    m_dragRestLat += (y - m_lastY) / t.ky();
    const int32_t moveLon = TruncToInt(m_dragRestLon), moveLat = TruncToInt(m_dragRestLat);
    m_dragRestLon -= moveLon;
    m_dragRestLat -= moveLat;
    m_center.lon = Moved(m_center.lon, -static_cast<double>(moveLon));
    m_center.lat = Moved(m_center.lat, moveLat);
    ClampCenter();
    if (m_center.lon != Moved(before.lon, -static_cast<double>(moveLon))) m_dragRestLon = 0;
    if (m_center.lat != Moved(before.lat, moveLat)) m_dragRestLat = 0;
    m_lastX = x;
    m_lastY = y;
    return m_center != before;
}

}  // namespace hfp
