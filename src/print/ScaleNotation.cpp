#include "print/ScaleNotation.h"

#include <QPainter>
#include <QRectF>
#include <QString>
#include <QTextOption>
#include <cstdio>

#include "geo/GeoPoint.h"
#include "print/LabelFont.h"

namespace hfp {

ScaleNotationLayout LayoutScaleNotation(int width, int height, int32_t reduction,
                                        double metresPerPixel) {
    ScaleNotationLayout layout;
    layout.height = height;
    const int32_t metresPerSegment = reduction / 100;  // one centimetre of paper
    layout.segment = metresPerPixel > 0 ? metresPerSegment / metresPerPixel : 0;
    int box = width;
    int n = layout.segment > 0 ? TruncToInt(0.9 * box / layout.segment) : 0;
    if (n <= 0) {
        n = 1;
        box = TruncToInt(layout.segment / 0.9);
    }
    layout.segments = n;
    layout.width = TruncToInt(layout.segment * n + 0.1 * box);
    layout.totalMetres = static_cast<int64_t>(n) * metresPerSegment;
    return layout;
}

std::string ScaleNotationLengthText(int64_t metres) {
    char text[64];
    if (metres < 1000) {
        std::snprintf(text, sizeof text, "%lldm", static_cast<long long>(metres));
        return text;
    }
    std::snprintf(text, sizeof text, "%lf", static_cast<double>(metres) / 1000);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s + "km";
}

void DrawScaleNotation(QPainter& painter, int* width, int height, int32_t reduction,
                       double metresPerPixel) {
    const ScaleNotationLayout layout =
        LayoutScaleNotation(*width, height, reduction, metresPerPixel);
    const int b = layout.width, t = layout.height;
    *width = b;
    if (b <= 0 || t <= 0) return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(0, 0, b, t), Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, b - 1, t - 1));

    const int top = TruncToInt(0.4 * t), bottom = TruncToInt(0.6 * t);
    for (int i = 0; i < layout.segments; ++i) {
        const int left = TruncToInt(i * layout.segment + 0.05 * b);
        const int right = TruncToInt(0.05 * b + (i + 1) * layout.segment);
        painter.fillRect(QRect(left, top, right - left, bottom - top),
                         i % 2 == 0 ? QColor(0, 0, 0) : QColor(128, 128, 128));
    }

    painter.setFont(PrintLabelFont(TruncToInt(0.3 * t)));
    painter.setPen(Qt::black);

    QTextOption topLeft(Qt::AlignLeft | Qt::AlignTop);
    topLeft.setWrapMode(QTextOption::NoWrap);
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "1 / %ld", static_cast<long>(reduction));
    painter.drawText(QRectF(0.05 * b, 0.05 * t, b - 0.05 * b, t - 0.05 * t), QString(ratio),
                     topLeft);
    QTextOption centred(Qt::AlignHCenter | Qt::AlignBottom);
    centred.setWrapMode(QTextOption::NoWrap);
    painter.drawText(QRectF(0, 0, b, TruncToInt(0.95 * t)),
                     QString::fromStdString(ScaleNotationLengthText(layout.totalMetres)), centred);
    painter.restore();
}

bool ScaleNotationPosition(int position, int areaWidth, int areaHeight, int boxWidth, int boxHeight,
                           int* x, int* y) {
    switch (position) {
        case 1:
            *x = 0;
            *y = 0;
            return true;
        case 2:
            *x = areaWidth - boxWidth - 3;
            *y = 0;
            return true;
        case 3:
            *x = 0;
            *y = areaHeight - boxHeight - 3;
            return true;
        case 4:
            *x = areaWidth - boxWidth - 3;
            *y = areaHeight - boxHeight - 3;
            return true;
        default:
            return false;
    }
}

}  // namespace hfp
