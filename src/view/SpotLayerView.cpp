// The map view's part of the spot display: painting the spot layer, hover, click and double
// click.

#include <QDesktopServices>
#include <QUrl>

#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"
#include "spot/SpotLayer.h"
#include "view/HollowfernPlotterView.h"
#include "view/MapViewOwner.h"

namespace hfp {

namespace {

bool SameView(const ViewTransform& a, const ViewTransform& b) {
    return a.center == b.center && a.level == b.level && a.scale == b.scale && a.width == b.width &&
           a.height == b.height;
}

}  // namespace

void CHollowfernPlotterView::SetSpotLayer(std::unique_ptr<SpotLayer> layer) {
    m_spotLayer = std::move(layer);
    m_spotView = ViewTransform{};
    update();
}

bool CHollowfernPlotterView::SpotsShown() const {
    return m_spotLayer && m_owner->settings().m_cairnSpotDisplay;
}

void CHollowfernPlotterView::DrawSpots(CDivBitmap& target, const ViewTransform& view) {
    if (!SpotsShown()) return;
    if (!SameView(view, m_spotView)) {
        m_spotView = view;
        m_spotLayer->RequestRender(view);
    }
    m_spotLayer->DrawOnto(target);
}

void CHollowfernPlotterView::ShowSpotUnder(QPoint point) {
    const int index = SpotsShown() ? m_spotLayer->HitTest(point.x(), point.y()) : -1;
    if (index >= 0) {
        const CAIRN_SPOT& spot = m_spotLayer->spots()[index];
        m_owner->SetStatusText(spot.name + "(" + spot.third +
                               ") Double click=Show information on web browser.");
        setCursor(Qt::PointingHandCursor);
        m_spotHover = true;
    } else if (m_spotHover) {
        unsetCursor();
        m_spotHover = false;
    }
}

bool CHollowfernPlotterView::OpenSpotPageAt(QPoint point) {
    const int index = SpotsShown() ? m_spotLayer->HitTest(point.x(), point.y()) : -1;
    if (index < 0) return false;
    const std::string path = "/yama/shisetsu.html?shisetsuId=" + m_spotLayer->spots()[index].id;
    const QUrl url(QString::fromStdString(HttpUrl(ServiceHost(Service::SpotContent), path)));
    if (!QDesktopServices::openUrl(url))
        m_owner->messages().Show("Cannot lunch web browser.", MessageIcon::Error);
    return true;
}

bool CHollowfernPlotterView::ClickSpotAt(QPoint point) {
    const int index = m_spotClick && SpotsShown() ? m_spotLayer->HitTest(point.x(), point.y()) : -1;
    if (index < 0) return false;
    m_spotClick(m_spotLayer->spots()[index].id);
    return true;
}

}  // namespace hfp
