#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

class ChildCancel;
class FeedCancel;

// Where a yt-dlp release is fetched from, and how it is checked and kept.
struct YtDlpRelease {
    // The files' addresses: this, then "yt-dlp", "SHA2-256SUMS" and "SHA2-256SUMS.sig".
    std::string urlPrefix;
    // The release key, ASCII-armored: the checksums must be signed by it.
    std::string armoredKey;
    // Where the program is kept; created (for this user alone) when needed.
    std::filesystem::path folder;
    // Where the signature verifier is looked for.
    std::string searchPath;

    std::size_t maxBytes = 50 * 1024 * 1024;
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(10)};
    std::chrono::milliseconds stallTimeout{std::chrono::seconds(30)};
    std::chrono::milliseconds totalTimeout{std::chrono::minutes(2)};
    FeedCancel* downloadCancel = nullptr;
    const ChildCancel* verifierCancel = nullptr;
};

// Only https, but for a loopback host (tests, the offline demo), which may use http too.
bool IsAcceptableReleaseUrl(std::string_view urlPrefix);

// Fetches the release, checks that the checksums carry a valid signature by the release key
// and that the program's SHA-256 is the one they give it, and only then makes it executable
// and renames it over the kept copy (same folder: the old copy stays whole until then).
// Nothing when it is in place; else why not, and the kept copy is as it was.
std::optional<std::string> InstallYtDlpRelease(const YtDlpRelease& release);

} // namespace kestrova
