#pragma once

namespace kestrova {

// The opt-in trace of the way from "Play Video" to the first frame. With
// KESTROVA_TRACE_FIRST_FRAME=1 in the environment each step writes one line to standard error:
//   "kestrova: <step> monotonic=<seconds since an arbitrary start, CLOCK_MONOTONIC>"
// The steps: play-pressed, feed-answered, load-movie, engine-module, engine-made,
// file-loaded, first-frame. The whole-program benchmark times "Play Video" to the first
// picture by the first-frame line. Without the variable nothing is written.
bool TraceWanted();
void TraceStep(const char* step);

} // namespace kestrova
