#include "devserver/TileRenderer.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "devserver/Landscape.h"
#include "geo/GeoPoint.h"
#include "geo/Projection.h"

namespace hfp::devserver {

namespace {

constexpr int kPlaceKindCount = 4;
// The shortest undulation of the ground that a tile shows, in pixels.
constexpr double kFinestPixels = 16.0;

struct RoadStyle {
    double outer = 0.0;  // line width in pixels; 0 hides the kind at this level
    double inner = 0.0;  // face width inside the grey edge lines; 0 draws a plain grey line
    QRgb face = MapColor::kBackground;
};

struct LevelStyle {
    double contourInterval = 10.0;  // metres; every fifth contour is an index contour
    std::array<RoadStyle, kRoadKindCount> roads;
    bool buildings = false;
    std::array<bool, kPlaceKindCount> places{};
    bool majorTownsOnly = false;
    bool spotHeights = false;
    bool japanese = true;  // place names in Japanese, else in Latin letters
};

LevelStyle StyleOf(int level) {
    const int i = LevelIndex(level);
    static constexpr double kContour[kLevelCount] = {500, 250, 200, 100, 100, 50,
                                                     20,  20,  10,  10,  10,  5};
    // Outer and inner widths per level, 7 to 18.
    static constexpr double kHighway[kLevelCount][2] = {{0, 0}, {3, 1},  {3, 1},   {4, 2},
                                                        {5, 3}, {5, 3},  {6, 4},   {7, 5},
                                                        {8, 6}, {10, 8}, {12, 10}, {16, 13}};
    static constexpr double kMainRoad[kLevelCount][2] = {{0, 0}, {0, 0}, {0, 0},  {0, 0},
                                                         {0, 0}, {4, 2}, {4, 2},  {5, 3},
                                                         {6, 4}, {8, 6}, {10, 8}, {13, 10}};
    static constexpr double kRoad[kLevelCount][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0},
                                                     {0, 0}, {0, 0}, {1, 0}, {2, 0},
                                                     {2, 0}, {5, 3}, {7, 5}, {10, 8}};
    static constexpr double kStreet[kLevelCount][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0},
                                                       {0, 0}, {0, 0}, {0, 0}, {1, 0},
                                                       {1, 0}, {4, 2}, {6, 4}, {8, 6}};
    static constexpr double kPath[kLevelCount] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2};

    LevelStyle style;
    style.contourInterval = kContour[i];
    auto set = [&](RoadKind kind, const double(&w)[2], QRgb face) {
        style.roads[static_cast<int>(kind)] = {w[0], w[1], face};
    };
    set(RoadKind::Highway, kHighway[i], MapColor::kWideRoadFace);
    set(RoadKind::MainRoad, kMainRoad[i], MapColor::kWideRoadFace);
    set(RoadKind::Road, kRoad[i], MapColor::kBackground);
    set(RoadKind::Street, kStreet[i], MapColor::kBackground);
    // Paths are dashed grey lines.
    style.roads[static_cast<int>(RoadKind::Path)] = {kPath[i], 0.0, MapColor::kBackground};
    style.buildings = level >= 15;
    style.places = {level <= 12, level >= 9 && level <= 14, level >= 13 && level <= 16,
                    level >= 15};
    style.majorTownsOnly = level < 10;
    style.spotHeights = level >= 14;
    style.japanese = level >= 12;  // levels 7-11 come from the English map
    return style;
}

// One tile being drawn: the level's scale and the tile's place in world pixels.
struct TileFrame {
    double metresPerPixel;
    double originX;  // world pixel of the tile's left edge
    double originY;  // and of its top edge

    QPointF ToTile(MetrePoint p) const {
        return {p.x / metresPerPixel - originX, p.y / metresPerPixel - originY};
    }
    // The tile's area in metres, grown by `margin` metres on every side.
    MetrePoint Min(double margin) const {
        return {originX * metresPerPixel - margin, originY * metresPerPixel - margin};
    }
    MetrePoint Max(double margin) const {
        return {(originX + kTileSize) * metresPerPixel + margin,
                (originY + kTileSize) * metresPerPixel + margin};
    }
};

// Ground colour, water and contour lines, pixel by pixel: each pixel's colour depends only on
// the heights at it and its four neighbours, so the layer is seamless by construction.
void DrawTerrain(QImage& image, const TileFrame& frame, double finest, double interval) {
    constexpr int n = kTileSize + 2;  // one pixel of border all round for the neighbours
    std::vector<double> height(static_cast<std::size_t>(n) * n);
    std::vector<int64_t> band(height.size());
    for (int y = 0; y < n; ++y) {
        double my = (frame.originY + y - 1 + 0.5) * frame.metresPerPixel;
        for (int x = 0; x < n; ++x) {
            double mx = (frame.originX + x - 1 + 0.5) * frame.metresPerPixel;
            double h = Height({mx, my}, finest);
            height[static_cast<std::size_t>(y) * n + x] = h;
            band[static_cast<std::size_t>(y) * n + x] =
                static_cast<int64_t>(std::floor(h / interval));
        }
    }
    auto hasIndexLevel = [](int64_t from, int64_t to) {  // a multiple of 5 in (from, to]
        for (int64_t k = from + 1; k <= to; ++k)
            if (k % 5 == 0) return true;
        return false;
    };
    constexpr int kNeighbours[4] = {-1, 1, -n, n};
    for (int y = 0; y < kTileSize; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kTileSize; ++x) {
            std::size_t at = static_cast<std::size_t>(y + 1) * n + (x + 1);
            QRgb colour = MapColor::kBackground;
            if (height[at] <= 0.0) {
                colour = MapColor::kWaterFace;
                for (int d : kNeighbours)
                    if (height[at + d] > 0.0) colour = MapColor::kWaterEdge;
            } else {
                for (int d : kNeighbours) {
                    std::size_t q = at + d;
                    if (height[q] <= 0.0) continue;
                    // A contour runs between this pixel and the neighbour: the lower pixel
                    // carries it, and both carry an index contour, which is thus thicker.
                    if (band[q] > band[at] ||
                        (band[q] < band[at] && hasIndexLevel(band[q], band[at])))
                        colour = MapColor::kContour;
                }
            }
            line[x] = colour;
        }
    }
}

QPen LinePen(QRgb colour, double width) {
    QPen pen{QColor::fromRgb(colour), width};
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void DrawPolyline(QPainter& painter, const TileFrame& frame,
                  const std::vector<MetrePoint>& points) {
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(points.size()));
    for (const MetrePoint& p : points)
        line << frame.ToTile(p);
    painter.drawPolyline(line);
}

// A dashed line cut into its dashes along the whole polyline in world pixels, so that the
// dashes fall in the same places whichever tile draws them.
void DrawDashed(QPainter& painter, const TileFrame& frame, const std::vector<MetrePoint>& points) {
    constexpr double kDash = 5.0, kPeriod = 8.0;
    double travelled = 0.0;  // world pixels along the line up to the current piece
    for (std::size_t k = 1; k < points.size(); ++k) {
        double ax = points[k - 1].x / frame.metresPerPixel;
        double ay = points[k - 1].y / frame.metresPerPixel;
        double bx = points[k].x / frame.metresPerPixel;
        double by = points[k].y / frame.metresPerPixel;
        double len = std::hypot(bx - ax, by - ay);
        if (len <= 0.0) continue;
        auto at = [&](double d) {  // the point `d` pixels along the whole line
            double t = (d - travelled) / len;
            return QPointF(ax + (bx - ax) * t - frame.originX, ay + (by - ay) * t - frame.originY);
        };
        double end = travelled + len;
        for (auto n = static_cast<int64_t>(std::floor(travelled / kPeriod)); n * kPeriod < end;
             ++n) {
            double from = std::max(travelled, n * kPeriod);
            double to = std::min(end, n * kPeriod + kDash);
            if (from < to) painter.drawLine(at(from), at(to));
        }
        travelled = end;
    }
}

QFont LabelFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "DejaVu Sans"});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Black text with a white halo; (x, y) is the left end of the baseline in tile pixels.
void DrawHaloText(QPainter& painter, int x, int y, const QString& text) {
    painter.setPen(QColor::fromRgb(MapColor::kBackground));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy) painter.drawText(x + dx, y + dy, text);
    painter.setPen(QColor::fromRgb(MapColor::kText));
    painter.drawText(x, y, text);
}

class TilePainter {
  public:
    TilePainter(QImage& image, const TileFrame& frame, const LevelStyle& style)
        : m_painter(&image), m_frame(frame), m_style(style) {
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setRenderHint(QPainter::TextAntialiasing, false);
        for (int k = 0; k < kRoadKindCount; ++k) {
            const RoadStyle& rs = style.roads[k];
            m_halfWidth[k] = rs.outer > 0.0 ? rs.outer / 2.0 * frame.metresPerPixel : -1.0;
        }
    }

    void DrawRoads();
    void DrawBuildings();
    void DrawSpotHeights();
    void DrawPlaces();

  private:
    // The edges of a kind that reach into the tile, with `margin` metres of room.
    std::vector<const RoadEdge*> EdgesNear(RoadKind kind, double margin);
    void DrawLabel(MetrePoint at, const QString& text, const QFont& font);

    QPainter m_painter;
    TileFrame m_frame;
    const LevelStyle& m_style;
    Landscape m_land;
    std::array<double, kRoadKindCount> m_halfWidth{};
};

std::vector<const RoadEdge*> TilePainter::EdgesNear(RoadKind kind, double margin) {
    std::vector<const RoadEdge*> edges;
    double cell = Landscape::CellSize(kind);
    MetrePoint lo = m_frame.Min(margin), hi = m_frame.Max(margin);
    for (int64_t j = CellIndex(lo.y, cell) - 2; j <= CellIndex(hi.y, cell) + 1; ++j) {
        for (int64_t i = CellIndex(lo.x, cell) - 2; i <= CellIndex(hi.x, cell) + 1; ++i) {
            for (int dir = 0; dir < 2; ++dir) {
                const RoadEdge& edge = m_land.Edge(kind, i, j, dir);
                if (edge.points.empty() || edge.max.x < lo.x || edge.min.x > hi.x ||
                    edge.max.y < lo.y || edge.min.y > hi.y)
                    continue;
                edges.push_back(&edge);
            }
        }
    }
    return edges;
}

void TilePainter::DrawRoads() {
    const double s = m_frame.metresPerPixel;
    // Paths first, beneath the roads.
    const RoadStyle& path = m_style.roads[static_cast<int>(RoadKind::Path)];
    if (path.outer > 0.0) {
        m_painter.setPen(LinePen(MapColor::kRoad, path.outer));
        for (const RoadEdge* edge : EdgesNear(RoadKind::Path, (path.outer + 2) * s))
            DrawDashed(m_painter, m_frame, edge->points);
    }
    // Then every road's grey edge lines, then the faces over them, so that crossings and
    // junctions merge; the wider kinds come last and lie on top.
    constexpr RoadKind kOrder[] = {RoadKind::Street, RoadKind::Road, RoadKind::MainRoad,
                                   RoadKind::Highway};
    std::array<std::vector<const RoadEdge*>, kRoadKindCount> edges;
    for (RoadKind kind : kOrder) {
        const RoadStyle& rs = m_style.roads[static_cast<int>(kind)];
        if (rs.outer <= 0.0) continue;
        edges[static_cast<int>(kind)] = EdgesNear(kind, (rs.outer + 2) * s);
        m_painter.setPen(LinePen(MapColor::kRoad, rs.outer));
        for (const RoadEdge* edge : edges[static_cast<int>(kind)])
            DrawPolyline(m_painter, m_frame, edge->points);
    }
    for (RoadKind kind : kOrder) {
        const RoadStyle& rs = m_style.roads[static_cast<int>(kind)];
        if (rs.outer <= 0.0 || rs.inner <= 0.0) continue;
        m_painter.setPen(LinePen(rs.face, rs.inner));
        for (const RoadEdge* edge : edges[static_cast<int>(kind)])
            DrawPolyline(m_painter, m_frame, edge->points);
    }
}

void TilePainter::DrawBuildings() {
    if (!m_style.buildings) return;
    const double s = m_frame.metresPerPixel;
    const double finest = kFinestPixels * s;
    m_painter.setPen(LinePen(MapColor::kBuildingEdge, 1.0));
    m_painter.setBrush(QColor::fromRgb(MapColor::kBuildingFace));
    for (RoadKind kind : {RoadKind::Street, RoadKind::Road, RoadKind::MainRoad}) {
        if (m_halfWidth[static_cast<int>(kind)] < 0.0) continue;
        // Buildings stand up to about 40 m beyond the road's edge.
        double margin = m_halfWidth[static_cast<int>(kind)] + 45.0 + 2 * s;
        for (const RoadEdge* edge : EdgesNear(kind, margin)) {
            for (const Building& b : m_land.BuildingsAlong(*edge, m_halfWidth, finest)) {
                QPolygonF polygon;
                for (const MetrePoint& c : b.corners)
                    polygon << m_frame.ToTile(c);
                m_painter.drawPolygon(polygon);
            }
        }
    }
    m_painter.setBrush(Qt::NoBrush);
}

void TilePainter::DrawLabel(MetrePoint at, const QString& text, const QFont& font) {
    // Anchored on a whole world pixel, so that every tile places the glyphs identically.
    double wx = std::floor(at.x / m_frame.metresPerPixel);
    double wy = std::floor(at.y / m_frame.metresPerPixel);
    QFontMetrics metrics(font);
    int x = static_cast<int>(wx - m_frame.originX) - metrics.horizontalAdvance(text) / 2;
    int y = static_cast<int>(wy - m_frame.originY) + (metrics.ascent() - metrics.descent()) / 2;
    m_painter.setFont(font);
    DrawHaloText(m_painter, x, y, text);
}

// Labels are drawn by every tile their text may reach: no label is wider than this.
constexpr double kLabelReachX = 300.0;
constexpr double kLabelReachY = 40.0;

void TilePainter::DrawSpotHeights() {
    if (!m_style.spotHeights) return;
    const double s = m_frame.metresPerPixel;
    const double cell = Landscape::kSpotHeightCell;
    MetrePoint lo = m_frame.Min(kLabelReachX * s), hi = m_frame.Max(kLabelReachX * s);
    QFont font = LabelFont(11, false);
    QFontMetrics metrics(font);
    m_painter.setFont(font);
    for (int64_t j = CellIndex(lo.y, cell); j <= CellIndex(hi.y, cell); ++j) {
        for (int64_t i = CellIndex(lo.x, cell); i <= CellIndex(hi.x, cell); ++i) {
            auto at = m_land.SpotHeightInCell(i, j);
            if (!at) continue;
            // The surveyed height does not change with the level's detail.
            long height = std::lround(Height(*at, 30.0));
            if (height <= 0) continue;
            int x = static_cast<int>(std::floor(at->x / s) - m_frame.originX);
            int y = static_cast<int>(std::floor(at->y / s) - m_frame.originY);
            m_painter.fillRect(x - 1, y - 1, 3, 3, QColor::fromRgb(MapColor::kText));
            DrawHaloText(m_painter, x + 4, y + (metrics.ascent() - metrics.descent()) / 2,
                         QString::number(height));
        }
    }
}

void TilePainter::DrawPlaces() {
    const double s = m_frame.metresPerPixel;
    struct Kind {
        PlaceKind kind;
        int pixelSize;
        bool bold;
    };
    // Smaller places first, so that the larger names lie on top.
    constexpr Kind kKinds[] = {{PlaceKind::Locality, 12, false},
                               {PlaceKind::Village, 13, false},
                               {PlaceKind::Town, 14, false},
                               {PlaceKind::City, 16, true}};
    for (const Kind& k : kKinds) {
        if (!m_style.places[static_cast<int>(k.kind)]) continue;
        QFont font = LabelFont(k.pixelSize, k.bold);
        double cell = Landscape::CellSize(k.kind);
        MetrePoint lo = m_frame.Min(kLabelReachX * s), hi = m_frame.Max(kLabelReachX * s);
        lo.y += (kLabelReachX - kLabelReachY) * s;
        hi.y -= (kLabelReachX - kLabelReachY) * s;
        for (int64_t j = CellIndex(lo.y, cell); j <= CellIndex(hi.y, cell); ++j) {
            for (int64_t i = CellIndex(lo.x, cell); i <= CellIndex(hi.x, cell); ++i) {
                const Place* place = m_land.PlaceInCell(k.kind, i, j);
                if (!place || place->at.x < lo.x || place->at.x > hi.x || place->at.y < lo.y ||
                    place->at.y > hi.y)
                    continue;
                if (k.kind == PlaceKind::Town && m_style.majorTownsOnly &&
                    !Landscape::IsMajor(*place))
                    continue;
                QString name =
                    QString::fromStdString(Landscape::PlaceName(*place, m_style.japanese));
                DrawLabel(place->at, name, font);
            }
        }
    }
}

}  // namespace

QImage RenderTile(int level, int32_t tx, int32_t ty) {
    QImage image(kTileSize, kTileSize, QImage::Format_RGB32);
    TileFrame frame{kWorldMetres / (kTileSize * PowerOfTwo(level)),
                    static_cast<double>(tx) * kTileSize, static_cast<double>(ty) * kTileSize};
    LevelStyle style = StyleOf(level);
    // Undulations shorter than a few pixels would only add noise to the contours.
    DrawTerrain(image, frame, kFinestPixels * frame.metresPerPixel, style.contourInterval);
    TilePainter painter(image, frame, style);
    painter.DrawRoads();
    painter.DrawBuildings();
    painter.DrawSpotHeights();
    painter.DrawPlaces();
    return image;
}

std::string EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace hfp::devserver
