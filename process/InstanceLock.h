#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace kestrova {

// An exclusive lock on a file, held while the object lives. The kernel lets go of it when the
// process ends, however it ends, so a Kestrova that was killed leaves no stale lock behind. The
// holder's process id is written into the file, for the diagnostics of a later start.
class InstanceLock {
public:
    enum class Status {
        Taken,         // this object holds the lock
        HeldElsewhere, // another process holds it
        Unavailable,   // the file cannot be opened as a regular file, or locked at all
    };

    static InstanceLock take(const std::filesystem::path& file);
    // The process id written into the file by its holder; none when unreadable.
    static std::optional<pid_t> holderOf(const std::filesystem::path& file);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    ~InstanceLock();

    Status status() const { return m_status; }
    // Why the lock is Unavailable, for the debug console.
    const std::string& why() const { return m_why; }

private:
    InstanceLock(Status status, int fd, std::string why = {});

    Status m_status;
    int m_fd;
    std::string m_why;
};

} // namespace kestrova
