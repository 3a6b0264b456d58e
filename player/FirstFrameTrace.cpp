#include "player/FirstFrameTrace.h"

#include "player/CShockwaveflash1.h"
#include "process/Trace.h"

namespace kestrova {

void TraceFirstFrames(CShockwaveflash1& player) {
    if (TraceWanted()) {
        QObject::connect(&player, &CShockwaveflash1::firstFrameRendered, &player,
                         [] { TraceStep("first-frame"); });
    }
}

} // namespace kestrova
