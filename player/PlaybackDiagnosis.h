#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Works out from the engine's log why a movie could not be played, for the line the player
// window shows. The engine reports only a generic error when a load fails; the HTTP status,
// a refused connection or a missing yt-dlp are visible only in its log messages.
class PlaybackDiagnosis {
public:
    // Forgets everything seen; called when a new movie is loaded. `serviceAddress`: the movie
    // is one of the service's pages, which yt-dlp turns into media.
    void reset(bool serviceAddress = false);

    // One log message: the module that wrote it (e.g. "ffmpeg", "ytdl_hook") and its text.
    void addLogMessage(std::string_view module, std::string_view text);

    // True when yt-dlp failed for a service address: the line then names yt-dlp's version.
    bool blamesYtDlpVersion() const { return m_serviceAddress && m_ytdlFailed; }

    // The line to show, given the engine's own error text for the failed load and, when
    // blamesYtDlpVersion(), the version of the yt-dlp on PATH (empty when unknown).
    std::u16string describe(std::string_view engineError, std::string_view ytDlpVersion = {}) const;

private:
    bool m_serviceAddress = false;
    int m_httpStatus = 0;
    bool m_unreachable = false;
    bool m_notMedia = false;
    bool m_ytdlMissing = false;
    bool m_ytdlFailed = false;
};

} // namespace kestrova
