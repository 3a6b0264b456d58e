#include "service/YtDlpAnswer.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <nlohmann/json.hpp>

namespace kestrova {

namespace {

using Json = nlohmann::json;

constexpr auto kMarginBeforeExpiry = std::chrono::minutes(5);
constexpr auto kKeepWithoutExpiry = std::chrono::hours(1);
constexpr std::int64_t kLongestKeep = 24 * 60 * 60; // seconds

// What the hook builds the playback from is kept; these it never reads.
constexpr std::string_view kUnreadByHook[] = {"formats",   "thumbnails", "automatic_captions",
                                              "subtitles", "heatmap",    "description"};

void addUrl(const Json& object, const char* key, std::vector<std::string>& urls) {
    if (const auto at = object.find(key); at != object.end() && at->is_string())
        urls.push_back(at->get<std::string>());
}

std::vector<std::string> streamUrlsOf(const Json& answer) {
    std::vector<std::string> urls;
    for (const char* key : {"url", "manifest_url", "fragment_base_url"})
        addUrl(answer, key, urls);
    if (const auto formats = answer.find("requested_formats");
        formats != answer.end() && formats->is_array()) {
        for (const Json& format : *formats) {
            if (!format.is_object())
                continue;
            for (const char* key : {"url", "manifest_url", "fragment_base_url"})
                addUrl(format, key, urls);
        }
    }
    return urls;
}

std::vector<int> heightsOf(const Json& answer) {
    std::vector<int> heights;
    const auto formats = answer.find("formats");
    if (formats == answer.end() || !formats->is_array())
        return heights;
    for (const Json& format : *formats) {
        const auto height = format.is_object() ? format.find("height") : format.end();
        const auto codec = format.is_object() ? format.find("vcodec") : format.end();
        const bool video = codec == format.end() || !codec->is_string() || *codec != "none";
        if (height != format.end() && height->is_number_integer() && *height > 0 && video)
            heights.push_back(height->get<int>());
    }
    std::sort(heights.begin(), heights.end(), std::greater<>());
    heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
    return heights;
}

std::string stringAt(const Json& object, const char* key) {
    const auto at = object.find(key);
    return at != object.end() && at->is_string() ? at->get<std::string>() : std::string();
}

// The form the engine reads best: WebVTT, then SubRip, then whatever else there is.
std::optional<CaptionTrack> captionTrack(const std::string& language, const Json& forms,
                                         bool automatic) {
    if (!forms.is_array() || language == "live_chat")
        return std::nullopt;
    const Json* best = nullptr;
    int bestRank = 0;
    for (const Json& form : forms) {
        if (!form.is_object() || stringAt(form, "url").empty())
            continue;
        const std::string ext = stringAt(form, "ext");
        const int rank = ext == "vtt" ? 3 : ext == "srt" ? 2 : 1;
        if (rank > bestRank) {
            best = &form;
            bestRank = rank;
        }
    }
    if (!best)
        return std::nullopt;
    return CaptionTrack{language, stringAt(*best, "name"), automatic, stringAt(*best, "url")};
}

void addCaptions(const Json& answer, const char* key, bool automatic,
                 std::vector<CaptionTrack>& tracks) {
    const auto languages = answer.find(key);
    if (languages == answer.end() || !languages->is_object())
        return;
    // Made automatically, the video's own language is marked "-orig"; the rest are machine
    // translations of it. Without such a mark, every language counts.
    constexpr std::string_view kOriginal = "-orig";
    bool marked = false;
    for (const auto& [language, forms] : languages->items())
        marked |= automatic && std::string_view(language).ends_with(kOriginal);
    for (const auto& [language, forms] : languages->items()) {
        std::string code = language;
        if (marked) {
            if (!std::string_view(code).ends_with(kOriginal))
                continue;
            code.resize(code.size() - kOriginal.size());
        }
        // A live stream's chat comes as captions; a language the uploader gave is theirs.
        const bool taken = std::any_of(tracks.begin(), tracks.end(),
                                       [&](const CaptionTrack& t) { return t.language == code; });
        if (code == "live_chat" || taken)
            continue;
        if (auto track = captionTrack(code, forms, automatic))
            tracks.push_back(std::move(*track));
    }
}

std::optional<std::int64_t> numberAt(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<YtDlpAnswer> ParseYtDlpAnswer(std::string_view output, std::string* error) {
    Json answer = Json::parse(output, nullptr, false);
    if (!answer.is_object()) {
        if (error)
            *error = "yt-dlp's answer is not a JSON object";
        return std::nullopt;
    }
    YtDlpAnswer parsed;
    parsed.streamUrls = streamUrlsOf(answer);
    parsed.heights = heightsOf(answer);
    addCaptions(answer, "subtitles", false, parsed.captions);
    addCaptions(answer, "automatic_captions", true, parsed.captions);
    for (std::string_view key : kUnreadByHook)
        answer.erase(std::string(key));
    parsed.hookJson = answer.dump(-1, ' ', false, Json::error_handler_t::replace);
    return parsed;
}

std::optional<std::int64_t> ExpiryOfStreamUrl(std::string_view url) {
    for (std::string_view marker : {"?expire=", "&expire=", "/expire/"}) {
        if (const auto at = url.find(marker); at != std::string_view::npos)
            return numberAt(url.substr(at + marker.size()));
    }
    return std::nullopt;
}

std::chrono::system_clock::time_point KeepAnswerUntil(const YtDlpAnswer& answer,
                                                      std::chrono::system_clock::time_point now) {
    std::optional<std::int64_t> earliest;
    for (const std::string& url : answer.streamUrls) {
        if (const auto expiry = ExpiryOfStreamUrl(url))
            earliest = std::min(earliest.value_or(*expiry), *expiry);
    }
    if (!earliest)
        return now + kKeepWithoutExpiry;
    // An end further off than any real one (or a hostile number) counts as that far.
    const std::int64_t nowSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    const std::int64_t end = std::clamp(*earliest, std::int64_t(0), nowSeconds + kLongestKeep);
    return std::chrono::system_clock::time_point(std::chrono::seconds(end)) - kMarginBeforeExpiry;
}

} // namespace kestrova
