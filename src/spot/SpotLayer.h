#pragma once

#include <QImage>
#include <array>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "geo/Projection.h"
#include "print/GridLines.h"
#include "spot/SpotFile.h"

namespace hfp {

class CDivBitmap;

// One drawn spot, for hit testing: its place in view pixels (y 12 above the icon's tip) and
// its index in the spot list.
struct CAIRN_SPOT_POINT {
    int32_t x = 0;
    int32_t y = 0;
    int index = 0;
};

// The spots over the map: the spot list loaded from the data folder's spot file, their icons
// (fetched from the spot content server on first use and kept in the data folder's "spot"
// folder), and a render thread that draws the visible spots into a transparent picture of
// the view's size.
//
// Threads: the render thread sleeps on a condition variable until RequestRender, draws, and
// calls the rendered callback (from the render thread) when a picture is complete. The spot
// list is written only by Load() on the user-interface thread while no render runs (Load
// waits for a running one to end). Locks: m_lock (render state, drawn points) and
// m_iconLock (icon table) are never held together.
class SpotLayer {
  public:
    SpotLayer(std::filesystem::path dataFolder, std::function<void()> rendered);
    ~SpotLayer();  // stops the render thread
    SpotLayer(const SpotLayer&) = delete;
    SpotLayer& operator=(const SpotLayer&) = delete;

    void SetIdLists(const SpotIdLists& lists);
    // Frees spots, drawn points and icons, then reads the spot file and draws the spots anew
    // for the last view; false when it cannot be read (the list is then empty).
    bool Load();
    const std::vector<CAIRN_SPOT>& spots() const { return m_spots; }

    // The view shows `view` now: start a new picture of the spots inside it.
    void RequestRender(const ViewTransform& view);
    // Draws the current picture onto `target`; true when it is complete.
    bool DrawOnto(CDivBitmap& target) const;
    // The spot drawn nearest the last within 10 pixels of (x, y), else -1.
    int HitTest(int x, int y) const;
    // Draws every spot inside the page onto it, icons enlarged `factor` times.
    void DrawForPrint(CDivBitmap& target, const PageGeometry& page, int factor = 5);

    // Ends the render thread and waits for it.
    void Stop();

  private:
    void Run();
    // Renders one picture; false when a newer request cut it short.
    bool Render();
    // The icon of (relation, icon), fetched and loaded on first use; null when it cannot be
    // had or the numbers lie outside the table.
    const QImage* Icon(int relation, int icon);

    const std::filesystem::path m_dataFolder;
    const std::function<void()> m_rendered;
    SpotIdLists m_lists;
    std::vector<CAIRN_SPOT> m_spots;

    std::mutex m_iconLock;
    // Empty optional: not fetched yet; an empty image: fetched and failed.
    std::array<std::array<std::optional<QImage>, kSpotIconCount>, kSpotRelationCount> m_icons;

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    QImage m_picture;
    ViewTransform m_view;
    std::vector<CAIRN_SPOT_POINT> m_points;
    bool m_requested = false;
    bool m_complete = false;
    bool m_rendering = false;
    bool m_running = true;
    std::thread m_thread;
};

}  // namespace hfp
