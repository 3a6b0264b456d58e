#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrova {

// Where the movie engine's module may lie for the program at `executable`, in the order they
// are tried: `extraFolder` when given (the build tree, for tests that run from it), beside
// the executable (a build tree, a copied program folder), then `relativeLibraryFolder` from
// the executable's folder (an install under any prefix: /usr, /usr/local, /opt, a staging
// folder). Only relative places: an installed program never looks where it was built.
std::vector<std::filesystem::path>
EngineModuleCandidates(const std::filesystem::path& executable, std::string_view fileName,
                       const std::filesystem::path& relativeLibraryFolder,
                       const std::filesystem::path& extraFolder = {});

// The first candidate that is a regular file; nothing when none is.
std::optional<std::filesystem::path>
FirstExistingModule(const std::vector<std::filesystem::path>& candidates);

} // namespace kestrova
