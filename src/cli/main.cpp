#include <QGuiApplication>
#include <cstdlib>

#include "cli/Cli.h"
#include "platform/Trace.h"

namespace {

// hfp's own messages are its only output; Qt's are diagnostics.
void QtMessagesToTrace(QtMsgType, const QMessageLogContext&, const QString& message) {
    hfp::Trace("qt: %s", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    // Texts are drawn with Qt, whose fonts need a GUI application, though hfp has no window.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(QtMessagesToTrace);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return hfp::cli::RunCli(argc, argv);
}
