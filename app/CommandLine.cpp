#include "app/CommandLine.h"

#include "process/AppContext.h"
#include "res/Texts.h"

#include <cstdio>
#include <unistd.h>

namespace kestrova {

namespace {

class ProcessEnvironment : public StartupEnvironment {
public:
    void writeLine(std::string_view line) override {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

    // Standard error stays: it is where a crash or a library still reports.
    void redirectToNullDevice() override {
        [[maybe_unused]] auto* out = std::freopen("/dev/null", "w", stdout);
        [[maybe_unused]] auto* in = std::freopen("/dev/null", "r", stdin);
    }

    void changeDirectory(const std::filesystem::path& directory) override {
        [[maybe_unused]] const int ignored = ::chdir(directory.c_str());
    }

    std::filesystem::path executablePath() override {
        std::error_code error;
        return std::filesystem::read_symlink("/proc/self/exe", error);
    }

    std::filesystem::path currentDirectory() override {
        std::error_code error;
        return std::filesystem::current_path(error);
    }
};

} // namespace

StartupEnvironment& ProcessStartupEnvironment() {
    static ProcessEnvironment environment;
    return environment;
}

std::filesystem::path ProgramDirectoryFrom(std::string_view argument0,
                                           StartupEnvironment& environment) {
    const std::size_t slash = argument0.rfind('/');
    if (slash == std::string_view::npos) {
        // Started through PATH: the executable's own folder, never the file system's root.
        const std::filesystem::path executable = environment.executablePath();
        return executable.empty() ? std::filesystem::path() : executable.parent_path();
    }
    std::string directory(argument0.substr(0, slash));
    while (!directory.empty() && directory.back() == '/') {
        directory.pop_back();
    }
    if (directory.empty()) {
        return "/";
    }
    // The working directory changes to the program directory next; a relative directory
    // would then point somewhere else, so it is anchored to where the program started.
    std::filesystem::path result(directory);
    if (result.is_relative()) {
        const std::filesystem::path current = environment.currentDirectory();
        if (!current.empty()) {
            result = directory == "." ? current : current / result;
        }
    }
    return result;
}

std::optional<std::string> AddressArgument(std::span<const std::string> arguments) {
    std::optional<std::string> address;
    bool switches = true;
    for (const std::string& argument : arguments.subspan(arguments.empty() ? 0 : 1)) {
        if (argument == texts::kDebugSwitch) {
            continue;
        }
        if (switches && argument == "--") {
            switches = false;
        } else if (!switches || !argument.starts_with('-')) {
            address = argument;
        }
    }
    return address;
}

void ApplyCommandLine(AppContext& context, std::span<const std::string> arguments,
                      StartupEnvironment& environment) {
    for (const std::string& argument : arguments) {
        if (argument == texts::kDebugSwitch) {
            context.m_nDebugMode = 1;
            environment.writeLine(texts::kLineDebugModeOn);
        }
    }
    if (context.m_nDebugMode != 1) {
        environment.redirectToNullDevice();
    }
    environment.writeLine(texts::kLineStartDebugMode);
    environment.writeLine(texts::kLinePortableStart);
    context.m_strProgramDir =
        ProgramDirectoryFrom(arguments.empty() ? std::string_view() : arguments[0], environment);
    if (!context.m_strProgramDir.empty()) {
        environment.changeDirectory(context.m_strProgramDir);
    }
    environment.writeLine(std::string(texts::kLineCurrentDirPrefix) +
                          context.m_strProgramDir.native() + "\n");
}

} // namespace kestrova
