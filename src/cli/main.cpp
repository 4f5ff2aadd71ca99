#include <QString>
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
    // hfp has no window: a GUI application, for the commands that draw texts, is offscreen.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(QtMessagesToTrace);
    return hfp::cli::RunCli(argc, argv);
}
