#include "player/YtDlp.h"

#include "res/Texts.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kestrova {

namespace {

// A version line is short; anything past this is not worth reading.
constexpr std::size_t kMaxOutput = 4096;

bool isExecutableFile(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string firstLineTrimmed(const std::string& output) {
    std::string line = output.substr(0, output.find('\n'));
    const auto notSpace = line.find_last_not_of(" \t\r");
    line.erase(notSpace == std::string::npos ? 0 : notSpace + 1);
    line.erase(0, line.find_first_not_of(" \t"));
    return line;
}

class Pipe {
public:
    Pipe() {
        if (::pipe2(m_fds.data(), O_CLOEXEC) != 0) {
            m_fds = {-1, -1};
        }
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool valid() const { return m_fds[0] >= 0; }
    int readEnd() const { return m_fds[0]; }
    int writeEnd() const { return m_fds[1]; }
    void closeEnd(int end) {
        if (m_fds[end] >= 0) {
            ::close(m_fds[end]);
            m_fds[end] = -1;
        }
    }

private:
    std::array<int, 2> m_fds{-1, -1};
};

// Starts `executable --version` in a process group of its own, so a time-out can end a
// script together with whatever it started.
pid_t spawnVersionQuery(const std::filesystem::path& executable, int outputFd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

    std::string program = executable.string();
    std::string option = "--version";
    char* arguments[] = {program.data(), option.data(), nullptr};
    pid_t child = -1;
    if (::posix_spawn(&child, program.c_str(), &actions, &attributes, arguments, environ) != 0) {
        child = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Reads until end of file or the deadline; false on time-out.
bool readUntil(int fd, std::chrono::steady_clock::time_point deadline, std::string& output) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        std::array<char, 512> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return true;
        }
        if (output.size() < kMaxOutput) {
            output.append(buffer.data(), static_cast<std::size_t>(got));
        }
    }
}

std::string_view processSearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "";
}

int reap(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

std::optional<std::filesystem::path> FindExecutableOnPath(std::string_view name,
                                                          std::string_view searchPath) {
    if (name.empty() || name.find('/') != std::string_view::npos) {
        return std::nullopt;
    }
    while (!searchPath.empty()) {
        const std::size_t colon = searchPath.find(':');
        const std::string_view folder = searchPath.substr(0, colon);
        searchPath.remove_prefix(colon == std::string_view::npos ? searchPath.size() : colon + 1);
        if (folder.empty()) {
            continue;
        }
        std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadProgramVersion(const std::filesystem::path& executable,
                                              std::chrono::milliseconds timeOut) {
    const auto deadline = std::chrono::steady_clock::now() + timeOut;
    Pipe output;
    if (!output.valid()) {
        return std::nullopt;
    }
    const pid_t child = spawnVersionQuery(executable, output.writeEnd());
    output.closeEnd(1);
    if (child < 0) {
        return std::nullopt;
    }
    std::string text;
    const bool finished = readUntil(output.readEnd(), deadline, text);
    if (!finished) {
        ::kill(-child, SIGKILL);
    }
    const int status = reap(child);
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    std::string line = firstLineTrimmed(text);
    if (line.empty()) {
        return std::nullopt;
    }
    return line;
}

std::optional<YtDlpInstall> FindYtDlp(std::string_view searchPath,
                                      std::chrono::milliseconds timeOut) {
    auto program = FindExecutableOnPath(texts::kYtDlpProgram, searchPath);
    if (!program) {
        return std::nullopt;
    }
    std::optional<std::string> version = ReadProgramVersion(*program, timeOut);
    return YtDlpInstall{std::move(*program), std::move(version)};
}

std::optional<YtDlpInstall> FindYtDlp(std::chrono::milliseconds timeOut) {
    return FindYtDlp(processSearchPath(), timeOut);
}

std::string DescribeYtDlp(std::string_view searchPath, std::chrono::milliseconds timeOut) {
    std::string line(texts::kYtDlpLinePrefix);
    const auto ytDlp = FindYtDlp(searchPath, timeOut);
    if (!ytDlp) {
        return line.append(texts::kYtDlpNone);
    }
    return line.append(ytDlp->program.string())
        .append(" ")
        .append(ytDlp->version.value_or(std::string(texts::kYtDlpVersionUnknown)));
}

std::string DescribeYtDlp(std::chrono::milliseconds timeOut) {
    return DescribeYtDlp(processSearchPath(), timeOut);
}

} // namespace kestrova
