#include "engine/mpv/PlaybackDiagnosis.h"

#include "res/Texts.h"
#include "text/TextFormat.h"

#include <array>
#include <charconv>

namespace kestrova {
namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// ffmpeg writes "HTTP error 404 Not Found"; 0 when the text carries no status.
int httpStatusIn(std::string_view text) {
    constexpr std::string_view marker = "HTTP error ";
    const auto at = text.find(marker);
    if (at == std::string_view::npos)
        return 0;
    const auto digits = text.substr(at + marker.size());
    int status = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), status);
    return ec == std::errc() && end != digits.data() ? status : 0;
}

bool isConnectionFailure(std::string_view text) {
    constexpr std::array markers = {"Connection refused", "Failed to resolve hostname",
                                    "Connection timed out", "Network is unreachable",
                                    "No route to host"};
    for (std::string_view marker : markers) {
        if (contains(text, marker))
            return true;
    }
    return false;
}

} // namespace

void PlaybackDiagnosis::reset() {
    *this = PlaybackDiagnosis();
}

void PlaybackDiagnosis::addLogMessage(std::string_view module, std::string_view text) {
    if (const int status = httpStatusIn(text); status != 0 && m_httpStatus == 0)
        m_httpStatus = status;
    if (isConnectionFailure(text))
        m_unreachable = true;
    if (contains(text, "Failed to recognize file format"))
        m_notMedia = true;
    if (module == "ytdl_hook") {
        // "youtube-dl failed: not found or not enough permissions" when yt-dlp is absent;
        // any other failure means it ran and could not cope with the page.
        if (contains(text, "youtube-dl failed: not found"))
            m_ytdlMissing = true;
        else if (contains(text, "youtube-dl failed") || contains(text, "ERROR:"))
            m_ytdlFailed = true;
    }
}

std::u16string PlaybackDiagnosis::describe(std::string_view engineError) const {
    std::u16string line;
    if (m_ytdlFailed)
        return std::u16string(texts::kPlaybackFailedYtdlError);
    if (m_httpStatus != 0)
        line = FormatText(texts::kPlaybackFailedRefused, {m_httpStatus});
    else if (m_unreachable)
        line = texts::kPlaybackFailedUnreachable;
    else if (m_ytdlMissing)
        return std::u16string(texts::kPlaybackFailedYtdlMissing);
    else if (m_notMedia)
        line = texts::kPlaybackFailedNotMedia;
    else
        return FormatText(texts::kPlaybackFailedOther, {engineError});
    // The address may be a page only yt-dlp can turn into media; say so when it is absent.
    if (m_ytdlMissing)
        line += texts::kPlaybackHintYtdlMissing;
    return line;
}

} // namespace kestrova
