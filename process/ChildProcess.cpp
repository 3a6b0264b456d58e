#include "process/ChildProcess.h"

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

using Clock = std::chrono::steady_clock;

class Pipe {
public:
    Pipe() {
        if (::pipe2(m_fds.data(), O_CLOEXEC) != 0)
            m_fds = {-1, -1};
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

bool isExecutableFile(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&entry, 1, 0) > 0;
}

// Starts the program in a process group of its own, so that a time-out or a cancel can end a
// script together with whatever it started.
pid_t spawn(const std::vector<std::string>& arguments, int outputFd, int errorFd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    if (::posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ) != 0)
        child = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

int reap(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// One stream of the child, read until its end.
struct Stream {
    int fd;
    std::string* text;
    std::size_t cap;
    bool cut = false;
    bool open = true;

    void readSome() {
        char buffer[16384];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0) {
            open = false;
            return;
        }
        const std::size_t room = cap - std::min(cap, text->size());
        text->append(buffer, std::min(room, std::size_t(got)));
        cut |= std::size_t(got) > room;
    }
};

enum class WaitEnd { Finished, TimedOut, Cancelled };

WaitEnd readStreams(Stream& output, Stream& errors, const ChildOptions& options) {
    const auto deadline = Clock::now() + options.timeOut;
    const int cancelFd = options.cancel ? options.cancel->waitFd() : -1;
    while (output.open || errors.open) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return WaitEnd::TimedOut;
        pollfd entries[] = {{output.open ? output.fd : -1, POLLIN, 0},
                            {errors.open ? errors.fd : -1, POLLIN, 0},
                            {cancelFd, POLLIN, 0}};
        const int ready = ::poll(entries, 3, int(left.count()));
        if (ready < 0 && errno != EINTR)
            return WaitEnd::TimedOut;
        if (entries[2].revents != 0)
            return WaitEnd::Cancelled;
        if (entries[0].revents != 0)
            output.readSome();
        if (entries[1].revents != 0)
            errors.readSome();
    }
    return WaitEnd::Finished;
}

std::string firstLineTrimmed(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    const auto last = line.find_last_not_of(" \t\r");
    line.erase(last == std::string::npos ? 0 : last + 1);
    line.erase(0, line.find_first_not_of(" \t"));
    return line;
}

} // namespace

ChildCancel::ChildCancel() {
    if (::pipe2(m_pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        m_pipe = {-1, -1};
}

ChildCancel::~ChildCancel() {
    for (int fd : m_pipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

void ChildCancel::cancel() {
    // Never read: the pipe stays readable for every run waiting on it, now and later.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_pipe[1], &byte, 1);
}

ChildRun RunChild(const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildRun run;
    if (options.cancel && readable(options.cancel->waitFd())) {
        run.cancelled = true;
        return run;
    }
    Pipe output;
    Pipe errors;
    if (arguments.empty() || !output.valid() || !errors.valid())
        return run;
    const pid_t child = spawn(arguments, output.writeEnd(), errors.writeEnd());
    output.closeEnd(1);
    errors.closeEnd(1);
    if (child < 0)
        return run;
    run.started = true;

    Stream out{output.readEnd(), &run.output, options.maxOutput};
    Stream err{errors.readEnd(), &run.errors, options.maxErrors};
    const WaitEnd end = readStreams(out, err, options);
    if (end != WaitEnd::Finished)
        ::kill(-child, SIGKILL);
    const int status = reap(child);
    run.timedOut = end == WaitEnd::TimedOut;
    run.cancelled = end == WaitEnd::Cancelled;
    run.outputCut = out.cut;
    if (end == WaitEnd::Finished && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

std::optional<std::filesystem::path> FindExecutableOnPath(std::string_view name,
                                                          std::string_view searchPath) {
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    while (!searchPath.empty()) {
        const std::size_t colon = searchPath.find(':');
        const std::string_view folder = searchPath.substr(0, colon);
        searchPath.remove_prefix(colon == std::string_view::npos ? searchPath.size() : colon + 1);
        if (folder.empty())
            continue;
        std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::string_view ProcessSearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "";
}

std::optional<std::string> ReadProgramVersion(const std::filesystem::path& program,
                                              std::chrono::milliseconds timeOut,
                                              std::string_view argument,
                                              const ChildCancel* cancel) {
    ChildOptions options;
    options.timeOut = timeOut;
    options.cancel = cancel;
    options.maxOutput = 4096; // a version line is short
    options.maxErrors = 0;
    const ChildRun run = RunChild({program.string(), std::string(argument)}, options);
    if (run.exitCode != 0)
        return std::nullopt;
    std::string line = firstLineTrimmed(run.output);
    if (line.empty())
        return std::nullopt;
    return line;
}

} // namespace kestrova
