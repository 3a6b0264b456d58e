#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// What yt-dlp answered (-J) for one video: what the engine's yt-dlp hook needs to build the
// playback, and what the player needs to know of it.
struct YtDlpAnswer {
    // The answer as the hook reads it, without what it never reads (the list of every format,
    // thumbnails, captions in every language), which is most of yt-dlp's output.
    std::string hookJson;
    // The addresses the media streams come from.
    std::vector<std::string> streamUrls;
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
