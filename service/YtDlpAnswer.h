#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// One language of captions a video has.
struct CaptionTrack {
    std::string language; // as the service codes it: "en", "ja", "pt-BR"
    std::string name;     // as the service names it; empty when it gives none
    bool automatic = false;
    std::string url; // the captions, in a form the engine reads (WebVTT first)

    bool operator==(const CaptionTrack&) const = default;
};

// What yt-dlp answered (-J) for one video: what the engine's yt-dlp hook needs to build the
// playback, and what the player needs to know of it.
struct YtDlpAnswer {
    // The answer as the hook reads it, without what it never reads (the list of every format,
    // thumbnails, captions in every language), which is most of yt-dlp's output.
    std::string hookJson;
    // The addresses the media streams come from.
    std::vector<std::string> streamUrls;
    // The heights the video is offered in, highest first.
    std::vector<int> heights;
    // The uploader's captions first, then the ones made automatically in the video's own
    // language (not their machine translations into every other).
    std::vector<CaptionTrack> captions;
};

// Nothing when the output is not a JSON object; `error` then says why.
std::optional<YtDlpAnswer> ParseYtDlpAnswer(std::string_view output, std::string* error = nullptr);

// The end of validity a stream address carries ("expire=<unix seconds>" in its query, or
// "/expire/<seconds>/" in its path, as the service writes them); nothing when none.
std::optional<std::int64_t> ExpiryOfStreamUrl(std::string_view url);

// How long an answer may be used: until 5 minutes before the first of its addresses expires,
// or an hour when none carries an end.
std::chrono::system_clock::time_point KeepAnswerUntil(const YtDlpAnswer& answer,
                                                      std::chrono::system_clock::time_point now);

} // namespace kestrova
