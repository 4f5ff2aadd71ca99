#pragma once

#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

class QImage;

namespace hfp::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

// Whole-file helpers for tests.
std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& data);
// The PNG file of `image` as Qt writes it (palette, grey, RGB or RGBA by the image's format).
std::string PngBytes(const QImage& image);

// Runs a program to its end and keeps what it printed.
struct ProcessResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnvironment = {});

// A program running in the background for the length of a test, its standard input on
// /dev/null and its output on the test's unless `in` or `out` name descriptors for them. The
// destructor stops it.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnvironment = {}, int in = -1, int out = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // True while the program has not ended.
    bool Running();
    // Ends the program with `signal` (SIGKILL when it does not go within seconds) and returns
    // its exit code, -1 when it did not exit normally.
    int Stop(int signal = SIGTERM);

  private:
    pid_t m_pid = -1;
    int m_status = -1;  // once it has ended
};

// A program built by this project, by its target name ("hfp", "hfp-devserver").
std::string BuiltProgram(const std::string& name);

}  // namespace hfp::test
