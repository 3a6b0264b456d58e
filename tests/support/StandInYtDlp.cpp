#include "support/StandInYtDlp.h"

#include "support/Programs.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace kestrova::test {

namespace {

constexpr std::string_view kEndOfCall = "<<end of call>>";

std::string answer(const std::string& mediaUrl, const std::string& members) {
    return "printf '%s\\n' '{\"id\": \"Ab3dE5gH1jK\", \"title\": \"Stand-in video\", "
           "\"webpage_url\": \"https://www.youtube.com/watch?v=Ab3dE5gH1jK\", "
           "\"extractor\": \"youtube\", " +
           (members.empty() ? "" : members + ", ") + "\"url\": \"" + mediaUrl + "\"}'\n";
}

} // namespace

StandInYtDlp::StandInYtDlp(const std::string& mediaUrl, bool fail, const std::string& version)
    : m_version(version)
    , m_mediaUrls{mediaUrl} {
    if (fail)
        m_error = "ERROR: [youtube] Ab3dE5gH1jK: Unable to extract initial player response";
    writeScript();
    WriteScript(m_dir / "bin/node", "echo v22.12.0");
    if (const char* path = std::getenv("PATH"))
        m_oldPath = path;
    const std::string bin = (m_dir / "bin").string();
    ::setenv("PATH", (m_oldPath ? bin + ":" + *m_oldPath : bin).c_str(), 1);
}

StandInYtDlp::~StandInYtDlp() {
    m_oldPath ? ::setenv("PATH", m_oldPath->c_str(), 1) : ::unsetenv("PATH");
}

std::string StandInYtDlp::CurrentVersion() {
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    char text[16];
    std::snprintf(text, sizeof text, "%04d.%02u.%02u", int(today.year()), unsigned(today.month()),
                  unsigned(today.day()));
    return text;
}

void StandInYtDlp::answerWith(const std::vector<std::string>& mediaUrls) {
    m_mediaUrls = mediaUrls;
    m_error.reset();
    writeScript();
}

void StandInYtDlp::failWith(const std::string& error) {
    m_error = error;
    writeScript();
}

void StandInYtDlp::answerAlsoWith(const std::string& members) {
    m_members = members;
    writeScript();
}

void StandInYtDlp::takeSeconds(double seconds) {
    m_seconds = seconds;
    writeScript();
}

// Written to a new file and renamed into place, so a run starting meanwhile reads one whole.
void StandInYtDlp::writeScript() const {
    const auto log = m_dir / "calls.log";
    std::string body = "if [ \"$1\" = --version ]; then echo '" + m_version +
                       "'; exit 0; fi\n"
                       "printf '%s\\n' \"$@\" '" +
                       std::string(kEndOfCall) + "' >> '" + log.string() + "'\n";
    if (m_seconds > 0)
        body += "sleep " + std::to_string(m_seconds) + "\n";
    if (m_error) {
        body += "echo '" + *m_error + "' >&2\nexit 1\n";
    } else {
        body += "run=$(grep -c '^" + std::string(kEndOfCall) + "$' '" + log.string() + "')\n";
        for (std::size_t i = 0; i + 1 < m_mediaUrls.size(); ++i)
            body += "if [ \"$run\" -eq " + std::to_string(i + 1) + " ]; then " +
                    answer(m_mediaUrls[i], m_members) + "exit 0; fi\n";
        body += answer(m_mediaUrls.back(), m_members);
    }
    WriteScript(m_dir / "bin/yt-dlp.new", body);
    std::filesystem::rename(m_dir / "bin/yt-dlp.new", m_dir / "bin/yt-dlp");
}

std::vector<std::vector<std::string>> StandInYtDlp::calls() const {
    std::vector<std::vector<std::string>> calls;
    std::error_code missing;
    if (!std::filesystem::exists(m_dir / "calls.log", missing))
        return calls;
    std::istringstream log(ReadFileBytes(m_dir / "calls.log"));
    std::vector<std::string> arguments;
    for (std::string line; std::getline(log, line);) {
        if (line == kEndOfCall) {
            calls.push_back(std::move(arguments));
            arguments.clear();
        } else {
            arguments.push_back(line);
        }
    }
    return calls;
}

std::string ArgumentAfter(const std::vector<std::string>& arguments, std::string_view option) {
    const auto at = std::find(arguments.begin(), arguments.end(), option);
    return at != arguments.end() && at + 1 != arguments.end() ? *(at + 1) : std::string();
}

} // namespace kestrova::test
