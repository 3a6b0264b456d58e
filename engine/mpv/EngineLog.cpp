#include "engine/mpv/EngineLog.h"

#include "engine/PlayerLog.h"

namespace kestrova {
namespace {

const QLoggingCategory* g_programLog = nullptr;

} // namespace

void UseProgramLog(const QLoggingCategory& category) {
    g_programLog = &category;
}

// The module's side of PlayerLog.h's declaration: the program's category, not one of its own.
const QLoggingCategory& lcPlayer() {
    return *g_programLog;
}

} // namespace kestrova
