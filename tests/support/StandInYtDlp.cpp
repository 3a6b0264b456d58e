#include "support/StandInYtDlp.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace kestrova::test {

namespace {

constexpr std::string_view kEndOfCall = "<<end of call>>";

std::string script(const std::filesystem::path& log, const std::string& mediaUrl, bool fail,
                   const std::string& version) {
    const std::string answer =
        fail ? "echo 'ERROR: [youtube] Ab3dE5gH1jK: Sign in to confirm you are not a bot' >&2\n"
               "exit 1\n"
             : "printf '%s\\n' '{\"id\": \"Ab3dE5gH1jK\", \"title\": \"Stand-in video\", "
               "\"webpage_url\": \"https://www.youtube.com/watch?v=Ab3dE5gH1jK\", "
               "\"extractor\": \"youtube\", \"url\": \"" +
                   mediaUrl + "\"}'\n";
    return "#!/bin/sh\n"
           "if [ \"$1\" = --version ]; then echo '" +
           version +
           "'; exit 0; fi\n"
           "printf '%s\\n' \"$@\" '" +
           std::string(kEndOfCall) + "' >> '" + log.string() + "'\n" + answer;
}

} // namespace

StandInYtDlp::StandInYtDlp(const std::string& mediaUrl, bool fail, const std::string& version) {
    const std::filesystem::path program = m_dir / "bin" / "yt-dlp";
    std::filesystem::create_directories(program.parent_path());
    WriteFileBytes(program, script(m_dir / "calls.log", mediaUrl, fail, version));
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    if (const char* path = std::getenv("PATH")) {
        m_oldPath = path;
    }
    const std::string bin = program.parent_path().string();
    ::setenv("PATH", (m_oldPath ? bin + ":" + *m_oldPath : bin).c_str(), 1);
}

StandInYtDlp::~StandInYtDlp() {
    m_oldPath ? ::setenv("PATH", m_oldPath->c_str(), 1) : ::unsetenv("PATH");
}

std::vector<std::vector<std::string>> StandInYtDlp::calls() const {
    std::vector<std::vector<std::string>> calls;
    std::error_code missing;
    if (!std::filesystem::exists(m_dir / "calls.log", missing)) {
        return calls;
    }
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
