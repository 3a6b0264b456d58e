#pragma once

#include <filesystem>
#include <string_view>

namespace kestrova {

// Where a data file (Kestrova.ini, History.ini) lies, built afresh at every read and write:
// the program directory of the AppContext followed by the name; when that directory cannot be
// written or is the bin folder of a system-wide install, $XDG_CONFIG_HOME/kestrova (default
// ~/.config/kestrova), created when needed.
std::filesystem::path DataFilePath(std::u16string_view name);

// The same rule for a given program directory.
std::filesystem::path DataFilePath(const std::filesystem::path& programDir,
                                   std::u16string_view name);

// $XDG_CONFIG_HOME/kestrova, or ~/.config/kestrova when the variable is unset or relative.
std::filesystem::path UserDataDirectory();

} // namespace kestrova
