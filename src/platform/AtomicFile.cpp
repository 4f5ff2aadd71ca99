#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace hfp {

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, std::filesystem::path temporary,
                                   std::filesystem::perms permissions)
    : m_target(std::move(target)), m_temporary(std::move(temporary)), m_permissions(permissions) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

bool AtomicFileWriter::Fail(const std::string& what) {
    m_failed = true;
    m_error = what + " " + m_temporary.string() + ": " + std::strerror(errno);
    return false;
}

bool AtomicFileWriter::Open() {
    // Opening a stale file with O_TRUNC would keep its mode and follow a link planted in its
    // place; removing it and creating exclusively gives a fresh file with our permissions.
    ::unlink(m_temporary.c_str());
    const auto mode = static_cast<mode_t>(m_permissions & std::filesystem::perms::mask);
    m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (m_fd < 0) return Fail("cannot create");
    return true;
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (m_fd < 0 || m_failed) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail("cannot write");
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    m_endsInHole = false;
    return true;
}

bool AtomicFileWriter::WriteZeros(std::size_t size) {
    if (m_fd < 0 || m_failed) return false;
    if (size == 0) return true;
    if (::lseek(m_fd, static_cast<off_t>(size), SEEK_CUR) < 0) return Fail("cannot seek in");
    m_endsInHole = true;
    return true;
}

bool AtomicFileWriter::Commit() {
    if (m_fd < 0 || m_failed) return false;
    if (m_endsInHole) {
        const off_t end = ::lseek(m_fd, 0, SEEK_CUR);
        if (end < 0 || ::ftruncate(m_fd, end) != 0) return Fail("cannot extend");
    }
    if (::fsync(m_fd) != 0) return Fail("cannot sync");
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        ::unlink(m_temporary.c_str());
        return Fail("cannot close");
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        Fail("cannot rename");
        ::unlink(m_temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty()) folder = ".";
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& target,
                         const std::filesystem::path& temporary, std::string_view data,
                         std::string* error) {
    AtomicFileWriter writer(target, temporary);
    bool ok = writer.Open() && writer.Write(data) && writer.Commit();
    if (!ok && error) *error = writer.error();
    return ok;
}

}  // namespace hfp
