#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace hfp {

namespace {

std::filesystem::path RuntimeFolder() {
    if (const char* env = std::getenv("XDG_RUNTIME_DIR"); env && *env) {
        std::error_code ec;
        if (std::filesystem::is_directory(env, ec)) return env;
    }
    std::error_code ec;
    std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : tmp;
}

}  // namespace

NamedMutex::NamedMutex(const std::string& name) : m_path(RuntimeFolder() / (name + ".lock")) {}

NamedMutex::~NamedMutex() {
    if (m_fd >= 0) ::close(m_fd);  // releases the lock
}

bool NamedMutex::OpenFile() {
    if (m_fd >= 0) return true;
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return m_fd >= 0;
}

bool NamedMutex::TryLock() {
    if (m_locked) return true;
    if (!OpenFile()) return false;
    int rc;
    do
        rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    m_locked = rc == 0;
    return m_locked;
}

bool NamedMutex::Lock() {
    if (m_locked) return true;
    if (!OpenFile()) return false;
    int rc;
    do
        rc = ::flock(m_fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    m_locked = rc == 0;
    return m_locked;
}

void NamedMutex::Unlock() {
    if (!m_locked) return;
    ::flock(m_fd, LOCK_UN);
    m_locked = false;
}

}  // namespace hfp
