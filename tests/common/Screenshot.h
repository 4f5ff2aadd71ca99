#pragma once

#include <QString>
#include <QWidget>
#include <cstdlib>

namespace hfp::test {

// Keeps a picture of a window for a person to look at, when HFP_SCREENSHOT_DIR names a folder.
inline void KeepScreenshot(QWidget& window, const char* name) {
    const char* folder = std::getenv("HFP_SCREENSHOT_DIR");
    if (!folder || !*folder) return;
    window.grab().save(QString("%1/%2.png").arg(folder, name));
}

}  // namespace hfp::test
