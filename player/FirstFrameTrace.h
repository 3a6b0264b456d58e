#pragma once

namespace kestrova {

class CShockwaveflash1;

// Traces (see process/Trace.h) the first frame of each newly loaded movie of the player.
void TraceFirstFrames(CShockwaveflash1& player);

} // namespace kestrova
