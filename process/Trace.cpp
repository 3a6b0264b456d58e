#include "process/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace kestrova {

bool TraceWanted() {
    static const bool wanted = [] {
        const char* value = std::getenv("KESTROVA_TRACE_FIRST_FRAME");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return wanted;
}

void TraceStep(const char* step) {
    if (!TraceWanted())
        return;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    // Standard error is unbuffered: the line leaves at once, which a reader timing its
    // arrival relies on.
    std::fprintf(stderr, "kestrova: %s monotonic=%lld.%09ld\n", step,
                 static_cast<long long>(now.tv_sec), now.tv_nsec);
}

} // namespace kestrova
