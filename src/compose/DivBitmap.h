#pragma once

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTextOption>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Color.h"

class QPainter;

namespace hfp {

// A bitmap of any size held as a grid of square blocks, so that maps of print and export
// size can be composed in memory. Every operation splits itself over the blocks it touches
// and holds the bitmap's lock from start to end: tiles arrive on provider threads while the
// user interface draws and reads the same bitmap.
class CDivBitmap {
  public:
    // The block size the composer uses unless the target dictates another.
    static constexpr int kDefaultBlockSize = 1000;

    CDivBitmap() = default;
    // A surface of width × height without pixels of its own: its drawing operations (Draw and
    // every one built on it) paint on `painter`, each from the painter's state as this
    // constructor leaves it (a fresh painter's pen, brush and font), so that the map view
    // draws its decorations straight onto the window instead of onto a copy of the map. Its
    // pixel operations see an empty bitmap. The painter must outlive it.
    CDivBitmap(QPainter& painter, int width, int height);
    CDivBitmap(const CDivBitmap&) = delete;
    CDivBitmap& operator=(const CDivBitmap&) = delete;

    // Allocates width x height pixels in blocks of blockSize (0: one block for everything).
    // On failure nothing is kept and the bitmap is empty.
    bool Create(int width, int height, int blockSize);
    void Clear();

    int width() const;
    int height() const;
    int blockSize() const;
    int columns() const;
    int rows() const;
    int blockCount() const;
    bool empty() const;
    // The geometry of block `index` (row-major) in image pixels.
    QRect BlockRect(int index) const;
    // A copy of one block's pixels.
    QImage BlockImage(int index) const;

    void FillWhite();
    // Makes this bitmap a copy of `other`, taking over its geometry when it differs.
    bool CopyFrom(const CDivBitmap& other);
    // Paints every block at its place, shifted by (x, y).
    void DrawTo(QPainter& painter, int x = 0, int y = 0) const;
    // Copies into `target` every block that overlaps it: image point (px, py) lands at
    // (px + dx, py + dy) of the target.
    void BlitInto(QImage& target, int dx, int dy) const;
    // Copies `source` into this bitmap with the source's origin at (x, y); only the pixels
    // inside `area` (this bitmap's coordinates) when it is given.
    void PasteFrom(int x, int y, const CDivBitmap& source, const QRect& area = QRect());
    // Draws `source` into the rectangle (x, y, w, h): a plain copy when the sizes match,
    // otherwise smoothly scaled.
    void StretchIn(int x, int y, int w, int h, const QImage& source);
    // Copies w × h 32-bit pixels (rows `stride` pixels apart, blue-green-red-alpha) with
    // their top-left corner at (x, y), clipped to the bitmap; every pixel is made opaque.
    void PutOpaque(int x, int y, const uint32_t* pixels, int w, int h, int stride);
    // The colour at (x, y); black outside the bitmap.
    COLORREF GetPixel(int x, int y) const;

    // Runs `paint` on every block that the rectangle `bounds` (image pixels) overlaps, with
    // `margin` added on every side, the painter translated so that it draws in image
    // coordinates. Every drawing operation below is a thin use of this.
    void Draw(const QRectF& bounds, qreal margin, const std::function<void(QPainter&)>& paint);

    void DrawImage(const QRectF& rect, const QImage& image, qreal opacity = 1.0);
    void DrawLine(const QPen& pen, QPointF from, QPointF to);
    void DrawLines(const QPen& pen, const std::vector<QPointF>& points);
    void DrawString(const QString& text, const QFont& font, const QRectF& layout,
                    const QTextOption& option, const QBrush& brush);
    void DrawRectangle(const QPen& pen, const QRectF& rect);
    void FillRectangle(const QBrush& brush, const QRectF& rect);
    void DrawEllipse(const QPen& pen, const QRectF& rect);

  private:
    struct Geometry {
        int width = 0;
        int height = 0;
        int blockSize = 0;
        int columns = 0;
        int rows = 0;
    };
    static bool Allocate(const Geometry& g, std::vector<QImage>* blocks);
    QRect BlockRectLocked(int index) const;
    void BlitIntoLocked(QImage& target, int dx, int dy, const QRect& clip) const;

    mutable std::mutex m_mutex;
    Geometry m_geometry;
    std::vector<QImage> m_blocks;
    QPainter* m_painter = nullptr;  // the surface's painter, when it is one
};

}  // namespace hfp
