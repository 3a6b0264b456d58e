#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Why yt-dlp gave no answer for one of the service's videos, from what it wrote on its error
// output. The first five are the service refusing this video or this visitor; a newer yt-dlp
// does not help with them, nor with a network that is down.
enum class YtDlpFailure {
    BotCheck,      // "Sign in to confirm you're not a bot": passes on its own
    Unavailable,   // private, removed, or no longer available
    SignInNeeded,  // an age check or a channel membership
    RegionBlocked, // not offered in this country
    NotYetLive,    // a live event or a premiere that has not begun
    NoNetwork,     // the service's pages cannot be reached
    Other,         // most often: the service's pages changed and yt-dlp no longer copes
};

YtDlpFailure ClassifyYtDlpFailure(std::string_view errorOutput);

// Only a yt-dlp that cannot cope with the pages is mended by a newer one.
inline bool NewerYtDlpMayHelp(YtDlpFailure failure) {
    return failure == YtDlpFailure::Other;
}

// The player's line for the failure. For Other: that no JavaScript runtime was found, when
// none was, else that yt-dlp may be out of date, with its version (empty: unknown).
std::u16string DescribeYtDlpFailure(YtDlpFailure failure, std::string_view version,
                                    bool runtimeMissing);

} // namespace kestrova
