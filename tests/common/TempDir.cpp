#include "common/TempDir.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace hfp::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hfp-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Folders a test made read-only must not keep their contents from being removed.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::filesystem::path& file, const std::string& data) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string PngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

namespace {

// Starts `program` with the process's environment, `extra` ("NAME=VALUE") taking the place of
// the variables it names; its
// standard input, output and error on the descriptors given (-1: /dev/null for the input,
// the test's own for the others). Returns the process id, -1 when it did not start.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& extra, int in, int out, int err) {
    std::vector<std::string> env(extra);
    for (char** e = environ; *e; ++e) {
        std::string_view name(*e, std::strcspn(*e, "="));
        if (std::none_of(extra.begin(), extra.end(), [&](const std::string& x) {
                return x.size() > name.size() && x[name.size()] == '=' && x.starts_with(name);
            }))
            env.emplace_back(*e);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0)
        posix_spawn_file_actions_adddup2(&actions, in, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnvironment) {
    ProcessResult result;
    TempDir dir;
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int err = ::open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const pid_t pid = Spawn(program, args, extraEnvironment, -1, out, err);
    ::close(out);
    ::close(err);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadFile(dir / "out");
    result.err = ReadFile(dir / "err");
    return result;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnvironment, int in, int out)
    : m_pid(Spawn(program, args, extraEnvironment, in, out, -1)) {}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Running() {
    if (m_pid <= 0) return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return true;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    return false;
}

int ChildProcess::Stop(int signal) {
    if (!Running()) return m_status;
    ::kill(m_pid, signal);
    // Waits for the end on a process descriptor, with a limit, then insists.
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0) ::kill(m_pid, SIGKILL);
        ::close(pidfd);
    }
    int status = 0;
    const bool exited = ::waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status);
    m_status = exited ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    return m_status;
}

std::string BuiltProgram(const std::string& name) {
    return std::string(HFP_BINARY_DIR) + "/bin/" + name;
}

}  // namespace hfp::test
