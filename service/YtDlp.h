#pragma once

#include "service/YtDlpVersion.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

class ChildCancel;

// A yt-dlp program, with its version when that could be read.
struct YtDlpProgram {
    std::filesystem::path path;
    std::optional<std::string> version;
    bool own = false; // the copy Kestrova keeps itself

    std::optional<YtDlpVersion> parsedVersion() const;
};

// Where a yt-dlp may be: the first on the search path (the PATH rules), and the copy Kestrova
// keeps in its own folder.
struct YtDlpPlaces {
    std::string searchPath;
    std::filesystem::path ownFolder;

    std::filesystem::path ownProgram() const;
};

// The process's PATH and the folder of Kestrova's own copy.
YtDlpPlaces DefaultYtDlpPlaces();

// Where Kestrova keeps what it fetches and runs itself: code, not data, so never beside the
// program or in the data folder. $XDG_DATA_HOME/kestrova, by default ~/.local/share/kestrova.
std::filesystem::path OwnProgramFolder();

// The newer of the two by version. A version that cannot be read loses to one that can; two
// that cannot: the one on the search path, which someone put there.
std::optional<YtDlpProgram> ChooseYtDlp(std::optional<YtDlpProgram> onPath,
                                        std::optional<YtDlpProgram> own);

// Looks in both places and reads each version (each a run of the program, up to `timeOut`).
std::optional<YtDlpProgram> FindYtDlp(const YtDlpPlaces& places, std::chrono::milliseconds timeOut,
                                      const ChildCancel* cancel = nullptr);

// "yt-dlp=<path> <version>", with " (out of date)" when it is more than kYtDlpStaleAfter old
// on `today`; "unknown" stands for a version that could not be read; "yt-dlp=none" when there
// is none.
std::string DescribeYtDlp(const std::optional<YtDlpProgram>& program, std::chrono::sys_days today);

} // namespace kestrova
