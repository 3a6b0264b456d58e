#pragma once

#include "support/TempDir.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::test {

// A stand-in for yt-dlp, first on PATH while the object lives (PATH is put back after), with
// a stand-in Node.js 22 beside it as the JavaScript runtime. It answers "--version" with
// `version`; any other run is logged and answered like yt-dlp's -J with the JSON of one video
// whose media is at `mediaUrl`, or, when `fail`, with an error on standard error and exit
// status 1, as yt-dlp does when the service's pages have changed.
class StandInYtDlp {
public:
    explicit StandInYtDlp(const std::string& mediaUrl, bool fail = false,
                          const std::string& version = CurrentVersion());
    ~StandInYtDlp();
    StandInYtDlp(const StandInYtDlp&) = delete;
    StandInYtDlp& operator=(const StandInYtDlp&) = delete;

    // A version of today, which is never out of date.
    static std::string CurrentVersion();

    // From now on the first run answers with the first address, the next with the next, and
    // every later one with the last.
    void answerWith(const std::vector<std::string>& mediaUrls);
    // From now on every run fails with this error line.
    void failWith(const std::string& error);
    // From now on the answers hold these JSON members too (without single quotes), e.g.
    // "\"formats\": [...]".
    void answerAlsoWith(const std::string& members);
    // Each run takes this long before it answers.
    void takeSeconds(double seconds);

    // The arguments of each run but "--version" runs, oldest first.
    std::vector<std::vector<std::string>> calls() const;

private:
    void writeScript() const;

    TempDir m_dir;
    std::string m_version;
    std::vector<std::string> m_mediaUrls;
    std::optional<std::string> m_error;
    std::string m_members;
    double m_seconds = 0;
    std::optional<std::string> m_oldPath;
};

// The argument that follows `option`; empty when there is none.
std::string ArgumentAfter(const std::vector<std::string>& arguments, std::string_view option);

} // namespace kestrova::test
