#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrova {

class AppContext;

// What ApplyCommandLine does to the process, behind a seam so that the order of its effects
// can be checked without touching the test's own standard streams.
class StartupEnvironment {
public:
    virtual ~StartupEnvironment() = default;
    // Writes to standard output and flushes at once.
    virtual void writeLine(std::string_view line) = 0;
    // Reopens standard output, then standard input, on the null device.
    virtual void redirectToNullDevice() = 0;
    virtual void changeDirectory(const std::filesystem::path& directory) = 0;
    // Where the running executable lies; empty when unknown.
    virtual std::filesystem::path executablePath() = 0;
    virtual std::filesystem::path currentDirectory() = 0;
};

// The real process: stdio, chdir, /proc/self/exe, getcwd.
StartupEnvironment& ProcessStartupEnvironment();

// Applies the command line to the context: the debug switch, the standard streams, the
// program directory and the working directory, writing the start-up lines on the way.
void ApplyCommandLine(AppContext& context, std::span<const std::string> arguments,
                      StartupEnvironment& environment = ProcessStartupEnvironment());

// The address or video ID given on the command line (`kestrova [-D274] [ADDRESS-OR-ID]`): the
// last argument after argument 0 that is not a switch. "-D274" is never one, wherever it
// stands; before "--" nothing that starts with "-" is one either, so an ID that starts with
// "-" follows "--". None when there is no such argument.
std::optional<std::string> AddressArgument(std::span<const std::string> arguments);

// The program directory that argument 0 names: everything before its last '/', made absolute
// against the working directory at start; the executable's own directory when argument 0 holds
// no '/'.
std::filesystem::path ProgramDirectoryFrom(std::string_view argument0,
                                           StartupEnvironment& environment);

} // namespace kestrova
