#include "view/EmbeddedBrowser.h"

#include <QUrl>
#include <algorithm>

#include "geo/CoordinateText.h"
#include "view/HollowfernPlotterView.h"

namespace hfp {

EmbeddedBrowser::EmbeddedBrowser(CHollowfernPlotterView* view, Settings settings)
    : QObject(view), m_view(view), m_settings(std::move(settings)) {
    if (m_settings.rect.width() <= 0 || m_settings.rect.height() <= 0) return;
    m_web = new QWebEngineView(view);
    m_web->setGeometry(m_settings.rect);
    m_web->show();
    connect(&m_update, &QTimer::timeout, this, [this] { Update(); });
    Load({});
    StartUpdates();
}

void EmbeddedBrowser::StartUpdates() {
    // A missing or zero interval must not reload the page in a loop, nor a tiny one before it
    // has even loaded.
    if (m_settings.updateIntervalMs <= 0) return;
    m_update.start(std::max(m_settings.updateIntervalMs, kMinUpdateIntervalMs));
}

bool EmbeddedBrowser::shown() const {
    return m_web && !m_web->isHidden();
}

void EmbeddedBrowser::ShowSpot(const std::string& spotId) {
    if (!shown()) return;
    Load("&sw=Shisetsu&shisetsuId=" + spotId);
    StartUpdates();
}

void EmbeddedBrowser::Close() {
    if (!shown()) return;
    m_update.stop();
    m_web->hide();
}

void EmbeddedBrowser::Update() {
    const GeoPoint center = m_view->navigation().center();
    const GeoBox area = m_view->VisibleArea();
    Load("&sw=IntervalUpdate&centerLon=" + FormatDegrees(center.lon) +
         "&centerLat=" + FormatDegrees(center.lat) + "&minLon=" + FormatDegrees(area.left) +
         "&minLat=" + FormatDegrees(area.bottom) + "&maxLon=" + FormatDegrees(area.right) +
         "&maxLat=" + FormatDegrees(area.top));
}

void EmbeddedBrowser::Load(const std::string& query) {
    const std::string address = m_settings.url + "?SID=" + m_settings.sessionId + query;
    m_web->load(QUrl(QString::fromStdString(address)));
}

}  // namespace hfp
