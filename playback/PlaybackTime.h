#pragma once

#include <optional>
#include <string>

namespace kestrova {

// The control bar's time: elapsed and total, "1:23 / 4:56"; both with hours, "0:01:23 /
// 1:02:03", when the video has them. Only the elapsed time when the total is unknown (a live
// stream); "0:00 / 0:00" when neither is known.
std::string PlaybackTimeText(std::optional<double> position, std::optional<double> duration);

} // namespace kestrova
