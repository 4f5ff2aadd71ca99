#include "print/PrintHistory.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdio>

#include "platform/Messages.h"

namespace hfp {

namespace {

std::string Trimmed(const std::string& text) {
    return QString::fromStdString(text).trimmed().toStdString();
}

}  // namespace

bool AddPrintHistory(PrintHistory& history, int32_t longitude, int32_t latitude,
                     const std::string& name) {
    int last = kPrintHistoryCount - 1;
    while (last >= 0 && history[static_cast<std::size_t>(last)].keep)
        --last;
    if (last < 0) return false;
    for (int i = last; i > 0; --i)
        history[static_cast<std::size_t>(i)] = std::move(history[static_cast<std::size_t>(i - 1)]);
    history[0] = PrintHistoryEntry{name, false, longitude, latitude};
    return true;
}

std::string PrintHistoryName(const QDateTime& when) {
    // The weekday in English whatever the user's locale, as the rest of the program speaks.
    return QLocale::c().toString(when, "yyyy/MM/dd/(dddd) HH:mm:ss").toStdString();
}

bool AddPrintHistoryNow(PrintHistory& history, GeoPoint center) {
    return AddPrintHistory(history, center.lon, center.lat,
                           PrintHistoryName(QDateTime::currentDateTime()));
}

int PrintHistoryUsed(const PrintHistory& history) {
    int used = 0;
    while (used < kPrintHistoryCount &&
           !Trimmed(history[static_cast<std::size_t>(used)].name).empty())
        ++used;
    return used;
}

std::string FormatHistoryCoordinate(int32_t geo) {
    char text[64];
    std::snprintf(text, sizeof text, "%3d\u00b0%02d\u2032%02d\u2033%d", geo / 360000,
                  (geo % 360000) / 6000, (geo % 6000) / 100, geo % 100);
    return text;
}

bool RenamePrintHistory(PrintHistory& history, int index, const std::string& text,
                        Messages* messages) {
    const std::string name = Trimmed(text);
    if (name.empty()) {
        if (messages) messages->Show("Input name.", MessageIcon::Warning);
        return false;
    }
    history[static_cast<std::size_t>(index)].name = name;
    return true;
}

}  // namespace hfp
