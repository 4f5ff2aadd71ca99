#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "write/Write.h"

namespace hfp {

// Keeps a file of the user's drawing (write.dat, writepat.dat) on disk within moments of each
// committed edit, without making the user wait.
//
// The user interface thread hands over what encodes the file's bytes with Schedule: for
// write.dat a WriteSaveJob (the sets' newest undo snapshots, which never change, so handing
// over costs no copy of an object); for the small pattern file its bytes. One saving thread
// writes the file through the atomic replace once `delay` has passed since the first job that
// is not yet on disk; jobs that come in the meantime take the place of the waiting one, so a
// burst of edits is one save. A save that fails keeps its job and is tried again after `delay`
// unless a newer job replaces it; the previous file stays whole in the meantime.
//
// `report` runs on the saving thread after every save with its outcome (empty error: saved).
// The thread holds m_lock only to take a job, never while writing. Stop ends the thread and
// drops a job still waiting: the owner saves the live sets itself at exit.
class WriteSaver {
  public:
    using Report = std::function<void(const std::string& error)>;
    // Runs on the saving thread and returns the whole file.
    using Encode = std::function<std::string()>;

    WriteSaver(std::filesystem::path file, std::chrono::milliseconds delay, Report report);
    ~WriteSaver();
    WriteSaver(const WriteSaver&) = delete;
    WriteSaver& operator=(const WriteSaver&) = delete;

    void Schedule(Encode encode);
    void Schedule(WriteSaveJob job);
    void Stop();
    // True while a job waits or is being written.
    bool Busy() const;

  private:
    void Run();

    const std::filesystem::path m_file;
    const std::chrono::milliseconds m_delay;
    const Report m_report;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Encode> m_pending;
    std::chrono::steady_clock::time_point m_due;
    bool m_writing = false;
    bool m_stop = false;
    std::thread m_thread;  // last: starts once the fields above exist
};

}  // namespace hfp
