#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// The first executable regular file called `name` in the colon-separated folder list
// `searchPath` (the PATH rules, except that empty entries are skipped: they would mean the
// working directory, which is the program's data folder here).
std::optional<std::filesystem::path> FindExecutableOnPath(std::string_view name,
                                                          std::string_view searchPath);

// The first line `executable --version` writes, trimmed; nullopt when the program does not
// start, fails, or has not finished within `timeOut` (it is then killed with everything it
// started).
std::optional<std::string> ReadProgramVersion(const std::filesystem::path& executable,
                                              std::chrono::milliseconds timeOut);

// The yt-dlp the player would use: the first on `searchPath` (by default the process's PATH),
// with its version when that could be read; nullopt when there is none.
struct YtDlpInstall {
    std::filesystem::path program;
    std::optional<std::string> version;
};
std::optional<YtDlpInstall> FindYtDlp(std::string_view searchPath,
                                      std::chrono::milliseconds timeOut);
std::optional<YtDlpInstall> FindYtDlp(std::chrono::milliseconds timeOut = std::chrono::seconds(5));

// "yt-dlp=<path> <version>" for the yt-dlp the player would use (found on `searchPath`,
// by default the process's PATH), "yt-dlp=none" when there is none; "unknown" stands for a
// version that could not be read.
std::string DescribeYtDlp(std::chrono::milliseconds timeOut = std::chrono::seconds(5));
std::string DescribeYtDlp(std::string_view searchPath, std::chrono::milliseconds timeOut);

} // namespace kestrova
