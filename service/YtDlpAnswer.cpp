#include "service/YtDlpAnswer.h"

#include <algorithm>
#include <charconv>
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
