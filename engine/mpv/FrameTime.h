#pragma once

#include <chrono>
#include <cstdint>

namespace kestrova {

// How long until a frame is due. `target` is the display time the engine gives for it (0 or
// less: none), `nowUs` the engine's clock in microseconds (mpv_get_time_us). Zero when the
// frame is due now, late, or has no time.
std::chrono::milliseconds UntilFrameTime(int64_t target, int64_t nowUs);

} // namespace kestrova
