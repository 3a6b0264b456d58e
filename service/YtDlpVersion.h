#pragma once

#include <chrono>
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrova {

// A yt-dlp version: the date of its release, "2025.11.12", and for builds made between
// releases a fourth part, "2025.11.12.232015".
struct YtDlpVersion {
    std::chrono::year_month_day date;
    std::uint64_t build = 0;

    auto operator<=>(const YtDlpVersion& other) const {
        if (auto order = std::chrono::sys_days(date) <=> std::chrono::sys_days(other.date);
            order != 0)
            return order;
        return build <=> other.build;
    }
    bool operator==(const YtDlpVersion&) const = default;
};

// Nothing when the text is not such a version.
std::optional<YtDlpVersion> ParseYtDlpVersion(std::string_view text);

// The service changes its pages every few weeks; a yt-dlp older than this usually fails on
// them.
inline constexpr std::chrono::days kYtDlpStaleAfter{30};

// Released more than kYtDlpStaleAfter before `today`.
bool IsStale(const YtDlpVersion& version, std::chrono::sys_days today);

// The first release that takes --js-runtimes; an older one stops at the unknown option.
bool TakesJsRuntimes(const YtDlpVersion& version);

std::chrono::sys_days Today();

} // namespace kestrova
