#pragma once

#include <filesystem>
#include <string>

namespace hfp {

// The mutex HollowfernPlotter holds while it runs: a command that writes its data files must
// not run beside it, whose own copy would be saved over the change.
constexpr const char* kProgramMutexName = "HollowfernPlotter";

// A system-wide mutex known by name: an exclusive flock() on "<name>.lock" in the runtime
// folder ($XDG_RUNTIME_DIR, else the temporary folder). The lock ends with the process, so a
// crash never leaves it held. Two objects of the same name exclude each other, also within
// one process.
class NamedMutex {
  public:
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Takes the lock when nobody holds it; false at once otherwise (or when the lock file
    // cannot be opened).
    bool TryLock();
    // Waits until the lock can be taken. False only when the lock file cannot be opened.
    bool Lock();
    void Unlock();
    bool locked() const { return m_locked; }
    // False when the lock file could not be opened: TryLock and Lock then fail without
    // anybody else holding the lock.
    bool fileOpen() const { return m_fd >= 0; }

    const std::filesystem::path& path() const { return m_path; }

  private:
    bool OpenFile();

    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_locked = false;
};

}  // namespace hfp
