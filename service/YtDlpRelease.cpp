#include "service/YtDlpRelease.h"

#include "metadata/HttpGet.h"
#include "res/Texts.h"
#include "service/ReleaseSignature.h"
#include "service/Sha256.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova {

namespace {

constexpr std::string_view kChecksums = "SHA2-256SUMS";
constexpr std::string_view kSignature = "SHA2-256SUMS.sig";

std::string hostOf(std::string_view url) {
    const auto scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return {};
    std::string_view rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/\\?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    if (rest.starts_with('['))
        return std::string(rest.substr(0, rest.find(']') + 1));
    return std::string(rest.substr(0, rest.find(':')));
}

// 127.0.0.0/8 written as an address, not a name that begins so.
bool isLoopbackAddress(std::string_view host) {
    int dots = 0;
    for (char c : host) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots == 3 && host.starts_with("127.");
}

bool isLoopbackHost(std::string_view host) {
    return strcasecmp(std::string(host).c_str(), "localhost") == 0 || host == "[::1]" ||
           isLoopbackAddress(host);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

std::string describeFailure(std::string_view file, const HttpGetOutcome& outcome,
                            std::size_t maxBytes) {
    if (outcome.result == HttpGetOutcome::Result::StatusNotOk)
        return std::string(file) + ": HTTP " + std::to_string(outcome.status);
    if (outcome.errorCode == CURLE_FILESIZE_EXCEEDED)
        return std::string(file) + ": larger than " + std::to_string(maxBytes / (1024 * 1024)) +
               " MiB";
    return std::string(file) + ": " + outcome.errorText;
}

std::optional<std::string> download(const YtDlpRelease& release, std::string_view file,
                                    std::string& body) {
    HttpGetOptions options;
    options.protocols = startsWithNoCase(release.urlPrefix, "https://") ? "https" : "http,https";
    options.connectTimeout = release.connectTimeout;
    options.stallTimeout = release.stallTimeout;
    options.totalTimeout = release.totalTimeout;
    options.maxBodyBytes = release.maxBytes;
    options.cancel = release.downloadCancel;
    HttpGetOutcome outcome = HttpGet(release.urlPrefix + std::string(file), options);
    if (outcome.result != HttpGetOutcome::Result::Ok)
        return describeFailure(file, outcome, release.maxBytes);
    body = std::move(outcome.body);
    return std::nullopt;
}

std::string systemError(std::string_view what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(std::size_t(written));
    }
    return true;
}

// Written under a name of its own beside the kept copy, then renamed over it: the old copy
// stays whole until the new one is complete and executable.
std::optional<std::string> installProgram(const std::filesystem::path& folder,
                                          std::string_view program) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    ::chmod(folder.c_str(), 0700);
    std::string temporary = (folder / ".yt-dlp-XXXXXX").string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return systemError(folder.string());
    const bool written = writeAll(fd, program) && ::fsync(fd) == 0 && ::fchmod(fd, 0755) == 0;
    const std::string writeFailure = written ? std::string() : systemError(temporary);
    ::close(fd);
    const std::filesystem::path target = folder / texts::kYtDlpProgram;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string why = written ? systemError(target.string()) : writeFailure;
        ::unlink(temporary.c_str());
        return why;
    }
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

} // namespace

bool IsAcceptableReleaseUrl(std::string_view urlPrefix) {
    if (startsWithNoCase(urlPrefix, "https://"))
        return !hostOf(urlPrefix).empty();
    return startsWithNoCase(urlPrefix, "http://") && isLoopbackHost(hostOf(urlPrefix));
}

std::optional<std::string> InstallYtDlpRelease(const YtDlpRelease& release) {
    if (!IsAcceptableReleaseUrl(release.urlPrefix))
        return "not an https address: " + release.urlPrefix;
    std::string checksums, signature, program;
    if (auto failure = download(release, kChecksums, checksums))
        return failure;
    if (auto failure = download(release, kSignature, signature))
        return failure;
    SignatureCheck check;
    check.searchPath = release.searchPath;
    check.cancel = release.verifierCancel;
    if (auto failure = CheckDetachedSignature(release.armoredKey, signature, checksums, check))
        return failure;
    const auto expected = ChecksumFor(checksums, texts::kYtDlpProgram);
    if (!expected)
        return std::string(kChecksums) + " has no line for yt-dlp";
    if (auto failure = download(release, texts::kYtDlpProgram, program))
        return failure;
    if (Sha256Hex(program) != *expected)
        return "yt-dlp: SHA-256 does not match " + std::string(kChecksums);
    return installProgram(release.folder, program);
}

} // namespace kestrova
