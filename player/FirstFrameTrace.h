#pragma once

namespace kestrova {

class CShockwaveflash1;

// With KESTROVA_TRACE_FIRST_FRAME=1 in the environment, the player writes one line to
// standard error each time it has drawn the first frame of a newly loaded movie:
//   "kestrova: first-frame monotonic=<seconds since an arbitrary start, CLOCK_MONOTONIC>"
// The whole-program benchmark times "Play Video" to the first picture with it. Without the
// variable nothing is connected.
void TraceFirstFrames(CShockwaveflash1& player);

} // namespace kestrova
