#include "print/GridLines.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QTextOption>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

#include "compose/DivBitmap.h"
#include "geo/GeoPoint.h"
#include "geo/GroundDistance.h"
#include "print/Declination.h"
#include "print/LabelFont.h"
#include "print/ScaleNotation.h"

namespace hfp {

namespace {

constexpr int kZoom17 = 17;
// Longitude and latitude lines run on this many pixels past the far edge.
constexpr int kOvershootPixels = 99;
constexpr int kLabelMargin = 5;
constexpr double kLabelLayoutBox = 10000;
// Lines closer than this many output pixels would only paint the sheet solid, and at low
// zoom on the screen they would number in millions: such a family or subline is left out.
constexpr double kMinLineSpacing = 1.0;
constexpr int kIntervalKm = 0;
constexpr int kIntervalSeconds = 2;
constexpr double kSecondToGeo = 100;
constexpr double kArrowLength = 1.5;  // magnetic north lines reach 1.5 sheet heights
constexpr double kScaleBoxWidth = 0.25;
constexpr double kScaleBoxHeight = 0.15;
constexpr double kRoundingSlack = 1e-6;

int Trunc(double v) {
    return TruncToInt(v);
}

QColor ArgbColor(COLORREF color, int32_t alphablend) {
    return ToQColor(color, std::clamp(alphablend, 0, 100));
}

QPen LinePen(int32_t size, int32_t style, COLORREF color, int32_t alphablend) {
    static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                               Qt::DashDotLine, Qt::DashDotDotLine};
    QPen pen(ArgbColor(color, alphablend), size, kStyles[std::clamp(style, 0, 4)], Qt::FlatCap);
    return pen;
}

// Metres of one interval of a family measured in km or m.
double IntervalMetres(const GridLineSetting& family) {
    return family.intervalUnit == kIntervalKm ? family.interval * 1000.0 : family.interval;
}

// Qt hands a fill of more than about 96 pixel runs to its thread pool, which for a line one
// pixel wide costs far more in waking threads than it saves. Vertical lines are therefore
// drawn in pieces of about this many rows, dashed horizontal ones in pieces of this many
// dashes, each piece a whole number of dash periods so that the pattern runs on unbroken.
constexpr int kPieceRuns = 64;

// The pieces of an axis-aligned line drawn with a dash period of `period` pixels.
void AddPieces(const QLineF& line, double period, std::vector<QLineF>* pieces) {
    const bool vertical = line.x1() == line.x2();
    const double length = line.length();
    const double piece =
        vertical ? period * std::max(1.0, std::floor(kPieceRuns / period)) : period * kPieceRuns;
    if (!(piece > 0) || length <= piece) {
        pieces->push_back(line);
        return;
    }
    const QPointF step = (line.p2() - line.p1()) * (piece / length);
    QPointF from = line.p1();
    for (double done = 0; done < length; done += piece) {
        const QPointF to = done + piece < length ? from + step : line.p2();
        pieces->emplace_back(from, to);
        from = to;
    }
}

// Draws a family's lines in one pass over the target's blocks. Solid lines along the axes
// are filled as rectangles of the pen's width: stroking hundreds of translucent lines costs
// several times as much, and the view repaints them at every drag step.
class LineBatch {
  public:
    void Add(double x1, double y1, double x2, double y2) { m_lines.emplace_back(x1, y1, x2, y2); }
    void Draw(CDivBitmap& target, const QPen& pen, int width, int height) {
        if (m_lines.empty()) return;
        const bool fill = pen.style() == Qt::SolidLine;
        const int w = TruncToInt(pen.widthF());
        double period = 0;
        if (!fill) {
            for (qreal d : pen.dashPattern())
                period += d;
            period *= std::max(1.0, pen.widthF());
        }
        std::vector<QLineF> stroked;
        std::vector<QRect> filled;
        for (const QLineF& line : m_lines) {
            if (fill && line.x1() == line.x2()) {
                const int x = TruncToInt(line.x1()) - w / 2;
                const int top = TruncToInt(std::min(line.y1(), line.y2()));
                filled.emplace_back(x, top, w, TruncToInt(std::abs(line.dy())));
            } else if (fill && line.y1() == line.y2()) {
                const int y = TruncToInt(line.y1()) - w / 2;
                const int left = TruncToInt(std::min(line.x1(), line.x2()));
                filled.emplace_back(left, y, TruncToInt(std::abs(line.dx())), w);
            } else if (line.x1() == line.x2() || line.y1() == line.y2()) {
                AddPieces(line, period, &stroked);
            } else {
                stroked.push_back(line);
            }
        }
        const QColor color = pen.color();
        target.Draw(QRectF(0, 0, width, height), pen.widthF() + 2, [&](QPainter& p) {
            for (const QRect& r : filled) {
                for (int top = r.top(); top <= r.bottom(); top += kPieceRuns)
                    p.fillRect(
                        QRect(r.left(), top, r.width(), std::min(kPieceRuns, r.bottom() + 1 - top)),
                        color);
            }
            p.setPen(pen);
            p.drawLines(stroked.data(), static_cast<int>(stroked.size()));
        });
        m_lines.clear();
    }

  private:
    std::vector<QLineF> m_lines;
};

class GridRenderer {
  public:
    GridRenderer(CDivBitmap& target, const PageGeometry& page, const OutputSetting& layout,
                 const GridLineOptions& options)
        : m_target(target),
          m_page(page),
          m_layout(layout),
          m_options(options),
          m_w(page.Width()),
          m_h(page.Height()),
          m_metresPerSecondLon(MetresPerArcSecondOfLongitude(page.centreLatitude)) {}

    bool Render(std::string* error);

  private:
    static bool Drawn(const GridLineSetting& family) {
        return family.enabled && family.size > 0 && family.interval > 0;
    }
    double Xg() const { return m_page.pxPerGeoX * m_page.ratio; }
    double Yg() const { return m_page.pxPerGeoY * m_page.ratio; }
    // Output x of a longitude and y of a latitude, as the longitude and latitude lines place
    // them.
    int LongitudeX(int64_t p) const {
        return Trunc(std::ceil((p - m_page.Left()) * m_page.pxPerGeoX * m_page.ratio));
    }
    int LatitudeY(int64_t q) const {
        return Trunc((m_page.heightGeo * m_page.pxPerGeoY -
                      std::ceil((q - m_page.Bottom()) * m_page.pxPerGeoY)) *
                     m_page.ratio);
    }
    // Longitudes from the first multiple of step at or west of the left edge to 99 pixels
    // past the right edge; latitudes likewise from the bottom to past the top.
    std::vector<int64_t> LongitudeSteps(int64_t step) const;
    std::vector<int64_t> LatitudeSteps(int64_t step) const;
    // Distance-line positions k·step (k = 1, 2, …) up to `limit` geo units; none when they
    // would lie closer than kMinLineSpacing at `pixelsPerGeo`.
    static std::vector<double> DistanceSteps(double step, double limit, double pixelsPerGeo);

    // One family's lines in pixels: the main lines (x of vertical lines, y of horizontal
    // ones) with their labels and extent, and per subline the positions across them.
    struct FamilyLines {
        const GridLineSetting* family;
        bool vertical;
        int mainFrom;  // where the main lines start and end along their length
        int mainTo;
        int rightMargin = kLabelMargin;  // of right-hand labels (horizontal lines)
        std::vector<int> mains{};
        std::vector<QString> labels{};
        std::array<std::vector<int>, kSublineCount> sublines{};
    };
    void DrawFamily(const FamilyLines& lines);
    // The positions of a distance family's subline: steps of the crossing family's interval
    // (crossingSeconds) over its division up to `limit` geo units, less those on the crossing
    // family's main lines while it is drawn.
    std::vector<int> DistanceSublines(const SublineSetting& s, const GridLineSetting& crossing,
                                      double crossingSeconds, double limit, double pixelsPerGeo,
                                      const std::function<int(double)>& pixel) const;

    void Longitude();
    void Latitude();
    bool MagneticNorth(std::string* error);
    void VerticalDistance();
    void HorizontalDistance();
    void Scale();

    QFont LabelFont(const GridLineSetting& family) const {
        return PrintLabelFont(Trunc(family.fontSize * m_options.fontFactor));
    }
    static QSizeF Measure(const QFontMetricsF& metrics, const QString& text) {
        return metrics
            .boundingRect(QRectF(0, 0, kLabelLayoutBox, kLabelLayoutBox),
                          Qt::AlignLeft | Qt::AlignTop, text)
            .size();
    }
    void Label(const GridLineSetting& family, const QFont& font, const QString& text, double x,
               double y, const QSizeF& size) {
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::NoWrap);
        m_target.DrawString(text, font, QRectF(QPointF(x, y), size), option,
                            QBrush(ArgbColor(family.color, family.alphablend)));
    }

    CDivBitmap& m_target;
    const PageGeometry& m_page;
    const OutputSetting& m_layout;
    const GridLineOptions& m_options;
    const int m_w;
    const int m_h;
    const double m_metresPerSecondLon;
};

std::vector<int64_t> GridRenderer::LongitudeSteps(int64_t step) const {
    std::vector<int64_t> steps;
    if (step <= 0 || step * Xg() < kMinLineSpacing) return steps;
    const double last = m_page.Right() + kOvershootPixels / m_page.pxPerGeoX;
    for (int64_t p = (m_page.Left() / step) * step; p <= last; p += step)
        steps.push_back(p);
    return steps;
}

std::vector<int64_t> GridRenderer::LatitudeSteps(int64_t step) const {
    std::vector<int64_t> steps;
    if (step <= 0 || step * Yg() < kMinLineSpacing) return steps;
    const double last = m_page.Top() + kOvershootPixels / m_page.pxPerGeoY;
    for (int64_t q = (m_page.Bottom() / step) * step; q < last; q += step)
        steps.push_back(q);
    return steps;
}

std::vector<double> GridRenderer::DistanceSteps(double step, double limit, double pixelsPerGeo) {
    std::vector<double> steps;
    if (!(step > 0) || !(step * pixelsPerGeo >= kMinLineSpacing)) return steps;
    for (int k = 1; k * step <= limit; ++k)
        steps.push_back(k * step);
    return steps;
}

void GridRenderer::DrawFamily(const FamilyLines& lines) {
    const GridLineSetting& f = *lines.family;
    LineBatch batch;
    auto across = [&](int at, int from, int to) {
        if (lines.vertical)
            batch.Add(from, at, to, at);  // sublines of vertical families run across
        else
            batch.Add(at, from, at, to);
    };
    for (int i = kSublineCount - 1; i >= 0; --i) {
        const SublineSetting& s = f.sublines[static_cast<std::size_t>(i)];
        if (!s.enabled) continue;
        for (int at : lines.sublines[static_cast<std::size_t>(i)]) {
            if (s.length == kSublineFullLength) {
                across(at, 0, lines.vertical ? m_w : m_h);
            } else {
                for (int main : lines.mains)
                    across(at, main - s.length, main + s.length);
            }
        }
        batch.Draw(m_target, LinePen(s.size, s.style, s.color, s.alphablend), m_w, m_h);
    }
    for (int main : lines.mains) {
        if (lines.vertical)
            batch.Add(main, lines.mainFrom, main, lines.mainTo);
        else
            batch.Add(lines.mainFrom, main, lines.mainTo, main);
    }
    batch.Draw(m_target, LinePen(f.size, f.style, f.color, f.alphablend), m_w, m_h);
    if (f.fontSize <= 0) return;
    const QFont font = LabelFont(f);
    const QFontMetricsF metrics(font);
    for (std::size_t k = 0; k < lines.mains.size(); ++k) {
        const int along = lines.mains[k] + f.size / 2 + 2;
        if (along >= (lines.vertical ? m_w : m_h)) continue;  // the line lies past the edge
        const QString& text = lines.labels[k];
        const QSizeF size = Measure(metrics, text);
        if (lines.vertical) {
            if (f.digitPositionFirst) Label(f, font, text, along, kLabelMargin, size);
            if (f.digitPositionSecond)
                Label(f, font, text, along, m_h - size.height() - kLabelMargin, size);
        } else {
            if (f.digitPositionFirst) Label(f, font, text, kLabelMargin, along, size);
            if (f.digitPositionSecond)
                Label(f, font, text, m_w - size.width() - lines.rightMargin, along, size);
        }
    }
}

void GridRenderer::Longitude() {
    const GridLineSetting& f = m_layout.longitude;
    const GridLineSetting& crossing = m_layout.latitude;
    if (!Drawn(f)) return;
    FamilyLines lines{&f, true, 0, m_h};
    for (int64_t p : LongitudeSteps(int64_t{f.interval} * 100)) {
        lines.mains.push_back(LongitudeX(p));
        lines.labels.push_back(DmsLabelText(p, f.arrangedDirection));
    }
    // Sublines divide the latitude interval, between the bottom and top edges.
    const int64_t crossingStep = int64_t{crossing.interval} * 100;
    for (int i = 0; i < kSublineCount; ++i) {
        const SublineSetting& s = f.sublines[static_cast<std::size_t>(i)];
        if (!s.enabled || s.division <= 0) continue;
        for (int64_t q : LatitudeSteps(crossingStep / s.division)) {
            if (q < m_page.Bottom() || q > m_page.Top()) continue;
            if (crossing.enabled && crossingStep > 0 && q % crossingStep == 0) continue;
            lines.sublines[static_cast<std::size_t>(i)].push_back(LatitudeY(q));
        }
    }
    DrawFamily(lines);
}

void GridRenderer::Latitude() {
    const GridLineSetting& f = m_layout.latitude;
    const GridLineSetting& crossing = m_layout.longitude;
    if (!Drawn(f)) return;
    // The right-hand labels sit flush with the edge: this family keeps no margin there.
    FamilyLines lines{&f, false, 0, m_w, 0};
    for (int64_t q : LatitudeSteps(int64_t{f.interval} * 100)) {
        lines.mains.push_back(LatitudeY(q));
        lines.labels.push_back(DmsLabelText(q, f.arrangedDirection));
    }
    const int64_t crossingStep = int64_t{crossing.interval} * 100;
    for (int i = 0; i < kSublineCount; ++i) {
        const SublineSetting& s = f.sublines[static_cast<std::size_t>(i)];
        if (!s.enabled || s.division <= 0) continue;
        for (int64_t p : LongitudeSteps(crossingStep / s.division)) {
            if (p < m_page.Left() || p > m_page.Right()) continue;
            if (crossing.enabled && crossingStep > 0 && p % crossingStep == 0) continue;
            lines.sublines[static_cast<std::size_t>(i)].push_back(LongitudeX(p));
        }
    }
    DrawFamily(lines);
}

bool GridRenderer::MagneticNorth(std::string* error) {
    const GridLineSetting& f = m_layout.magneticNorth;
    if (!Drawn(f)) return true;
    std::optional<Declination> got = GetMagneticDeclination(
        m_page.centreLongitude, m_page.centreLatitude, f.calc, m_options.noServer, {}, error);
    // Without a value the lines point to true north and the text says 0.
    const Declination d = got ? *got : Declination{0, true};
    const double theta = (d.Degrees() + 90) * std::numbers::pi / 180;
    const double reach = m_page.heightGeo * Yg() * kArrowLength;
    const int dx = Trunc(std::cos(theta) * reach);
    const int dy = Trunc(std::sin(theta) * reach);
    const bool seconds = f.intervalUnit == kIntervalSeconds;
    const double spacing = seconds ? f.interval * kSecondToGeo
                                   : IntervalMetres(f) / m_metresPerSecondLon * kSecondToGeo /
                                         std::cos(d.Degrees() * std::numbers::pi / 180);
    LineBatch batch;
    if (spacing * Xg() >= kMinLineSpacing) {
        for (int i = 0; i * spacing <= 1.5 * m_page.widthGeo; ++i) {
            const double offset = i * spacing;
            const int x = seconds ? Trunc(Trunc(offset * m_page.pxPerGeoX) * m_page.ratio)
                                  : Trunc(std::ceil(offset * m_page.pxPerGeoX) * m_page.ratio);
            batch.Add(x - f.size, seconds ? m_h : m_h + f.size, x - f.size + dx, m_h - dy);
        }
    }
    batch.Draw(m_target, LinePen(f.size, f.style, f.color, f.alphablend), m_w, m_h);
    if (f.fontSize > 0) {
        const QFont font = LabelFont(f);
        const QString text = QString::fromStdString(d.Label());
        const double height = Trunc(f.fontSize * m_options.fontFactor);
        // The text keeps its whole width: ten font heights would cut "…7.40585°" short.
        const double width = std::max(10 * height, Measure(QFontMetricsF(font), text).width());
        Label(f, font, text, kLabelMargin, m_h - kLabelMargin - height, QSizeF(width, height));
    }
    return got.has_value();
}

std::vector<int> GridRenderer::DistanceSublines(const SublineSetting& s,
                                                const GridLineSetting& crossing,
                                                double crossingSeconds, double limit,
                                                double pixelsPerGeo,
                                                const std::function<int(double)>& pixel) const {
    std::vector<int> at;
    if (!s.enabled || s.division <= 0) return at;
    const double sub = crossingSeconds * kSecondToGeo / s.division;
    for (double position : DistanceSteps(sub, limit, pixelsPerGeo)) {
        const auto j = static_cast<int>(std::lround(position / sub));
        if (crossing.enabled && crossing.interval > 0 && j % s.division == 0) continue;
        at.push_back(pixel(position));
    }
    return at;
}

void GridRenderer::VerticalDistance() {
    const GridLineSetting& f = m_layout.verticalDistance;
    const GridLineSetting& crossing = m_layout.horizontalDistance;
    if (!Drawn(f)) return;
    FamilyLines lines{&f, true, m_h, -1};
    const double step = IntervalMetres(f) / m_metresPerSecondLon * kSecondToGeo;
    int k = 0;
    for (double p :
         DistanceSteps(step, m_page.widthGeo + f.size / m_page.pxPerGeoX * m_page.ratio, Xg())) {
        lines.mains.push_back(Trunc(p * Xg()));
        lines.labels.push_back(DistanceLabelText(++k, f.numberOfDigits));
    }
    // Sublines divide the horizontal distance interval, counted up from the bottom edge.
    const double crossingSeconds = IntervalMetres(crossing) / kMetresPerArcSecondOfLatitude;
    for (int i = 0; i < kSublineCount; ++i)
        lines.sublines[static_cast<std::size_t>(i)] = DistanceSublines(
            f.sublines[static_cast<std::size_t>(i)], crossing, crossingSeconds, m_page.heightGeo,
            Yg(), [&](double q) { return Trunc((m_page.heightGeo - q) * Yg()); });
    DrawFamily(lines);
}

void GridRenderer::HorizontalDistance() {
    const GridLineSetting& f = m_layout.horizontalDistance;
    const GridLineSetting& crossing = m_layout.verticalDistance;
    if (!Drawn(f)) return;
    FamilyLines lines{&f, false, 0, m_w + 1, kLabelMargin};
    const double step = IntervalMetres(f) / kMetresPerArcSecondOfLatitude * kSecondToGeo;
    int k = 0;
    for (double q :
         DistanceSteps(step, m_page.heightGeo + f.size / m_page.pxPerGeoY * m_page.ratio, Yg())) {
        lines.mains.push_back(Trunc((m_page.heightGeo - q) * Yg()));
        lines.labels.push_back(DistanceLabelText(++k, f.numberOfDigits));
    }
    // Sublines divide the vertical distance interval, counted from the left edge.
    const double crossingSeconds = IntervalMetres(crossing) / m_metresPerSecondLon;
    for (int i = 0; i < kSublineCount; ++i)
        lines.sublines[static_cast<std::size_t>(i)] =
            DistanceSublines(f.sublines[static_cast<std::size_t>(i)], crossing, crossingSeconds,
                             m_page.widthGeo, Xg(), [&](double p) { return Trunc(p * Xg()); });
    DrawFamily(lines);
}

void GridRenderer::Scale() {
    const int32_t reduction = m_layout.reduction;
    if (m_layout.scale == 0 || reduction <= 0) return;
    int box = Trunc(std::min(m_page.widthGeo, reduction) * Xg() * kScaleBoxWidth);
    const int height = Trunc(box * kScaleBoxHeight);
    if (box <= 0 || height <= 0) return;
    const double metresPerPixel = m_metresPerSecondLon / (m_page.pxPerGeoX * 100) / m_page.ratio;
    const ScaleNotationLayout fit = LayoutScaleNotation(box, height, reduction, metresPerPixel);
    QImage image(std::max(2 * box, fit.width), height, QImage::Format_RGB32);
    if (image.isNull()) return;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawScaleNotation(painter, &box, height, reduction, metresPerPixel);
    }
    int x = 0, y = 0;
    if (!ScaleNotationPosition(m_layout.scale, m_w, m_h, box, height, &x, &y)) return;
    m_target.StretchIn(x, y, box, height, image.copy(0, 0, box, height));
}

bool GridRenderer::Render(std::string* error) {
    if (m_w <= 0 || m_h <= 0) return true;
    Longitude();
    Latitude();
    const bool declined = MagneticNorth(error);
    VerticalDistance();
    HorizontalDistance();
    if (m_options.outputFlag) Scale();
    return declined;
}

}  // namespace

QString DmsLabelText(int64_t v, int arrangedDirection) {
    const int64_t degrees = v / 360000;
    const int64_t rest = v - degrees * 360000;
    char text[64];
    std::snprintf(text, sizeof text, arrangedDirection == 1 ? "%d°%02d′%02d″" : "%d°\n%02d′\n%02d″",
                  static_cast<int>(degrees), static_cast<int>(rest / 6000),
                  static_cast<int>((rest % 6000) / 100));
    return QString::fromUtf8(text);
}

QString DistanceLabelText(int k, int numberOfDigits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", std::clamp(numberOfDigits, 1, 9), k);
    return QString::fromLatin1(text);
}

int PageGeometry::Width() const {
    // A ratio derived from an output width gives that width back, not one pixel less from
    // the last bit of the division.
    return Trunc(widthGeo * pxPerGeoX * ratio + kRoundingSlack);
}

int PageGeometry::Height() const {
    return Trunc(heightGeo * pxPerGeoY * ratio + kRoundingSlack);
}

PageGeometry PageGeometry::OfOutput(int32_t centreLongitude, int32_t centreLatitude, int width,
                                    int height, int32_t widthGeo) {
    PageGeometry page;
    page.centreLongitude = centreLongitude;
    page.centreLatitude = centreLatitude;
    page.pxPerGeoX = PixelsPerGeoUnitX(kZoom17, centreLongitude);
    page.pxPerGeoY = PixelsPerGeoUnitY(kZoom17, centreLatitude);
    page.widthGeo = widthGeo;
    page.ratio = widthGeo > 0 ? width / (widthGeo * page.pxPerGeoX) : 1;
    page.heightGeo = Trunc(std::ceil(height / (page.pxPerGeoY * page.ratio)));
    return page;
}

PageGeometry PageGeometry::OfView(const ViewTransform& view) {
    PageGeometry page;
    page.centreLongitude = view.center.lon;
    page.centreLatitude = view.center.lat;
    page.pxPerGeoX = PixelsPerGeoUnitX(kZoom17, view.center.lon);
    page.pxPerGeoY = PixelsPerGeoUnitY(kZoom17, view.center.lat);
    page.ratio = view.kx() / page.pxPerGeoX;
    page.widthGeo = Trunc(std::ceil(view.width / view.kx()));
    page.heightGeo = Trunc(std::ceil(view.height / (page.pxPerGeoY * page.ratio)));
    return page;
}

bool RenderGridLines(CDivBitmap& target, const PageGeometry& page, const OutputSetting& layout,
                     const GridLineOptions& options, std::string* error) {
    return GridRenderer(target, page, layout, options).Render(error);
}

}  // namespace hfp
