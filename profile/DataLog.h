#pragma once

#include "profile/SaveResult.h"

#include <filesystem>
#include <functional>
#include <string_view>

#include <QLoggingCategory>

namespace kestrova {

// The data files' diagnostics: off unless the debug console is on.
Q_DECLARE_LOGGING_CATEGORY(lcData)

// Writes a failed save of the named data file to the debug console; returns the result. The
// file is saved again at the next change and at the end, so a failure is retried by itself.
SaveResult ReportSave(std::u16string_view fileName, SaveResult result);

// Saves the named data file on the data files' writer thread: `write` is given the file's
// path, found now, and a failure is reported there. `write` carries its own copy of what it
// writes.
void SaveDataFile(std::u16string_view fileName,
                  std::function<SaveResult(const std::filesystem::path&)> write);

} // namespace kestrova
