#include "process/InstanceLock.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kestrova {

namespace {

// The lock file is never followed through a link, and never a device or a FIFO: opening one
// could act on it or wait.
int openLockFile(const std::filesystem::path& file, int flags) {
    return ::open(file.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0644);
}

bool isRegularFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

void writeHolder(int fd) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
}

} // namespace

InstanceLock::InstanceLock(Status status, int fd, std::string why)
    : m_status(status)
    , m_fd(fd)
    , m_why(std::move(why)) {}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : m_status(other.m_status)
    , m_fd(std::exchange(other.m_fd, -1))
    , m_why(std::move(other.m_why)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_status = other.m_status;
        m_fd = std::exchange(other.m_fd, -1);
        m_why = std::move(other.m_why);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

InstanceLock InstanceLock::take(const std::filesystem::path& file) {
    const int fd = openLockFile(file, O_RDWR | O_CREAT);
    if (fd < 0) {
        return {Status::Unavailable, -1, file.string() + ": " + std::strerror(errno)};
    }
    if (!isRegularFile(fd)) {
        ::close(fd);
        return {Status::Unavailable, -1, file.string() + ": not a regular file"};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return {Status::HeldElsewhere, -1};
        }
        return {Status::Unavailable, -1, file.string() + ": " + std::strerror(error)};
    }
    writeHolder(fd);
    return {Status::Taken, fd};
}

std::optional<pid_t> InstanceLock::holderOf(const std::filesystem::path& file) {
    const int fd = openLockFile(file, O_RDONLY);
    if (fd < 0) {
        return std::nullopt;
    }
    std::array<char, 32> text{};
    const ssize_t size = isRegularFile(fd) ? ::pread(fd, text.data(), text.size(), 0) : -1;
    ::close(fd);
    pid_t pid = 0;
    if (size <= 0 || std::from_chars(text.data(), text.data() + size, pid).ec != std::errc() ||
        pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

} // namespace kestrova
