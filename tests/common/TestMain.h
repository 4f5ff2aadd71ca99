#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace hfp::test {

// Every test program runs with runtime and configuration folders of its own, removed at its
// end: lock files (the single-instance lock the program and hfp take) and saved window layouts
// of tests running side by side never meet, nor reach the user's, and no session bus.
class PrivateFolders {
  public:
    PrivateFolders() {
        std::string root = (std::filesystem::temp_directory_path() / "hfp-env-XXXXXX").string();
        if (!::mkdtemp(root.data())) std::abort();
        m_root = root;
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"}) {
            std::filesystem::path folder = m_root / name;
            std::filesystem::create_directory(folder);
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
            ::setenv(name, folder.c_str(), 1);
        }
        // No session bus: a test never reaches the user's desktop keyring. The address names
        // no transport, so every keyring call fails at once, as on a machine without one.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }
    ~PrivateFolders() {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

  private:
    std::filesystem::path m_root;
};

}  // namespace hfp::test
