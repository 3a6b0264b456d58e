#pragma once

#include "support/TempDir.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::test {

// A stand-in for yt-dlp, first on PATH while the object lives (PATH is put back after). It
// answers "--version" with `version`; any other run is logged and answered like yt-dlp's -J
// with the JSON of one video whose media is at `mediaUrl`, or, when `fail`, with an error on
// standard error and exit status 1, as yt-dlp does when the service's pages have changed.
class StandInYtDlp {
public:
    explicit StandInYtDlp(const std::string& mediaUrl, bool fail = false,
                          const std::string& version = "2023.03.04");
    ~StandInYtDlp();
    StandInYtDlp(const StandInYtDlp&) = delete;
    StandInYtDlp& operator=(const StandInYtDlp&) = delete;

    // The arguments of each run but "--version" runs, oldest first.
    std::vector<std::vector<std::string>> calls() const;

private:
    TempDir m_dir;
    std::optional<std::string> m_oldPath;
};

// The argument that follows `option`; empty when there is none.
std::string ArgumentAfter(const std::vector<std::string>& arguments, std::string_view option);

} // namespace kestrova::test
