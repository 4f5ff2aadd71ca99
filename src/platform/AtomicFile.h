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
// The new file gets `permissions` (less the process's umask); files that must stay private,
// such as the settings with the account password, pass owner_read | owner_write.
class AtomicFileWriter {
  public:
    static constexpr std::filesystem::perms kDefaultPermissions =
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
        std::filesystem::perms::group_read | std::filesystem::perms::others_read;

    AtomicFileWriter(std::filesystem::path target, std::filesystem::path temporary,
                     std::filesystem::perms permissions = kDefaultPermissions);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file afresh (a stale one left by an earlier run is removed first,
    // so it passes on neither its permissions nor a symbolic link); false (with error()) when
    // it cannot be created.
    bool Open();
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Leaves `size` zero bytes as a hole, so that a file of long zero runs takes little disk.
    bool WriteZeros(std::size_t size);
    // Flushes, syncs and renames the temporary file over the target.
    bool Commit();

    const std::string& error() const { return m_error; }

  private:
    bool Fail(const std::string& what);

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::filesystem::perms m_permissions;
    int m_fd = -1;
    bool m_failed = false;
    bool m_endsInHole = false;  // the file's length is set at Commit
    std::string m_error;
};

// Replaces `target` with `data` through `temporary` in one call. On failure the old target is
// untouched and `error` (when given) says why.
bool WriteFileAtomically(const std::filesystem::path& target,
                         const std::filesystem::path& temporary, std::string_view data,
                         std::string* error = nullptr);

}  // namespace hfp
