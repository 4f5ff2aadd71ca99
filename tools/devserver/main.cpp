// hfp-devserver: a local stand-in for the outside services of HollowfernPlotter.

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "ProgramVersion.h"
#include "devserver/Options.h"
#include "devserver/Server.h"

namespace {

QtMessageHandler qtDefaultHandler = nullptr;

// Qt's messages, less the complaint about a missing XDG_RUNTIME_DIR, which this server never
// uses and which would only clutter the output of every test that starts it.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("XDG_RUNTIME_DIR"))) return;
    if (qtDefaultHandler) qtDefaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace hfp::devserver;

    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("hfp-devserver %s\n", hfp::kProgramVersion);
        return 0;
    }
    Options options;
    std::string error;
    switch (ParseOptions(argc - 1, argv + 1, &options, &error)) {
        case ParseOutcome::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case ParseOutcome::Error:
            std::fprintf(stderr, "hfp-devserver: %s\n%s", error.c_str(), UsageText().c_str());
            return 2;
        case ParseOutcome::Run:
            break;
    }

    // SIGINT and SIGTERM end the server. They are blocked before any thread starts, so every
    // thread inherits the mask and only the sigwait below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    // Tiles are drawn with Qt, which needs a GUI application for its fonts but no display.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qtDefaultHandler = qInstallMessageHandler(QuietMessages);
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);

    Server server(options);
    int port = server.Bind();
    if (port < 0) {
        std::fprintf(stderr, "hfp-devserver: cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);

    std::atomic<bool> stopping = false;
    std::atomic<bool> failed = false;
    std::mutex endLock;
    std::condition_variable endChanged;
    bool ended = false;
    std::thread serving([&] {
        server.Run();
        {
            std::lock_guard guard(endLock);
            ended = true;
        }
        endChanged.notify_all();
        if (!stopping) {
            // The server ended by itself, which is a failure: wake the main thread.
            failed = true;
            kill(getpid(), SIGTERM);
        }
    });

    if (options.exitWithStdin) {
        // Standard input is a pipe whose other end the starter holds: end of input means
        // the starter has gone.
        std::thread([] {
            char byte;
            while (read(STDIN_FILENO, &byte, 1) > 0) {
            }
            kill(getpid(), SIGTERM);
        }).detach();
    }

    int received = 0;
    sigwait(&stopSignals, &received);
    stopping = true;
    // A stop that comes before the serving thread listens is lost (the HTTP library only
    // stops a running server): repeat it until the serving thread has ended.
    {
        std::unique_lock guard(endLock);
        do {
            server.Stop();
        } while (!endChanged.wait_for(guard, std::chrono::milliseconds(50), [&] { return ended; }));
    }
    serving.join();
    return failed ? 1 : 0;
}
