#pragma once

#include <filesystem>
#include <string_view>

namespace kestrova {

// The folder of the data files (Kestrova.ini, History.ini): the program directory of the
// AppContext when the user may write it, owns it and nobody else may write it, and it is not
// the bin folder of a system-wide install; otherwise $XDG_CONFIG_HOME/kestrova (default
// ~/.config/kestrova), created when needed. Found afresh at every call.
std::filesystem::path DataFolder();
// The same rule for a given program directory.
std::filesystem::path DataFolder(const std::filesystem::path& programDir);

// Where a data file lies, built afresh at every read and write: the data folder followed by
// the name.
std::filesystem::path DataFilePath(std::u16string_view name);
std::filesystem::path DataFilePath(const std::filesystem::path& programDir,
                                   std::u16string_view name);

// $XDG_CONFIG_HOME/kestrova, or ~/.config/kestrova when the variable is unset or relative.
std::filesystem::path UserDataDirectory();

} // namespace kestrova
