#include "app/HollowfernPlotterApp.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "ProgramVersion.h"
#include "app/MainFrame.h"
#include "platform/DataFolder.h"
#include "platform/NamedMutex.h"
#include "platform/ProgramOptions.h"
#include "platform/Services.h"
#include "platform/Trace.h"

namespace hfp {

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: HollowfernPlotter [--data-dir DIR] [--services URL]\n"
                 "       HollowfernPlotter --help | --version\n\n"
                 "The map editor for hikers on the GSI maps of Japan.\n\n"
                 "Options:\n%s",
                 ProgramOptionsHelp());
}

// The pipe from the signal handler to the event loop.
int g_signalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
}

}  // namespace

CHollowfernPlotterApp::CHollowfernPlotterApp() = default;

void CHollowfernPlotterApp::CatchEndSignals() {
    if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Trace("cannot make the signal pipe; signals end the program unsaved");
        return;
    }
    delete m_signalNotifier;
    m_signalNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_signalNotifier, &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        Trace("end signal: closing the window");
        if (m_frame) m_frame->close();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

CHollowfernPlotterApp::~CHollowfernPlotterApp() {
    delete m_signalNotifier;
    // The window goes before the instance lock is let go.
    m_frame.reset();
}

bool CHollowfernPlotterApp::PrintHelpIfAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            PrintUsage(stdout);
            return true;
        }
        if (word == "--version") {
            std::printf("HollowfernPlotter %s\n", kProgramVersion);
            return true;
        }
    }
    return false;
}

int CHollowfernPlotterApp::ReadCommandLine(const QStringList& arguments) {
    std::vector<std::string> words;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        words.push_back(arguments[i].toStdString());
    ApplyServiceEnvironment();
    std::size_t i = 0;
    while (i < words.size()) {
        std::string error;
        if (TakeProgramOption(words, &i, &error)) continue;
        std::fprintf(stderr, "HollowfernPlotter: %s\n\n",
                     error.empty() ? ("unknown argument " + words[i]).c_str() : error.c_str());
        PrintUsage(stderr);
        return 2;
    }
    return -1;
}

bool CHollowfernPlotterApp::InitInstance() {
    m_instance = std::make_unique<NamedMutex>(kInstanceMutexName);
    if (!m_instance->TryLock()) {
        if (m_instance->fileOpen()) return false;
        // Without its lock file the program cannot tell whether it runs already; it runs
        // rather than end without a word.
        Trace("cannot open %s; starting without the single-instance lock",
              m_instance->path().c_str());
    }
    // What the installation provides, for whoever checks one.
    const std::filesystem::path manual = FindProgramFile("help/index.html");
    const std::filesystem::path logo = FindProgramFile("printlogo.png");
    Trace("manual %s, print logo %s", manual.empty() ? "not found" : manual.c_str(),
          logo.empty() ? "not found" : logo.c_str());
    const QString icon = QString::fromStdString(FindProgramFile("hollowfernplotter.png").string());
    QApplication::setWindowIcon(QIcon::fromTheme("hollowfernplotter", QIcon(icon)));
    m_frame = std::make_unique<CMainFrame>();
    m_frame->ShowFromPlacement();
    CatchEndSignals();
    // The spot service's login runs once the window is on the screen; an answer that started
    // the updater closes the program.
    QTimer::singleShot(0, m_frame.get(), [frame = m_frame.get()] {
        if (!frame->StartSpotService()) frame->close();
    });
    return true;
}

}  // namespace hfp
