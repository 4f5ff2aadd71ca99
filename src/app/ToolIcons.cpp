#include "app/ToolIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "app/CommandTable.h"

namespace hfp {

namespace {

constexpr int kSize = 24;

QPixmap Paint(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pixmap;
}

// A short text on a tinted tile, for the commands without a figure of their own.
QPixmap Lettered(const QString& text, QColor tint) {
    return Paint([&](QPainter& p) {
        p.setPen(QPen(tint.darker(160), 1));
        p.setBrush(tint);
        p.drawRoundedRect(QRectF(1.5, 1.5, kSize - 3, kSize - 3), 4, 4);
        QFont font;
        font.setPixelSize(text.size() > 2 ? 8 : 11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
    });
}

QPixmap Magnifier(bool plus) {
    return Paint([&](QPainter& p) {
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QRectF(3, 3, 13, 13));
        p.drawLine(QPointF(14, 14), QPointF(21, 21));
        p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
        if (plus) p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
    });
}

QPixmap Reload() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(20, 110, 40), 2.5));
        p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(14, 2);
        head.lineTo(20, 5);
        head.lineTo(14, 9);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 110, 40));
        p.drawPath(head);
    });
}

// The current colour and line style of new objects; black solid lines until they are chosen.
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
        p.setPen(QPen(QColor(30, 60, 200), 2));
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

}  // namespace

QIcon ToolIcon(int id) {
    const QColor edit(255, 236, 200), output(225, 225, 240), map(215, 240, 215),
        write(215, 228, 255), setting(235, 235, 235);
    switch (id) {
        case ID_MAP_ZOOM_IN:
            return QIcon(Magnifier(true));
        case ID_MAP_ZOOM_OUT:
            return QIcon(Magnifier(false));
        case ID_MAP_REFRESH:
            return QIcon(Reload());
        case ID_WRITE_SELECT:
        case ID_WRITE_LINE:
        case ID_WRITE_RECTANGLE:
        case ID_WRITE_ELLIPSE:
            return QIcon(Shape(id));
        case ID_EDIT_UNDO:
            return QIcon(Lettered(QString::fromUtf8("\u21B6"), edit));
        case ID_EDIT_CUT:
            return QIcon(Lettered(QString::fromUtf8("\u2702"), edit));
        case ID_EDIT_COPY:
            return QIcon(Lettered("Cp", edit));
        case ID_EDIT_PASTE:
            return QIcon(Lettered("Pa", edit));
        case ID_EDIT_DELETE:
            return QIcon(Lettered(QString::fromUtf8("\u2715"), edit));
        case ID_FILE_PRINT:
            return QIcon(Lettered("Pr", output));
        case ID_FILE_PRINT_PREVIEW:
            return QIcon(Lettered("Pv", output));
        case ID_FILE_FILEOUT:
            return QIcon(Lettered("Out", output));
        case ID_MAP_MOVE_LATLNG:
            return QIcon(Lettered("Go", map));
        case ID_MAP_POSITION_REGISTER:
            return QIcon(Lettered("Pos", map));
        case ID_MAP_SPOT_INFORMATION:
            return QIcon(Lettered("Sp", map));
        case ID_WRITE_COLOR:
            return QIcon(ColorSample());
        case ID_WRITE_LINE_STYLE:
            return QIcon(LineSample());
        case ID_WRITE_SET:
            return QIcon(Lettered("Set", write));
        case ID_WRITE_PATTERN:
            return QIcon(Lettered("Pat", write));
        case ID_WRITE_STRING:
            return QIcon(Lettered("A", write));
        case ID_WRITE_PICTURE:
            return QIcon(Lettered("Pic", write));
        case ID_SETTING:
            return QIcon(Lettered("Set", setting));
        case ID_OUTPUT_SETTING:
            return QIcon(Lettered("Lay", setting));
        case ID_HELP:
            return QIcon(Lettered("?", setting));
        default:
            break;
    }
    if (const Command* c = FindCommand(id)) return QIcon(Lettered(c->text, map));
    return QIcon();
}

}  // namespace hfp
