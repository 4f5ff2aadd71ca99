#include <QApplication>
#include <clocale>

#include "app/HollowfernPlotterApp.h"

int main(int argc, char** argv) {
    if (hfp::CHollowfernPlotterApp::PrintHelpIfAsked(argc, argv)) return 0;
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
