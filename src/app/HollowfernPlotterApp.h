#pragma once

#include <QSocketNotifier>

#include <QStringList>
#include <memory>

#include "platform/NamedMutex.h"

namespace hfp {

class CMainFrame;

// The application: one running instance, its options, and the main window. SIGTERM, SIGINT and
// SIGHUP close the window as the user would, so that everything is saved as at exit: the
// handler only writes a byte to a pipe, which the event loop reads.
class CHollowfernPlotterApp {
  public:
    // The name of the lock that only one running map editor holds (the updater waits on it).
    static constexpr const char* kInstanceMutexName = kProgramMutexName;

    CHollowfernPlotterApp();
    ~CHollowfernPlotterApp();

    // True, with the usage or the version printed, when the command line asks for it. Called before
    // the window system starts, so that it works without a display.
    static bool PrintHelpIfAsked(int argc, char** argv);
    // Takes the program's options (--data-dir, --services) from the arguments the window
    // system left; before them the environment. Returns -1 to go on, else the exit code to
    // end with (usage printed).
    static int ReadCommandLine(const QStringList& arguments);

    // Starts the program: false, at once and without a word, when another instance runs;
    // otherwise the main window is made and shown.
    bool InitInstance();

    CMainFrame* frame() { return m_frame.get(); }

  private:
    void CatchEndSignals();

    std::unique_ptr<NamedMutex> m_instance;
    QSocketNotifier* m_signalNotifier = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace hfp
