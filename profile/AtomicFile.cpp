#include "profile/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova {

namespace {

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// Reads to the end, but never more than maxSize + 1 bytes: a file that grew past the limit
// since it was looked at is refused too.
bool readAll(int fd, std::size_t maxSize, std::string& bytes) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || bytes.size() + std::size_t(n) > maxSize) {
            return false;
        }
        bytes.append(buffer, std::size_t(n));
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto& standIn = AtomicFile::WriteSeam().standIn();
        const long n = standIn ? standIn(fd, bytes.data(), bytes.size())
                               : ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

std::string temporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".";
}

// A name no other save uses; created exclusively so that the process's umask applies.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target.parent_path() / (temporaryPrefix(target) + std::to_string(::getpid()) +
                                           "." + std::to_string(counter++) + ".tmp");
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The process id in "PID.N.tmp", or 0 when the rest of the name is not of that form.
pid_t temporaryOwner(std::string_view rest) {
    constexpr std::string_view suffix = ".tmp";
    if (!rest.ends_with(suffix)) {
        return 0;
    }
    rest.remove_suffix(suffix.size());
    const auto dot = rest.find('.');
    const auto allDigits = [](std::string_view s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dot == std::string_view::npos || !allDigits(rest.substr(0, dot)) ||
        !allDigits(rest.substr(dot + 1))) {
        return 0;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + dot, pid);
    return error == std::errc() && end == rest.data() + dot ? pid : 0;
}

bool isStale(const struct stat& info, pid_t owner) {
    const bool old = info.st_mtime < std::time(nullptr) - AtomicFile::kStaleAgeSeconds;
    const bool ownerGone = ::kill(owner, 0) != 0 && errno == ESRCH;
    return old || ownerGone;
}

void syncFolder(const std::filesystem::path& folder) {
    FileDescriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) {
        ::fsync(dir.fd);
    }
}

std::filesystem::path resolveTarget(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const auto resolved = std::filesystem::weakly_canonical(path, error);
        if (!error) {
            return resolved;
        }
    }
    return path.has_parent_path() ? path : std::filesystem::path(".") / path;
}

SaveResult creationFailure(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? SaveResult::ReadOnly
                                                               : SaveResult::WriteFailed;
}

// Replacing by rename would get round a file the user made read-only; a file without any
// write bit counts as read-only for root too, as the read-only attribute does on Windows.
bool isReadOnly(const std::filesystem::path& target, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0;
}

} // namespace

AtomicFile::ReadResult AtomicFile::read(const std::filesystem::path& path, std::size_t maxSize) {
    ReadResult result;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        result.status =
            errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
        return result;
    }
    result.status = ReadStatus::Unreadable;
    // Opening a device can already act on it (a serial line or a tape rewinds), so only a
    // regular file is opened. What is opened is looked at again, since it may have been swapped
    // meanwhile: O_NONBLOCK keeps a FIFO from holding the open, O_NOCTTY keeps a terminal from
    // becoming the program's.
    if (!S_ISREG(info.st_mode) || std::size_t(info.st_size) > maxSize) {
        return result;
    }
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        std::size_t(info.st_size) > maxSize) {
        return result;
    }
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    if (readAll(file.fd, maxSize, result.bytes)) {
        result.status = ReadStatus::Read;
    } else {
        result.bytes.clear();
    }
    return result;
}

SaveResult AtomicFile::replace(const std::filesystem::path& path, std::string_view bytes) {
    // The next start would find the file unreadable and never replace it again.
    if (bytes.size() > kMaxReadSize) {
        return SaveResult::TooLarge;
    }
    const std::filesystem::path target = resolveTarget(path);
    removeStaleTemporaries(target);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || std::size_t(old.st_size) > kMaxReadSize)) {
        return SaveResult::NotReplaced;
    }
    if (exists && isReadOnly(target, old)) {
        return SaveResult::ReadOnly;
    }
    std::filesystem::path tempPath;
    FileDescriptor temp{createTemporary(target, tempPath)};
    if (temp.fd < 0) {
        return creationFailure(errno);
    }
    if (exists) {
        // Keep the old file's permissions and, where allowed, its owner.
        ::fchmod(temp.fd, old.st_mode & 07777);
        [[maybe_unused]] const int ignored = ::fchown(temp.fd, old.st_uid, old.st_gid);
    }
    bool ok = writeAll(temp.fd, bytes) && ::fsync(temp.fd) == 0;
    ok = ::close(temp.fd) == 0 && ok;
    temp.fd = -1;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return SaveResult::WriteFailed;
    }
    syncFolder(target.parent_path());
    return SaveResult::Saved;
}

// Only names of this file's own pattern, and only regular files: nothing else is touched.
void AtomicFile::removeStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = temporaryPrefix(target);
    std::error_code error;
    for (std::filesystem::directory_iterator it(target.parent_path(), error), end;
         !error && it != end; it.increment(error)) {
        const std::filesystem::path& entry = it->path();
        const std::string name = entry.filename().string();
        if (!name.starts_with(prefix)) {
            continue;
        }
        const pid_t owner = temporaryOwner(std::string_view(name).substr(prefix.size()));
        struct stat info {};
        if (owner > 0 && ::lstat(entry.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            isStale(info, owner)) {
            ::unlink(entry.c_str());
        }
    }
}

Seam<AtomicFile::WriteHook>& AtomicFile::WriteSeam() {
    static Seam<WriteHook> seam;
    return seam;
}

} // namespace kestrova
