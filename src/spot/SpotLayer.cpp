#include "spot/SpotLayer.h"

#include <QPainter>
#include <cmath>

#include "ProgramVersion.h"
#include "compose/DivBitmap.h"
#include "platform/HttpClient.h"
#include "platform/Services.h"

namespace hfp {

namespace {

// The icon's tip lies this far right of and below its top-left corner (screen pixels).
constexpr int kTipX = 9;
constexpr int kTipY = 22;
constexpr int kHitRadiusSquared = 100;
constexpr const char* kIconPrefixes[kSpotRelationCount] = {"gmap_", "gmap_hearsay_", "gmap_owner_"};

}  // namespace

SpotLayer::SpotLayer(std::filesystem::path dataFolder, std::function<void()> rendered)
    : m_dataFolder(std::move(dataFolder)), m_rendered(std::move(rendered)) {
    m_thread = std::thread([this] { Run(); });
}

SpotLayer::~SpotLayer() {
    Stop();
}

void SpotLayer::Stop() {
    {
        std::lock_guard guard(m_lock);
        m_running = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void SpotLayer::SetIdLists(const SpotIdLists& lists) {
    m_lists = lists;
}

bool SpotLayer::Load() {
    std::unique_lock guard(m_lock);
    // The render thread reads the spot list without the lock: wait until it is idle.
    m_requested = false;
    m_wake.wait(guard, [this] { return !m_rendering; });
    m_points.clear();
    m_complete = false;
    {
        std::lock_guard icons(m_iconLock);
        for (auto& relation : m_icons)
            relation.fill(std::nullopt);
    }
    const bool loaded = LoadSpotFile(m_dataFolder / kSpotFileName, m_lists, &m_spots);
    if (!m_picture.isNull()) {
        // The picture showed the old spots: draw the new ones for the same view.
        m_picture.fill(Qt::transparent);
        m_requested = true;
        m_wake.notify_all();
    }
    return loaded;
}

void SpotLayer::RequestRender(const ViewTransform& view) {
    {
        std::lock_guard guard(m_lock);
        m_points.clear();
        m_picture = QImage(std::max(view.width, 1), std::max(view.height, 1),
                           QImage::Format_ARGB32_Premultiplied);
        m_picture.fill(Qt::transparent);
        m_view = view;
        m_requested = true;
        m_complete = false;
    }
    m_wake.notify_all();
}

bool SpotLayer::DrawOnto(CDivBitmap& target) const {
    std::lock_guard guard(m_lock);
    if (!m_picture.isNull())
        target.DrawImage(QRectF(0, 0, m_picture.width(), m_picture.height()), m_picture);
    return m_complete;
}

int SpotLayer::HitTest(int x, int y) const {
    std::lock_guard guard(m_lock);
    for (auto it = m_points.rbegin(); it != m_points.rend(); ++it) {
        int64_t dx = x - it->x, dy = y - it->y;
        if (dx * dx + dy * dy < kHitRadiusSquared) return it->index;
    }
    return -1;
}

void SpotLayer::Run() {
    std::unique_lock guard(m_lock);
    while (true) {
        m_wake.wait(guard, [this] { return m_requested || !m_running; });
        if (!m_running) return;
        m_requested = false;
        m_rendering = true;
        guard.unlock();
        bool complete = Render();
        guard.lock();
        m_rendering = false;
        m_wake.notify_all();  // Load() may wait for this render to end
        if (complete && !m_requested) {
            m_complete = true;
            guard.unlock();
            if (m_rendered) m_rendered();
            guard.lock();
        }
    }
}

bool SpotLayer::Render() {
    ViewTransform view;
    {
        std::lock_guard guard(m_lock);
        view = m_view;
    }
    const double halfWidthGeo = view.width / 2 / view.kx();
    const double halfHeightGeo = view.height / 2 / view.ky();
    for (std::size_t i = 0; i < m_spots.size(); ++i) {
        const CAIRN_SPOT& spot = m_spots[i];
        {
            std::lock_guard guard(m_lock);
            if (m_requested || !m_running) return false;
        }
        if (std::abs(static_cast<double>(spot.longitude) - view.center.lon) > halfWidthGeo ||
            std::abs(static_cast<double>(spot.latitude) - view.center.lat) > halfHeightGeo)
            continue;
        // Fetching an icon may take a download: outside the lock.
        const QImage* icon = Icon(spot.relation, spot.icon);
        if (!icon) continue;
        int x, y;
        view.GeoToClient({spot.latitude, spot.longitude}, &x, &y);
        std::lock_guard guard(m_lock);
        if (m_requested || !m_running) return false;
        QPainter painter(&m_picture);
        painter.drawImage(QPoint(x - kTipX, y - kTipY), *icon);
        m_points.push_back({x, y - 12, static_cast<int>(i)});
    }
    return true;
}

const QImage* SpotLayer::Icon(int relation, int icon) {
    if (relation < 0 || relation >= kSpotRelationCount || icon < 0 || icon >= kSpotIconCount)
        return nullptr;
    std::lock_guard guard(m_iconLock);
    std::optional<QImage>& slot = m_icons[relation][icon];
    if (!slot) {
        const std::string name = kIconPrefixes[relation] + std::to_string(icon);
        const std::filesystem::path folder = m_dataFolder / "spot";
        const std::filesystem::path work = folder / (name + "_work.png");
        const std::filesystem::path file = folder / (name + ".png");
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        HttpClient http({.userAgent = kProgramUserAgent, .maxBodyBytes = 1 << 20});
        HttpResponse response = http.GetToFile(
            HttpUrl(ServiceHost(Service::SpotContent), "/yama/image/gmap/" + name + ".png"), work);
        QImage image;
        if (response.ok()) {
            std::filesystem::rename(work, file, ec);
            if (!ec) image.load(QString::fromStdString(file.string()));
        }
        std::filesystem::remove(work, ec);
        slot = image;
    }
    return slot->isNull() ? nullptr : &*slot;
}

void SpotLayer::DrawForPrint(CDivBitmap& target, const PageGeometry& page, int factor) {
    for (const CAIRN_SPOT& spot : m_spots) {
        if (spot.longitude < page.Left() || spot.longitude > page.Right() ||
            spot.latitude < page.Bottom() || spot.latitude > page.Top())
            continue;
        const QImage* icon = Icon(spot.relation, spot.icon);
        if (!icon) continue;
        const double x = (spot.longitude - page.Left()) * page.pxPerGeoX * page.ratio;
        const double y = (page.Top() - spot.latitude) * page.pxPerGeoY * page.ratio;
        target.DrawImage(QRectF(std::trunc(x) - kTipX * factor, std::trunc(y) - kTipY * factor,
                                icon->width() * factor, icon->height() * factor),
                         *icon);
    }
}

}  // namespace hfp
