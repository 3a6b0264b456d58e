#pragma once

#include <QLoggingCategory>

namespace kestrova {

// The player's diagnostics go to standard error through this category and are off unless
// debugging is wanted (QT_LOGGING_RULES="kestrova.player.debug=true", or a filter rule set
// by the program in debug mode); standard output stays clean.
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)

// Logs a failed libmpv call with the engine's error text; returns whether it succeeded.
bool checkMpv(int result, const char* what);

} // namespace kestrova
