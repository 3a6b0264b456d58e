#include "engine/PlayerLog.h"

namespace kestrova {

// The module's own category, under the program's name: logging rules go by name, so the debug
// switch and QT_LOGGING_RULES reach the engine's messages as they reach the player's.
Q_LOGGING_CATEGORY(lcPlayer, "kestrova.player", QtCriticalMsg)

} // namespace kestrova
