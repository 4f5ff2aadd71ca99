#include "app/ToolIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "app/CommandTable.h"
#include "geo/GeoPoint.h"

namespace hfp {

namespace {

constexpr int kSize = 24;

const QColor kInk(50, 50, 50);
const QColor kPaper(252, 252, 248);
const QColor kBlue(30, 90, 200);
const QColor kGreen(30, 130, 60);
const QColor kRed(200, 40, 40);
const QColor kLand(200, 230, 190);

QPixmap Paint(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pixmap;
}

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
}

void Lines(QPainter& p, QRectF r, int count) {
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int i = 0; i < count; ++i) {
        const double y = r.top() + 4.5 + 3 * i;
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
    }
}

void Magnifier(QPainter& p, QPointF centre, double radius, int sign) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(centre, radius, radius);
    const double d = radius * 0.72;
    p.drawLine(centre + QPointF(d, d), centre + QPointF(d + 6, d + 6));
    if (sign == 0) return;
    const double a = radius * 0.55;
    p.setPen(QPen(kInk, 1.6));
    p.drawLine(centre - QPointF(a, 0), centre + QPointF(a, 0));
    if (sign > 0) p.drawLine(centre - QPointF(0, a), centre + QPointF(0, a));
}

void ArrowHead(QPainter& p, QPointF tip, QPointF back1, QPointF back2, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({tip, back1, back2}));
}

// A map pin standing on (x, bottom).
void Pin(QPainter& p, double x, double bottom, QColor colour) {
    QPainterPath path;
    path.moveTo(x, bottom);
    path.cubicTo(x - 9, bottom - 9, x - 7, bottom - 19, x, bottom - 19);
    path.cubicTo(x + 7, bottom - 19, x + 9, bottom - 9, x, bottom);
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawPath(path);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(x, bottom - 12.5), 2.8, 2.8);
}

void Gear(QPainter& p, QPointF c, double outer, double inner) {
    QPainterPath path;
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth * 2; ++i) {
        const double r = i % 2 ? inner : outer;
        QTransform turn;
        turn.rotate(360.0 / (kTeeth * 2) * i);
        const QPointF a = turn.map(QPointF(r, -2.2)), b = turn.map(QPointF(r, 2.2));
        if (i == 0)
            path.moveTo(c + a);
        else
            path.lineTo(c + a);
        path.lineTo(c + b);
    }
    path.closeSubpath();
    path.addEllipse(c, inner * 0.45, inner * 0.45);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(170, 175, 185));
    p.drawPath(path);
}

QPixmap Undo() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kBlue, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(8, 9);
        path.lineTo(14, 9);
        path.cubicTo(22, 9, 22, 20, 14, 20);
        path.lineTo(9, 20);
        p.drawPath(path);
        ArrowHead(p, QPointF(2, 9), QPointF(9, 3.5), QPointF(9, 14.5), kBlue);
    });
}

QPixmap Cut() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(90, 90, 100), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 14), QPointF(17, 2));
        p.drawLine(QPointF(15, 14), QPointF(7, 2));
        p.setPen(QPen(kRed, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(7, 18), 3.3, 3.3);
        p.drawEllipse(QPointF(17, 18), 3.3, 3.3);
    });
}

QPixmap Copy() {
    return Paint([](QPainter& p) {
        Sheet(p, QRectF(2.5, 2.5, 12, 15));
        Sheet(p, QRectF(9.5, 6.5, 12, 15));
        Lines(p, QRectF(9.5, 6.5, 12, 15), 3);
    });
}

QPixmap Paste() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(110, 70, 30), 1));
        p.setBrush(QColor(200, 150, 90));
        p.drawRoundedRect(QRectF(2.5, 3.5, 14, 18), 2, 2);
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(6.5, 1.5, 6, 4));
        Sheet(p, QRectF(10.5, 8.5, 11, 14));
        Lines(p, QRectF(10.5, 8.5, 11, 14), 3);
    });
}

QPixmap Delete() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kRed, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(19, 19));
        p.drawLine(QPointF(19, 5), QPointF(5, 19));
    });
}

QPixmap Print() {
    return Paint([](QPainter& p) {
        Sheet(p, QRectF(6.5, 1.5, 11, 8));
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(170, 175, 185));
        p.drawRoundedRect(QRectF(1.5, 8.5, 21, 10), 2, 2);
        Sheet(p, QRectF(6.5, 15.5, 11, 7));
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(18.5, 11.5), 1.3, 1.3);
    });
}

QPixmap PrintPreview() {
    return Paint([](QPainter& p) {
        Sheet(p, QRectF(2.5, 1.5, 14, 19));
        Lines(p, QRectF(2.5, 1.5, 14, 19), 4);
        Magnifier(p, QPointF(14, 14), 4.5, 0);
    });
}

// A landscape: a map or picture in a frame.
void Landscape(QPainter& p, QRectF r) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(215, 235, 255));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({QPointF(r.left() + 0.5, r.bottom()),
                             QPointF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.35),
                             QPointF(r.left() + r.width() * 0.7, r.bottom() - r.height() * 0.3),
                             QPointF(r.right() - 0.5, r.bottom())}));
    p.setBrush(QColor(240, 180, 30));
    p.drawEllipse(QPointF(r.right() - r.width() * 0.22, r.top() + r.height() * 0.28), 2, 2);
}

QPixmap FileOut() {
    return Paint([](QPainter& p) {
        Landscape(p, QRectF(1.5, 1.5, 16, 13));
        p.setPen(QPen(kBlue, 2.5));
        p.drawLine(QPointF(16, 13), QPointF(16, 19));
        ArrowHead(p, QPointF(16, 23.5), QPointF(10.5, 17.5), QPointF(21.5, 17.5), kBlue);
    });
}

QPixmap Picture() {
    return Paint([](QPainter& p) { Landscape(p, QRectF(1.5, 4.5, 21, 15)); });
}

QPixmap Reload() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kGreen, 2.5));
        p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 280 * 16);
        ArrowHead(p, QPointF(20, 5), QPointF(14, 2), QPointF(14, 9), kGreen);
    });
}

QPixmap Zoom(int sign) {
    return Paint([sign](QPainter& p) { Magnifier(p, QPointF(9.5, 9.5), 6.5, sign); });
}

// A map tile cut into more squares the deeper the level, with the level's number.
QPixmap Level(int level) {
    return Paint([level](QPainter& p) {
        const QRectF r(1.5, 1.5, 21, 21);
        p.setPen(QPen(kInk, 1));
        p.setBrush(kLand);
        p.drawRect(r);
        const int cells = level - 5;
        p.setPen(QPen(QColor(120, 160, 120), 1));
        for (int i = 1; i < cells; ++i) {
            const double d = r.width() * i / cells;
            p.drawLine(QPointF(r.left() + d, r.top()), QPointF(r.left() + d, r.bottom()));
            p.drawLine(QPointF(r.left(), r.top() + d), QPointF(r.right(), r.top() + d));
        }
        QFont font;
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(20, 60, 20));
        p.drawText(r, Qt::AlignCenter, QString::number(level));
    });
}

QPixmap GoTo() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 8, 8);
        p.drawLine(QPointF(12, 1), QPointF(12, 7));
        p.drawLine(QPointF(12, 17), QPointF(12, 23));
        p.drawLine(QPointF(1, 12), QPointF(7, 12));
        p.drawLine(QPointF(17, 12), QPointF(23, 12));
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
    });
}

QPixmap PositionRegister() {
    return Paint([](QPainter& p) {
        Pin(p, 9, 22, kRed);
        p.setPen(QPen(kGreen, 2.2));
        p.drawLine(QPointF(18, 3), QPointF(18, 11));
        p.drawLine(QPointF(14, 7), QPointF(22, 7));
    });
}

QPixmap SpotInformation() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(110, 80, 50), 1));
        p.setBrush(QColor(170, 130, 90));
        p.drawPolygon(QPolygonF(
            {QPointF(1, 22), QPointF(9, 9), QPointF(13, 14), QPointF(16, 11), QPointF(23, 22)}));
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(9, 9), QPointF(9, 1.5));
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF({QPointF(9.6, 1.5), QPointF(16, 3.5), QPointF(9.6, 5.5)}));
    });
}

// Stacked sheets of transparent film: the write sets over the map.
QPixmap WriteSet() {
    return Paint([](QPainter& p) {
        const QColor tints[] = {QColor(120, 170, 230), QColor(130, 200, 140), QColor(240, 190, 90)};
        for (int i = 0; i < 3; ++i) {
            const double y = 14 - 5 * i;
            p.setPen(QPen(kInk, 1));
            p.setBrush(tints[i]);
            p.drawPolygon(
                QPolygonF({QPointF(12, y - 5), QPointF(22, y), QPointF(12, y + 5), QPointF(2, y)}));
        }
    });
}

// A stamp that lays down a ready-made group of objects.
QPixmap WritePattern() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(180, 120, 70));
        p.drawRoundedRect(QRectF(8.5, 1.5, 7, 9), 2, 2);
        p.setBrush(QColor(120, 80, 50));
        p.drawRect(QRectF(4.5, 10.5, 15, 4));
        p.setPen(QPen(kBlue, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2.5, 17, 6, 5));
        p.drawRect(QRectF(10, 17, 5, 5));
        p.drawLine(QPointF(17, 22), QPointF(22, 17));
    });
}

QPixmap ColorSample() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(Qt::black);
        p.drawRect(QRectF(3.5, 3.5, kSize - 7, kSize - 7));
    });
}

QPixmap LineSample() {
    QPixmap pixmap(3 * kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(14, kSize / 2 - 1), QPointF(3 * kSize - 2, kSize / 2 - 1));
    QFont font;
    font.setPixelSize(12);
    p.setFont(font);
    p.drawText(QRect(0, 0, 12, kSize), Qt::AlignVCenter | Qt::AlignRight, "1");
    return pixmap;
}

QPixmap Shape(int id) {
    return Paint([id](QPainter& p) {
        p.setPen(QPen(kBlue, 2));
        p.setBrush(Qt::NoBrush);
        switch (id) {
            case ID_WRITE_LINE:
                p.drawPolyline(
                    QPolygonF({QPointF(3, 19), QPointF(9, 7), QPointF(15, 15), QPointF(21, 4)}));
                break;
            case ID_WRITE_RECTANGLE:
                p.drawRect(QRectF(4, 6, 16, 12));
                break;
            case ID_WRITE_ELLIPSE:
                p.drawEllipse(QRectF(3, 6, 18, 12));
                break;
            default:  // selection: an arrow
                p.setBrush(Qt::white);
                p.setPen(QPen(Qt::black, 1.2));
                p.drawPolygon(
                    QPolygonF({QPointF(6, 3), QPointF(6, 20), QPointF(10, 15), QPointF(14, 21),
                               QPointF(16, 20), QPointF(12, 14), QPointF(18, 14)}));
                break;
        }
    });
}

QPixmap String() {
    return Paint([](QPainter& p) {
        QFont font("serif");
        font.setPixelSize(20);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kBlue);
        p.drawText(QRect(0, -1, kSize, kSize), Qt::AlignCenter, "A");
        p.setPen(QPen(kInk, 1));
        p.drawLine(QPointF(3, 22.5), QPointF(21, 22.5));
    });
}

QPixmap Setting() {
    return Paint([](QPainter& p) { Gear(p, QPointF(12, 12), 10.5, 7.5); });
}

// A printed sheet with its grid lines, and a small gear for its settings.
QPixmap OutputSetting() {
    return Paint([](QPainter& p) {
        Sheet(p, QRectF(1.5, 1.5, 15, 20));
        p.setPen(QPen(QColor(80, 120, 220), 1));
        for (double x : {6.5, 11.5})
            p.drawLine(QPointF(x, 3), QPointF(x, 20));
        for (double y : {7.5, 13.5})
            p.drawLine(QPointF(2, y), QPointF(15.5, y));
        Gear(p, QPointF(17.5, 17.5), 6, 4.2);
    });
}

QPixmap Help() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kBlue.darker(130), 1));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 12), 10.5, 10.5);
        QFont font;
        font.setPixelSize(16);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, "?");
    });
}

// A stack of objects with an arrow: to the very front or back (`ends`) or one step.
QPixmap Order(bool up, bool ends) {
    return Paint([up, ends](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(2.5, 9.5, 11, 11));
        p.setBrush(QColor(120, 170, 230));
        p.drawRect(QRectF(6.5, 4.5, 11, 11));
        const double x = 20, tipY = up ? 2 : 22, backY = up ? 8 : 16;
        p.setPen(QPen(kGreen, 2));
        p.drawLine(QPointF(x, up ? 7 : 3), QPointF(x, up ? 21 : 17));
        ArrowHead(p, QPointF(x, tipY), QPointF(x - 3.5, backY), QPointF(x + 3.5, backY), kGreen);
        if (ends) p.drawLine(QPointF(x - 3.5, up ? 1 : 23), QPointF(x + 3.5, up ? 1 : 23));
    });
}

// A frame with a cross at its middle: bounds moved to the centre of the view.
QPixmap BoundsToCentre(QColor colour) {
    return Paint([colour](QPainter& p) {
        p.setPen(QPen(colour, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.5, 5.5, 17, 13));
        p.setPen(QPen(kRed, 1));
        p.drawLine(QPointF(12, 8), QPointF(12, 16));
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
    });
}

QPixmap Globe() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(kBlue, 1.3));
        p.setBrush(QColor(215, 235, 255));
        p.drawEllipse(QPointF(12, 12), 10, 10);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 4.5, 10);
        p.drawLine(QPointF(2, 12), QPointF(22, 12));
        p.drawLine(QPointF(12, 2), QPointF(12, 22));
    });
}

// A command's picture: the desktop's icon theme where it has one for the command (by its
// freedesktop name), else our own drawing.
struct IconSource {
    int id;
    const char* themeName;  // null: always our own
    std::function<QPixmap()> draw;
};

const std::vector<IconSource>& IconSources() {
    static const std::vector<IconSource> sources = [] {
        std::vector<IconSource> s = {
            {ID_EDIT_UNDO, "edit-undo", Undo},
            {ID_EDIT_CUT, "edit-cut", Cut},
            {ID_EDIT_COPY, "edit-copy", Copy},
            {ID_EDIT_PASTE, "edit-paste", Paste},
            {ID_EDIT_DELETE, "edit-delete", Delete},
            {ID_FILE_PRINT, "document-print", Print},
            {ID_FILE_PRINT_PREVIEW, "document-print-preview", PrintPreview},
            {ID_FILE_PRINT_SETUP, "document-page-setup", Print},
            {ID_FILE_FILEOUT, nullptr, FileOut},
            {ID_FILE_SHOW_INFORMATION, "dialog-information", Help},
            {ID_APP_EXIT, "application-exit", Delete},
            {ID_MAP_REFRESH, "view-refresh", Reload},
            {ID_MAP_ZOOM_IN, "zoom-in", [] { return Zoom(1); }},
            {ID_MAP_ZOOM_OUT, "zoom-out", [] { return Zoom(-1); }},
            {ID_POPUP_ZOOM_IN, "zoom-in", [] { return Zoom(1); }},
            {ID_POPUP_ZOOM_OUT, "zoom-out", [] { return Zoom(-1); }},
            {ID_MAP_MOVE_LATLNG, nullptr, GoTo},
            {ID_MAP_POSITION_REGISTER, nullptr, PositionRegister},
            {ID_MAP_MOVE_PRINT_BOUNDS, nullptr, [] { return BoundsToCentre(kBlue); }},
            {ID_POPUP_MOVE_PRINT_BOUNDS, nullptr, [] { return BoundsToCentre(kBlue); }},
            {ID_MAP_MOVE_FILEOUT_BOUNDS, nullptr, [] { return BoundsToCentre(kGreen); }},
            {ID_POPUP_MOVE_FILEOUT_BOUNDS, nullptr, [] { return BoundsToCentre(kGreen); }},
            {ID_MAP_PRINT_HISTORY, "document-open-recent", PrintPreview},
            {ID_MAP_SPOT_INFORMATION, nullptr, SpotInformation},
            {ID_WRITE_SET, nullptr, WriteSet},
            {ID_WRITE_PATTERN, nullptr, WritePattern},
            {ID_WRITE_COLOR, nullptr, ColorSample},
            {ID_WRITE_LINE_STYLE, nullptr, LineSample},
            {ID_WRITE_SELECT, nullptr, [] { return Shape(ID_WRITE_SELECT); }},
            {ID_WRITE_LINE, nullptr, [] { return Shape(ID_WRITE_LINE); }},
            {ID_WRITE_RECTANGLE, nullptr, [] { return Shape(ID_WRITE_RECTANGLE); }},
            {ID_WRITE_ELLIPSE, nullptr, [] { return Shape(ID_WRITE_ELLIPSE); }},
            {ID_WRITE_STRING, nullptr, String},
            {ID_WRITE_PICTURE, "insert-image", Picture},
            {ID_WRITE_MOST_FRONT, "go-top", [] { return Order(true, true); }},
            {ID_WRITE_MOST_BACK, "go-bottom", [] { return Order(false, true); }},
            {ID_WRITE_FRONT, "go-up", [] { return Order(true, false); }},
            {ID_WRITE_BACK, "go-down", [] { return Order(false, false); }},
            {ID_SETTING, "preferences-system", Setting},
            {ID_OUTPUT_SETTING, nullptr, OutputSetting},
            {ID_APP_ABOUT, "help-about", Help},
            {ID_HELP, "help-contents", Help},
            {ID_HELP_WEBSITE, "internet-web-browser", Globe},
            {ID_HELP_MESSAGE_BOARD, "internet-web-browser", Globe},
            {ID_HELP_GSI_POLICY, "internet-web-browser", Globe},
        };
        for (int i = 0; i < kLevelCommandCount; ++i)
            s.push_back({kLevelCommands[i], nullptr, [i] { return Level(LevelOfIndex(i)); }});
        return s;
    }();
    return sources;
}

}  // namespace

QIcon ToolIcon(int id) {
    for (const IconSource& source : IconSources()) {
        if (source.id != id) continue;
        const QIcon own(source.draw());
        return source.themeName ? QIcon::fromTheme(source.themeName, own) : own;
    }
    // The check items of the menus (tile scaling, transparency, bar toggles) need none.
    return QIcon();
}

}  // namespace hfp
