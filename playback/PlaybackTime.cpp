#include "playback/PlaybackTime.h"

#include <cmath>
#include <cstdio>

namespace kestrova {
namespace {

constexpr long kHour = 3600;

std::string clock(double seconds, bool withHours) {
    const long whole = std::isfinite(seconds) && seconds > 0 ? long(seconds) : 0;
    char text[32];
    if (withHours)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / kHour, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string PlaybackTimeText(std::optional<double> position, std::optional<double> duration) {
    const double elapsed = position.value_or(0);
    if (!duration && position)
        return clock(elapsed, elapsed >= kHour);
    const double total = duration.value_or(0);
    const bool withHours = total >= kHour;
    return clock(elapsed, withHours) + " / " + clock(total, withHours);
}

} // namespace kestrova
