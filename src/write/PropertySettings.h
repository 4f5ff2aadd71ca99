#pragma once

#include <QSize>
#include <string>

#include "platform/Color.h"
#include "write/LogFont.h"

namespace hfp {

// What the "Write string" dialog edits: the view's settings for new strings, or one string's.
struct WriteStringSettings {
    LOGFONTA lf = DefaultLogFont();
    std::string text;
    bool background = false;
    COLORREF backgroundColor = 0xFFFFFF;
};

// What the "Write picture" dialog edits: the file and its transparent colour.
struct WritePictureSettings {
    std::string file;
    bool colorKey = false;
    COLORREF colorKeyColor = 0;
};

// The size a picture is shown at in a preview area: scaled down to the area's width keeping
// its aspect ratio, then, when still too tall, to its height; never enlarged.
QSize PreviewSize(QSize picture, QSize area);

}  // namespace hfp
