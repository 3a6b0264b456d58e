#pragma once

#include <QLoggingCategory>

namespace kestrova {

// The desktop's media controls and the screensaver: what the session bus offers or refuses.
// Off unless debugging is wanted (-D274).
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

} // namespace kestrova
