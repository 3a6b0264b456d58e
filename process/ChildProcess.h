#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Lets another thread end the programs RunChild is waiting for, at once: each is then killed
// with whatever it started. Once cancelled, it stays so; every later RunChild with it returns
// without starting its program.
class ChildCancel {
public:
    ChildCancel();
    ~ChildCancel();
    ChildCancel(const ChildCancel&) = delete;
    ChildCancel& operator=(const ChildCancel&) = delete;

    // Any thread.
    void cancel();
    // Readable once cancelled; what RunChild waits on beside the program's output.
    int waitFd() const { return m_pipe[0]; }

private:
    std::array<int, 2> m_pipe{-1, -1};
};

struct ChildOptions {
    std::chrono::milliseconds timeOut{std::chrono::seconds(5)};
    // What is read of each stream; the rest is read and dropped, and the run marked.
    std::size_t maxOutput = 64 * 1024;
    std::size_t maxErrors = 64 * 1024;
    const ChildCancel* cancel = nullptr;
};

struct ChildRun {
    bool started = false;
    bool timedOut = false;
    bool cancelled = false;
    bool outputCut = false;      // standard output was longer than maxOutput
    std::optional<int> exitCode; // nothing when it did not start or was killed
    std::string output;
    std::string errors;

    bool succeeded() const { return exitCode == 0 && !outputCut; }
};

// Runs arguments[0] (a path) with the arguments, standard input from /dev/null, and collects
// what it writes until it ends. A program that outlasts the time-out, or is cancelled, is
// killed together with everything it started (it runs in a process group of its own).
ChildRun RunChild(const std::vector<std::string>& arguments, const ChildOptions& options);

// The first executable regular file called `name` in the colon-separated folder list
// `searchPath` (the PATH rules, except that empty entries are skipped: they would mean the
// working directory, which is the program's data folder here).
std::optional<std::filesystem::path> FindExecutableOnPath(std::string_view name,
                                                          std::string_view searchPath);

// The process's PATH; empty when it has none.
std::string_view ProcessSearchPath();

// The first line `program <argument>` writes, trimmed; nothing when the program does not start,
// fails, writes nothing, or has not finished within `timeOut`.
std::optional<std::string> ReadProgramVersion(const std::filesystem::path& program,
                                              std::chrono::milliseconds timeOut,
                                              std::string_view argument = "--version",
                                              const ChildCancel* cancel = nullptr);

} // namespace kestrova
