#include "service/YtDlpFailure.h"

#include "res/Texts.h"
#include "text/TextFormat.h"

#include <algorithm>
#include <initializer_list>
#include <string>

namespace kestrova {

namespace {

bool containsAny(std::string_view text, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) {
        if (text.find(part) != std::string_view::npos)
            return true;
    }
    return false;
}

// yt-dlp wraps the cause of a failed download in its own line: "Unable to download webpage:
// <urlopen error [Errno -3] Temporary failure in name resolution>", "... timed out" ...
bool networkDown(std::string_view text) {
    return containsAny(text, {"Unable to download webpage", "Unable to download API page"}) &&
           containsAny(text,
                       {"name resolution", "Name or service not known",
                        "No address associated with hostname", "Connection refused",
                        "Network is unreachable", "No route to host", "timed out", "Errno -2]",
                        "Errno -3]", "Errno 101]", "Errno 110]", "Errno 111]", "Errno 113]"});
}

// yt-dlp warns while it retries and tells the cause that stopped it in "ERROR:" lines; only
// those count when there are any.
std::string errorLines(std::string_view output) {
    std::string errors;
    while (!output.empty()) {
        const std::string_view line = output.substr(0, output.find('\n'));
        output.remove_prefix(std::min(output.size(), line.size() + 1));
        if (line.starts_with("ERROR:"))
            errors.append(line).push_back('\n');
    }
    return errors;
}

} // namespace

YtDlpFailure ClassifyYtDlpFailure(std::string_view output) {
    const std::string errors = errorLines(output);
    const std::string_view text = errors.empty() ? output : std::string_view(errors);
    if (containsAny(text, {"confirm you're not a bot", "confirm you\u2019re not a bot"}))
        return YtDlpFailure::BotCheck;
    if (containsAny(text, {"Sign in to confirm your age", "members-only", "Join this channel"}))
        return YtDlpFailure::SignInNeeded;
    if (containsAny(
            text, {"not made this video available in your country", "blocked it in your country"}))
        return YtDlpFailure::RegionBlocked;
    if (containsAny(text, {"This live event will begin", "Premieres in"}))
        return YtDlpFailure::NotYetLive;
    if (containsAny(text, {"Private video", "Video unavailable", "This video has been removed",
                           "This video is no longer available"}))
        return YtDlpFailure::Unavailable;
    if (networkDown(text))
        return YtDlpFailure::NoNetwork;
    return YtDlpFailure::Other;
}

std::u16string DescribeYtDlpFailure(YtDlpFailure failure, std::string_view version,
                                    bool runtimeMissing) {
    switch (failure) {
    case YtDlpFailure::BotCheck:
        return std::u16string(texts::kPlaybackFailedBotCheck);
    case YtDlpFailure::Unavailable:
        return std::u16string(texts::kPlaybackFailedUnavailable);
    case YtDlpFailure::SignInNeeded:
        return std::u16string(texts::kPlaybackFailedSignIn);
    case YtDlpFailure::RegionBlocked:
        return std::u16string(texts::kPlaybackFailedRegion);
    case YtDlpFailure::NotYetLive:
        return std::u16string(texts::kPlaybackFailedNotYetLive);
    case YtDlpFailure::NoNetwork:
        return std::u16string(texts::kPlaybackFailedNoNetwork);
    case YtDlpFailure::Other:
        break;
    }
    if (runtimeMissing)
        return std::u16string(texts::kPlaybackFailedNoJsRuntime);
    const FormatArgument shown = version.empty()
                                     ? FormatArgument(texts::kPlaybackYtdlVersionUnknown)
                                     : FormatArgument(version);
    return FormatText(texts::kPlaybackFailedYtdlOutdated, {shown});
}

} // namespace kestrova
