#include "profile/DataFiles.h"

#include "process/AppContext.h"
#include "text/Utf8.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova {

namespace {

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
        return entry->pw_dir;
    }
    return {};
}

// A system-wide install shares its bin folder with every other program; data files do not
// belong there even when the user (root, say) could write into it.
bool isSystemInstallDirectory(const std::filesystem::path& directory) {
    for (const char* system : {KESTROVA_INSTALL_BINDIR, "/usr/bin", "/usr/local/bin"}) {
        std::error_code ignored;
        if (std::filesystem::equivalent(directory, system, ignored)) {
            return true;
        }
    }
    return false;
}

// In a folder that others may write, another user could plant data files of their own (a
// Kestrova.ini with addresses of their choosing), or swap them between two saves.
bool isPrivateFolder(const std::filesystem::path& directory) {
    struct stat info {};
    return ::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

std::filesystem::path UserDataDirectory() {
    // A relative value is invalid by the XDG rules and must be ignored.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base = configHome != nullptr ? configHome : "";
    if (base.empty() || base.is_relative()) {
        base = homeDirectory() / ".config";
    }
    return base / "kestrova";
}

std::filesystem::path DataFolder(const std::filesystem::path& programDir) {
    if (!programDir.empty() && ::access(programDir.c_str(), W_OK) == 0 &&
        isPrivateFolder(programDir) && !isSystemInstallDirectory(programDir)) {
        return programDir;
    }
    const std::filesystem::path directory = UserDataDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    return directory;
}

std::filesystem::path DataFolder() {
    return DataFolder(GetAppContext().m_strProgramDir);
}

std::filesystem::path DataFilePath(const std::filesystem::path& programDir,
                                   std::u16string_view name) {
    return DataFolder(programDir) / std::filesystem::path(EncodeUtf8(name));
}

std::filesystem::path DataFilePath(std::u16string_view name) {
    return DataFilePath(GetAppContext().m_strProgramDir, name);
}

} // namespace kestrova
