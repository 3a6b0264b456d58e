#include "desktop/DesktopLog.h"

namespace kestrova {

Q_LOGGING_CATEGORY(lcDesktop, "kestrova.desktop", QtCriticalMsg)

} // namespace kestrova
