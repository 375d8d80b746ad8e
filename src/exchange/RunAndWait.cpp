#include "exchange/RunAndWait.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace vrklad {

namespace {

// Enough for any archiver report; beyond it the output is read and dropped
// so that the program never blocks on a full pipe.
constexpr size_t kOutputLimit = 4 * 1024 * 1024;

bool IsExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (entry.starts_with("ARJ_SW=") || entry.starts_with("ARJ32_SW=")) continue;
        env.emplace_back(entry);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (auto& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Reads what is there without blocking; false once the pipe is closed.
bool Drain(int fd, std::string& output) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const size_t room = kOutputLimit - std::min(kOutputLimit, output.size());
            output.append(buffer, std::min(room, static_cast<size_t>(n)));
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

std::optional<std::filesystem::path> FindProgram(const std::string& programDir,
                                                 const std::string& program) {
    if (program.empty()) return std::nullopt;
    if (program.find('/') != std::string::npos) {
        if (IsExecutableFile(program)) return std::filesystem::path(program);
        return std::nullopt;
    }
    const std::filesystem::path own = std::filesystem::path(programDir) / program;
    if (IsExecutableFile(own)) return own;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        if (dir.empty()) continue;  // an empty entry would mean our own working directory
        const std::filesystem::path candidate = std::filesystem::path(dir) / program;
        if (IsExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

RunResult RunAndWait(const std::string& programDir, const std::string& program,
                     const std::vector<std::string>& arguments,
                     std::chrono::milliseconds timeLimit) {
    RunResult result;
    const auto file = FindProgram(programDir, program);
    if (!file) return result;

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawn_file_actions_addchdir_np(&actions, programDir.c_str());

    // Its own process group, so that a kill at the time limit reaches its
    // children too; signals as a freshly started program expects them.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t allSignals;
    sigfillset(&allSignals);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &allSignals);

    std::vector<std::string> argStrings;
    argStrings.reserve(arguments.size() + 1);
    argStrings.push_back(file->filename().string());
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envStrings = ChildEnvironment();
    std::vector<char*> argv = Pointers(argStrings);
    std::vector<char*> envp = Pointers(envStrings);

    pid_t pid = -1;
    const int spawnError =
        posix_spawn(&pid, file->c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    if (spawnError != 0) {
        close(pipeFds[0]);
        return result;
    }
    result.started = true;

    const int readFd = pipeFds[0];
    fcntl(readFd, F_SETFL, fcntl(readFd, F_GETFL) | O_NONBLOCK);
    bool pipeOpen = true;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            if (pipeOpen) Drain(readFd, result.output);
            result.exitCode = ExitCodeOf(status);
            break;
        }
        if (ended < 0 && errno != EINTR) break;  // cannot happen for our own child

        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (pipeOpen) Drain(readFd, result.output);
            result.timedOut = true;
            break;
        }
        // Short waits: the program may end while something it started still
        // holds the pipe open.
        const int waitMs = static_cast<int>(std::min<int64_t>(left.count(), pipeOpen ? 50 : 10));
        if (pipeOpen) {
            pollfd p{readFd, POLLIN, 0};
            if (poll(&p, 1, waitMs) > 0) pipeOpen = Drain(readFd, result.output);
        } else {
            poll(nullptr, 0, waitMs);
        }
    }
    close(readFd);
    return result;
}

}  // namespace vrklad
