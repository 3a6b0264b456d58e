#pragma once

#include <QLoggingCategory>

namespace kestrova {

// The player's diagnostics go to standard error through this category and are off unless
// debugging is wanted (QT_LOGGING_RULES="kestrova.player=true", or the rule the program sets
// in debug mode); standard output stays clean.
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)

} // namespace kestrova
