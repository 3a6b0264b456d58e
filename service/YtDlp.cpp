#include "service/YtDlp.h"

#include "process/ChildProcess.h"
#include "res/Texts.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova {

namespace {

std::optional<YtDlpProgram> probe(std::optional<std::filesystem::path> path, bool own,
                                  std::chrono::milliseconds timeOut, const ChildCancel* cancel) {
    if (!path)
        return std::nullopt;
    return YtDlpProgram{*path, ReadProgramVersion(*path, timeOut, "--version", cancel), own};
}

bool isExecutableFile(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::optional<YtDlpVersion> YtDlpProgram::parsedVersion() const {
    return version ? ParseYtDlpVersion(*version) : std::nullopt;
}

std::filesystem::path YtDlpPlaces::ownProgram() const {
    return ownFolder / texts::kYtDlpProgram;
}

std::filesystem::path OwnProgramFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/')
        return std::filesystem::path(dataHome) / texts::kOwnFolderName;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".local/share" /
           texts::kOwnFolderName;
}

YtDlpPlaces DefaultYtDlpPlaces() {
    return {std::string(ProcessSearchPath()), OwnProgramFolder()};
}

std::optional<YtDlpProgram> ChooseYtDlp(std::optional<YtDlpProgram> onPath,
                                        std::optional<YtDlpProgram> own) {
    if (!onPath || !own)
        return onPath ? onPath : own;
    const auto pathVersion = onPath->parsedVersion();
    const auto ownVersion = own->parsedVersion();
    if (ownVersion && (!pathVersion || *ownVersion > *pathVersion))
        return own;
    return onPath;
}

std::optional<YtDlpProgram> FindYtDlp(const YtDlpPlaces& places, std::chrono::milliseconds timeOut,
                                      const ChildCancel* cancel) {
    const auto ownPath = places.ownProgram();
    return ChooseYtDlp(probe(FindExecutableOnPath(texts::kYtDlpProgram, places.searchPath), false,
                             timeOut, cancel),
                       probe(isExecutableFile(ownPath) ? std::optional(ownPath) : std::nullopt,
                             true, timeOut, cancel));
}

std::string DescribeYtDlp(const std::optional<YtDlpProgram>& program, std::chrono::sys_days today) {
    std::string line(texts::kYtDlpLinePrefix);
    if (!program)
        return line.append(texts::kYtDlpNone);
    line.append(program->path.string())
        .append(" ")
        .append(program->version.value_or(std::string(texts::kYtDlpVersionUnknown)));
    if (const auto version = program->parsedVersion(); version && IsStale(*version, today))
        line.append(texts::kYtDlpOutOfDate);
    return line;
}

} // namespace kestrova
