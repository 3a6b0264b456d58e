#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Works out from the engine's log why a movie could not be played, for the line the player
// window shows. The engine reports only a generic error when a load fails; the HTTP status,
// a refused connection or a missing yt-dlp are visible only in its log messages.
class PlaybackDiagnosis {
public:
    // Forgets everything seen; called when a new movie is loaded.
    void reset();

    // One log message: the module that wrote it (e.g. "ffmpeg", "ytdl_hook") and its text.
    void addLogMessage(std::string_view module, std::string_view text);

    // The first HTTP status a server refused the movie with; 0 when none.
    int httpStatus() const { return m_httpStatus; }

    // The line to show, given the engine's own error text for the failed load.
    std::u16string describe(std::string_view engineError) const;

private:
    int m_httpStatus = 0;
    bool m_unreachable = false;
    bool m_notMedia = false;
    bool m_ytdlMissing = false;
    bool m_ytdlFailed = false;
};

} // namespace kestrova
