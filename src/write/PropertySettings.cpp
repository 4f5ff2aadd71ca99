#include "write/PropertySettings.h"

#include <algorithm>

namespace hfp {

QSize PreviewSize(QSize picture, QSize area) {
    if (picture.width() <= 0 || picture.height() <= 0) return QSize();
    int64_t w = picture.width(), h = picture.height();
    if (w > area.width()) {
        h = std::max<int64_t>(1, h * area.width() / w);
        w = area.width();
    }
    if (h > area.height()) {
        w = std::max<int64_t>(1, w * area.height() / h);
        h = area.height();
    }
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

}  // namespace hfp
