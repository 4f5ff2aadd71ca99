#include "view/TileNotice.h"

namespace hfp {

TileNotice::TileNotice(QWidget* view) : QLabel(view) {
    setWordWrap(true);
    setMargin(4);
    setAutoFillBackground(true);
    setStyleSheet("background: #fff3c4; color: black; border-bottom: 1px solid #c8a000;");
    hide();
}

QString TileNotice::Text(const CompositionStats& stats) {
    if (stats.noAnswer > 0)
        return QString(
                   "Map tiles cannot be downloaded: no answer from the tile server (%1). "
                   "%2 of %3 tiles are missing; they are asked for again when the map "
                   "moves or on Refresh.")
            .arg(QString::fromStdString(stats.noAnswerReason))
            .arg(stats.missing())
            .arg(stats.asked);
    if (stats.notStored > 0)
        return QString(
                   "Map tiles cannot be stored in the tile cache (%1). %2 of %3 tiles are "
                   "missing.")
            .arg(QString::fromStdString(stats.notStoredReason))
            .arg(stats.notStored)
            .arg(stats.asked);
    return {};
}

void TileNotice::Update(const CompositionStats& stats, bool done) {
    const QString text = Text(stats);
    if (!text.isEmpty()) {
        setText(text);
        resize(parentWidget()->width(), heightForWidth(parentWidget()->width()));
        show();
    } else if (done || stats.arrived > 0) {
        hide();
    }
}

}  // namespace hfp
