#include "tools/demo/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kestrova::demo {

namespace {

sigset_t programSignals(bool withChild) {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&set, signal);
    }
    if (withChild) {
        sigaddset(&set, SIGCHLD);
    }
    return set;
}

int waitFor(const sigset_t& set) {
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    return signal;
}

pid_t spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> owned{program.string()};
    owned.insert(owned.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : owned) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t child = -1;
    if (::posix_spawn(&child, argv[0], nullptr, &attributes, argv.data(), environ) != 0) {
        child = -1;
    }
    posix_spawnattr_destroy(&attributes);
    return child;
}

} // namespace

void BlockProgramSignals() {
    const sigset_t set = programSignals(true);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int WaitForTerminationSignal() {
    return waitFor(programSignals(false));
}

int RunAndWait(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    const pid_t child = spawn(program, arguments);
    if (child < 0) {
        return -1;
    }
    const sigset_t set = programSignals(true);
    for (;;) {
        const int signal = waitFor(set);
        if (signal == SIGTERM || signal == SIGHUP) {
            ::kill(child, SIGTERM);
        }
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
}

} // namespace kestrova::demo
