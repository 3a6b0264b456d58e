#include "engine/mpv/FrameTime.h"

#include <algorithm>
#include <cstdlib>

namespace kestrova {

// libmpv documents the target in microseconds of mpv_get_time_us(); 0.40 gives nanoseconds of
// the same clock, a target a thousand times too far away, and the movie stood still. A frame is
// handed over at most a moment before its time, so the reading nearer to now is the one meant.
std::chrono::milliseconds UntilFrameTime(int64_t target, int64_t nowUs) {
    if (target <= 0)
        return {};
    const int64_t asMicroseconds = target - nowUs;
    const int64_t asNanoseconds = target / 1000 - nowUs;
    const int64_t wait =
        std::abs(asNanoseconds) < std::abs(asMicroseconds) ? asNanoseconds : asMicroseconds;
    return std::chrono::milliseconds(std::max<int64_t>(0, (wait + 500) / 1000));
}

} // namespace kestrova
