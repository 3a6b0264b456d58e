#include "engine/PlayerLog.h"

namespace kestrova {

Q_LOGGING_CATEGORY(lcPlayer, "kestrova.player", QtCriticalMsg)

} // namespace kestrova
