#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace hfp {

// Writes a data file so that a crash at any moment leaves either the old file or the new one:
// the bytes go to a temporary file beside the target (its name chosen by the caller, as each
// data file has its own), which is flushed to disk and then renamed over the target.
// The temporary file is removed when the writer is destroyed without a successful Commit().
class AtomicFileWriter {
  public:
    AtomicFileWriter(std::filesystem::path target, std::filesystem::path temporary);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file; false (with error()) when it cannot be created.
    bool Open();
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Flushes, syncs and renames the temporary file over the target.
    bool Commit();

    const std::string& error() const { return m_error; }

  private:
    bool Fail(const std::string& what);

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    bool m_failed = false;
    std::string m_error;
};

// Replaces `target` with `data` through `temporary` in one call. On failure the old target is
// untouched and `error` (when given) says why.
bool WriteFileAtomically(const std::filesystem::path& target,
                         const std::filesystem::path& temporary, std::string_view data,
                         std::string* error = nullptr);

}  // namespace hfp
