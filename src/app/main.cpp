#include <QApplication>
#include <clocale>
#include <cstdlib>

#include <unistd.h>

#include "app/HollowfernPlotterApp.h"

int main(int argc, char** argv) {
    if (hfp::CHollowfernPlotterApp::PrintHelpIfAsked(argc, argv)) return 0;
#ifdef HFP_WEBENGINE
    // The embedded browser's engine refuses to start as root with its sandbox on; for anyone
    // else the sandbox stays.
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    QApplication application(argc, argv);
    // Numbers in files and boxes are written and read with a decimal point, whatever the
    // user's language; the window system has set the rest of the locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("HollowfernPlotter");
    QApplication::setOrganizationName("Quay");

    const int exitCode = hfp::CHollowfernPlotterApp::ReadCommandLine(application.arguments());
    if (exitCode >= 0) return exitCode;
    hfp::CHollowfernPlotterApp app;
    // Another instance runs: end silently.
    if (!app.InitInstance()) return 0;
    return application.exec();
}
