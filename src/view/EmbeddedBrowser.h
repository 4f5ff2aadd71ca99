#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWebEngineView>
#include <string>

namespace hfp {

class CHollowfernPlotterView;

// The spot service's page beside the map: a web view, a child of the map view at the
// rectangle the login answer gives, that follows the map. It loads the page once with the
// session id, then every update interval the page for the area the view shows; a click on a
// spot loads that spot's page and starts the interval anew. A rectangle without width or
// height leaves it without a web view, nothing loaded and no timer; Close() hides it for the
// rest of the run. Lives on the window's thread; the view owns the web view as its child.
class EmbeddedBrowser : public QObject {
  public:
    // The shortest update interval taken; none at all for an interval of 0 or less.
    static constexpr int kMinUpdateIntervalMs = 1000;

    struct Settings {
        QRect rect;                // in view pixels
        std::string url;           // the page, "IEURL"
        std::string sessionId;     // "SID"
        int updateIntervalMs = 0;  // "IEUpdateInterval"
    };

    EmbeddedBrowser(CHollowfernPlotterView* view, Settings settings);

    bool shown() const;
    // Loads the page of the spot `spotId` and restarts the update timer; nothing once hidden.
    void ShowSpot(const std::string& spotId);
    // "/CloseIE": stops the timer and hides the browser for good.
    void Close();
    // Null when the rectangle had no size.
    QWebEngineView* web() const { return m_web; }

  private:
    // (Re)starts the update timer.
    void StartUpdates();
    // The timer: loads the page for the area the view shows.
    void Update();
    void Load(const std::string& query);

    CHollowfernPlotterView* m_view;
    Settings m_settings;
    QPointer<QWebEngineView> m_web;  // owned by the view
    QTimer m_update;
};

}  // namespace hfp
