#include "platform/ReadWholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace hfp {

ReadResult ReadWholeFile(const std::filesystem::path& file, std::vector<char>* data,
                         std::size_t maxBytes) {
    data->clear();
    // Non-blocking, so that opening a FIFO or a device returns at once instead of waiting for
    // a writer; the type check below then refuses it. Reading a regular file never blocks.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ReadResult::CannotOpen;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return ReadResult::CannotOpen;
    }
    if (static_cast<uint64_t>(status.st_size) > maxBytes) {
        ::close(fd);
        return ReadResult::Short;
    }
    try {
        data->resize(static_cast<std::size_t>(status.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return ReadResult::Short;
    }
    std::size_t total = 0;
    while (total < data->size()) {
        const ssize_t n = ::read(fd, data->data() + total, data->size() - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (total == data->size()) return ReadResult::Whole;
    data->clear();
    return ReadResult::Short;
}

}  // namespace hfp
