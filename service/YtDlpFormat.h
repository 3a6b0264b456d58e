#pragma once

#include "service/HardwareCodecs.h"

#include <string>

namespace kestrova {

// What the format yt-dlp is asked for must fit.
struct FormatNeeds {
    // Pixel rows of the screen the player is on; 0 when unknown.
    int screenLines = 0;
    // The engine may decode in hardware (the OpenGL render path), with these codecs.
    bool hardwareDecoding = false;
    HardwareCodecs hardwareCodecs;
    // The tallest format a person asked for; 0 to let the screen decide.
    int chosenLines = 0;
};

// No format taller than this is asked for, whatever the screen.
inline constexpr int kMaxFormatLines = 1080;

// A yt-dlp format selection: the best video no taller than the screen (and kMaxFormatLines),
// or than the height chosen, with the best audio; among those first a codec decoded in
// hardware when hardware decoding is on, then anything but AV1 (costly to decode in software),
// then any codec; failing all that, the best single file that fits, then the best single
// file, or with a height chosen, the smallest there is.
std::string BuildYtDlpFormat(const FormatNeeds& needs);

} // namespace kestrova
