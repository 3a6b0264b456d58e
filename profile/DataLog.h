#pragma once

#include "profile/SaveResult.h"

#include <string_view>

#include <QLoggingCategory>

namespace kestrova {

// The data files' diagnostics: off unless the debug console is on.
Q_DECLARE_LOGGING_CATEGORY(lcData)

// Writes a failed save of the named data file to the debug console; returns the result. The
// file is saved again at the next change and at the end, so a failure is retried by itself.
SaveResult ReportSave(std::u16string_view fileName, SaveResult result);

} // namespace kestrova
