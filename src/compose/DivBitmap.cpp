#include "compose/DivBitmap.h"

#include <unistd.h>

#include <QPainter>
#include <algorithm>

namespace hfp {

namespace {

constexpr QImage::Format kBlockFormat = QImage::Format_RGB32;

// The pen's width as a margin for the overlap test; a cosmetic pen is one pixel wide.
qreal PenMargin(const QPen& pen) {
    return std::max<qreal>(pen.widthF(), 1.0);
}

}  // namespace

bool CDivBitmap::Allocate(const Geometry& g, std::vector<QImage>* blocks) {
    blocks->clear();
    // Refuse what the machine cannot hold, instead of letting the system's memory run out
    // while the blocks are filled.
    static const int64_t physicalBytes =
        static_cast<int64_t>(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
    if (static_cast<double>(g.width) * g.height * 4 > static_cast<double>(physicalBytes))
        return false;
    blocks->reserve(static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows));
    for (int row = 0; row < g.rows; ++row) {
        for (int column = 0; column < g.columns; ++column) {
            int b = g.blockSize;
            int w = b == 0 ? g.width : (column == g.columns - 1 ? g.width - column * b : b);
            int h = b == 0 ? g.height : (row == g.rows - 1 ? g.height - row * b : b);
            QImage block(w, h, kBlockFormat);
            if (block.isNull()) {
                blocks->clear();
                return false;
            }
            block.fill(Qt::white);
            blocks->push_back(std::move(block));
        }
    }
    return true;
}

CDivBitmap::CDivBitmap(QPainter& painter, int width, int height)
    : m_geometry{std::max(0, width), std::max(0, height), 0, 1, 1}, m_painter(&painter) {
    painter.setPen(QPen());
    painter.setBrush(QBrush());
    painter.setFont(QFont());
    painter.setBackground(Qt::white);
}

bool CDivBitmap::Create(int width, int height, int blockSize) {
    std::lock_guard lock(m_mutex);
    m_blocks.clear();
    m_geometry = {};
    if (width <= 0 || height <= 0 || blockSize < 0) return false;
    Geometry g{width, height, blockSize, 1, 1};
    if (blockSize > 0) {
        g.columns = static_cast<int>((static_cast<int64_t>(width) + blockSize - 1) / blockSize);
        g.rows = static_cast<int>((static_cast<int64_t>(height) + blockSize - 1) / blockSize);
    }
    if (!Allocate(g, &m_blocks)) return false;
    m_geometry = g;
    return true;
}

void CDivBitmap::Clear() {
    std::lock_guard lock(m_mutex);
    m_blocks.clear();
    m_geometry = {};
}

int CDivBitmap::width() const {
    std::lock_guard lock(m_mutex);
    return m_geometry.width;
}
int CDivBitmap::height() const {
    std::lock_guard lock(m_mutex);
    return m_geometry.height;
}
int CDivBitmap::blockSize() const {
    std::lock_guard lock(m_mutex);
    return m_geometry.blockSize;
}
int CDivBitmap::columns() const {
    std::lock_guard lock(m_mutex);
    return m_geometry.columns;
}
int CDivBitmap::rows() const {
    std::lock_guard lock(m_mutex);
    return m_geometry.rows;
}
int CDivBitmap::blockCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_blocks.size());
}
bool CDivBitmap::empty() const {
    std::lock_guard lock(m_mutex);
    return m_blocks.empty();
}

QRect CDivBitmap::BlockRectLocked(int index) const {
    const Geometry& g = m_geometry;
    int b = g.blockSize;
    int column = index % g.columns, row = index / g.columns;
    const QImage& block = m_blocks[static_cast<std::size_t>(index)];
    return QRect(column * b, row * b, block.width(), block.height());
}

QRect CDivBitmap::BlockRect(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_blocks.size())) return {};
    return BlockRectLocked(index);
}

QImage CDivBitmap::BlockImage(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_blocks.size())) return {};
    return m_blocks[static_cast<std::size_t>(index)].copy();
}

void CDivBitmap::FillWhite() {
    std::lock_guard lock(m_mutex);
    for (QImage& block : m_blocks)
        block.fill(Qt::white);
}

bool CDivBitmap::CopyFrom(const CDivBitmap& other) {
    if (&other == this) return true;
    std::scoped_lock lock(m_mutex, other.m_mutex);
    const Geometry& g = other.m_geometry;
    bool sameGeometry = !m_blocks.empty() && !other.m_blocks.empty() &&
                        m_geometry.width == g.width && m_geometry.height == g.height &&
                        m_geometry.blockSize == g.blockSize;
    if (!sameGeometry) {
        m_blocks.clear();
        m_geometry = {};
        if (other.m_blocks.empty()) return true;
        if (!Allocate(g, &m_blocks)) return false;
        m_geometry = g;
    }
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const QImage& from = other.m_blocks[i];
        QImage& to = m_blocks[i];
        for (int y = 0; y < from.height(); ++y)
            std::copy_n(from.constScanLine(y), from.bytesPerLine(), to.scanLine(y));
    }
    return true;
}

void CDivBitmap::DrawTo(QPainter& painter, int x, int y) const {
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < static_cast<int>(m_blocks.size()); ++i) {
        QRect r = BlockRectLocked(i);
        painter.drawImage(QPoint(x + r.left(), y + r.top()), m_blocks[static_cast<std::size_t>(i)]);
    }
}

void CDivBitmap::BlitInto(QImage& target, int dx, int dy) const {
    std::lock_guard lock(m_mutex);
    BlitIntoLocked(target, dx, dy, target.rect());
}

void CDivBitmap::BlitIntoLocked(QImage& target, int dx, int dy, const QRect& clip) const {
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    QRect targetRect = target.rect().intersected(clip);
    for (int i = 0; i < static_cast<int>(m_blocks.size()); ++i) {
        QRect shifted = BlockRectLocked(i).translated(dx, dy);
        QRect part = shifted.intersected(targetRect);
        if (part.isEmpty()) continue;
        painter.drawImage(part.topLeft(), m_blocks[static_cast<std::size_t>(i)],
                          part.translated(-shifted.topLeft()));
    }
}

void CDivBitmap::PasteFrom(int x, int y, const CDivBitmap& source, const QRect& area) {
    if (&source == this) return;
    // Both locks at once, taken without a fixed order so that two bitmaps pasted into each
    // other on two threads cannot deadlock.
    std::scoped_lock lock(m_mutex, source.m_mutex);
    for (int i = 0; i < static_cast<int>(m_blocks.size()); ++i) {
        QRect r = BlockRectLocked(i);
        QRect part = area.isNull() ? r : r.intersected(area);
        if (part.isEmpty()) continue;
        source.BlitIntoLocked(m_blocks[static_cast<std::size_t>(i)], x - r.left(), y - r.top(),
                              part.translated(-r.topLeft()));
    }
}

void CDivBitmap::StretchIn(int x, int y, int w, int h, const QImage& source) {
    if (source.isNull() || w <= 0 || h <= 0) return;
    bool plain = source.width() == w && source.height() == h;
    Draw(QRectF(x, y, w, h), 0, [&](QPainter& p) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (plain) {
            p.drawImage(QPoint(x, y), source);
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRectF(x, y, w, h), source);
        }
    });
}

void CDivBitmap::PutOpaque(int x, int y, const uint32_t* pixels, int w, int h, int stride) {
    std::lock_guard lock(m_mutex);
    const QRect area(x, y, w, h);
    for (int i = 0; i < static_cast<int>(m_blocks.size()); ++i) {
        const QRect r = BlockRectLocked(i);
        const QRect part = r.intersected(area);
        if (part.isEmpty()) continue;
        QImage& block = m_blocks[static_cast<std::size_t>(i)];
        for (int row = part.top(); row <= part.bottom(); ++row) {
            const uint32_t* from =
                pixels + static_cast<std::ptrdiff_t>(row - y) * stride + (part.left() - x);
            auto* to = reinterpret_cast<uint32_t*>(block.scanLine(row - r.top())) +
                       (part.left() - r.left());
            for (int k = 0; k < part.width(); ++k)
                to[k] = from[k] | 0xFF000000u;
        }
    }
}

COLORREF CDivBitmap::GetPixel(int x, int y) const {
    std::lock_guard lock(m_mutex);
    const Geometry& g = m_geometry;
    if (m_blocks.empty() || x < 0 || y < 0 || x >= g.width || y >= g.height) return 0;
    int b = g.blockSize;
    if (b == 0) return FromQRgb(m_blocks[0].pixel(x, y));
    std::size_t index = static_cast<std::size_t>((y / b) * g.columns + x / b);
    return FromQRgb(m_blocks[index].pixel(x % b, y % b));
}

void CDivBitmap::Draw(const QRectF& bounds, qreal margin,
                      const std::function<void(QPainter&)>& paint) {
    std::lock_guard lock(m_mutex);
    if (m_painter) {
        m_painter->save();
        paint(*m_painter);
        m_painter->restore();
        return;
    }
    QRectF shape = bounds.normalized();
    for (int i = 0; i < static_cast<int>(m_blocks.size()); ++i) {
        QRect r = BlockRectLocked(i);
        qreal left = r.left(), top = r.top();
        qreal right = left + r.width(), bottom = top + r.height();
        if (shape.left() > right + margin || shape.right() < left - margin ||
            shape.top() > bottom + margin || shape.bottom() < top - margin)
            continue;
        QPainter painter(&m_blocks[static_cast<std::size_t>(i)]);
        painter.translate(-left, -top);
        paint(painter);
    }
}

void CDivBitmap::DrawImage(const QRectF& rect, const QImage& image, qreal opacity) {
    Draw(rect, 0, [&](QPainter& p) {
        p.setOpacity(opacity);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect, image);
    });
}

void CDivBitmap::DrawLine(const QPen& pen, QPointF from, QPointF to) {
    Draw(QRectF(from, to), PenMargin(pen), [&](QPainter& p) {
        p.setPen(pen);
        p.drawLine(from, to);
    });
}

void CDivBitmap::DrawLines(const QPen& pen, const std::vector<QPointF>& points) {
    if (points.empty()) return;
    qreal left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (const QPointF& pt : points) {
        left = std::min(left, pt.x());
        right = std::max(right, pt.x());
        top = std::min(top, pt.y());
        bottom = std::max(bottom, pt.y());
    }
    Draw(QRectF(QPointF(left, top), QPointF(right, bottom)), PenMargin(pen), [&](QPainter& p) {
        p.setPen(pen);
        p.drawPolyline(points.data(), static_cast<int>(points.size()));
    });
}

void CDivBitmap::DrawString(const QString& text, const QFont& font, const QRectF& layout,
                            const QTextOption& option, const QBrush& brush) {
    Draw(layout, 0, [&](QPainter& p) {
        p.setFont(font);
        p.setPen(QPen(brush, 1));
        p.drawText(layout, text, option);
    });
}

void CDivBitmap::DrawRectangle(const QPen& pen, const QRectF& rect) {
    Draw(rect, PenMargin(pen), [&](QPainter& p) {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect);
    });
}

void CDivBitmap::FillRectangle(const QBrush& brush, const QRectF& rect) {
    Draw(rect, 0, [&](QPainter& p) { p.fillRect(rect, brush); });
}

void CDivBitmap::DrawEllipse(const QPen& pen, const QRectF& rect) {
    Draw(rect, PenMargin(pen), [&](QPainter& p) {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(rect);
    });
}

}  // namespace hfp
