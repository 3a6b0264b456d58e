#include "service/YtDlpVersion.h"

#include <charconv>

namespace kestrova {

namespace {

std::optional<std::uint64_t> numberUntilDot(std::string_view& text, std::size_t maxDigits) {
    const std::string_view digits = text.substr(0, text.find('.'));
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || digits.size() > maxDigits || error != std::errc() ||
        end != digits.data() + digits.size())
        return std::nullopt;
    text.remove_prefix(std::min(text.size(), digits.size() + 1));
    return value;
}

} // namespace

std::optional<YtDlpVersion> ParseYtDlpVersion(std::string_view text) {
    const bool endsInDot = text.ends_with('.');
    const auto year = numberUntilDot(text, 4);
    const auto month = numberUntilDot(text, 2);
    const auto day = numberUntilDot(text, 2);
    std::optional<std::uint64_t> build = 0;
    if (!text.empty())
        build = numberUntilDot(text, 19);
    if (!year || !month || !day || !build || !text.empty() || endsInDot)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(int(*year)),
                                           std::chrono::month(unsigned(*month)),
                                           std::chrono::day(unsigned(*day))};
    if (!date.ok())
        return std::nullopt;
    return YtDlpVersion{date, *build};
}

bool IsStale(const YtDlpVersion& version, std::chrono::sys_days today) {
    return today - std::chrono::sys_days(version.date) > kYtDlpStaleAfter;
}

bool TakesJsRuntimes(const YtDlpVersion& version) {
    using namespace std::chrono;
    return version >= YtDlpVersion{year(2025) / November / 12};
}

std::chrono::sys_days Today() {
    return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

} // namespace kestrova
