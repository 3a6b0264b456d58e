#include "player/FirstFrameTrace.h"

#include "player/CShockwaveflash1.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace kestrova {

namespace {

bool traceWanted() {
    const char* value = std::getenv("KESTROVA_TRACE_FIRST_FRAME");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void writeTraceLine() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    // Standard error is unbuffered: the line leaves at once, which a reader timing its
    // arrival relies on.
    std::fprintf(stderr, "kestrova: first-frame monotonic=%lld.%09ld\n",
                 static_cast<long long>(now.tv_sec), now.tv_nsec);
}

} // namespace

void TraceFirstFrames(CShockwaveflash1& player) {
    if (traceWanted()) {
        QObject::connect(&player, &CShockwaveflash1::firstFrameRendered, &player, writeTraceLine);
    }
}

} // namespace kestrova
