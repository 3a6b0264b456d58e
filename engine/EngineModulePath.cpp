#include "engine/EngineModulePath.h"

namespace kestrova {

std::vector<std::filesystem::path>
EngineModuleCandidates(const std::filesystem::path& executable, std::string_view fileName,
                       const std::filesystem::path& relativeLibraryFolder,
                       const std::filesystem::path& extraFolder) {
    std::vector<std::filesystem::path> candidates;
    if (!extraFolder.empty())
        candidates.push_back(extraFolder / fileName);
    if (!executable.empty()) {
        const std::filesystem::path folder = executable.parent_path();
        candidates.push_back(folder / fileName);
        candidates.push_back((folder / relativeLibraryFolder / fileName).lexically_normal());
    }
    return candidates;
}

std::optional<std::filesystem::path>
FirstExistingModule(const std::vector<std::filesystem::path>& candidates) {
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

} // namespace kestrova
