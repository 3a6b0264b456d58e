#include "process/HandOver.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// FNV-1a: the same for every build of the program, so two copies of it agree on the name.
std::uint64_t fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash = (hash ^ std::uint8_t(c)) * 1099511628211ull;
    }
    return hash;
}

sockaddr_un addressOf(const std::string& name, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // A leading zero byte puts the name in the abstract namespace.
    const std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), size);
    length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size);
    return address;
}

bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

// Waits until the socket is ready for `events`; false once the deadline has passed.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd waiting{fd, events, 0};
        const int ready = ::poll(&waiting, 1, int(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

std::string describe(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

bool sendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(std::size_t(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

std::string HandOverSocketName(const std::filesystem::path& dataFolder) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::weakly_canonical(dataFolder, error);
    if (error) {
        folder = dataFolder;
    }
    char name[64];
    std::snprintf(name, sizeof name, "kestrova-%u-%016llx", unsigned(::geteuid()),
                  static_cast<unsigned long long>(fingerprint(folder.native())));
    return name;
}

HandOverResult HandOver(const std::string& socketName, std::string_view address,
                        Clock::time_point deadline) {
    Socket socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    socklen_t length = 0;
    const sockaddr_un to = addressOf(socketName, length);
    if (socket.fd < 0 ||
        ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&to), length) != 0) {
        // A full queue of connections is a busy Kestrova, not a missing one.
        return {errno == EAGAIN ? HandOverResult::NoAnswer : HandOverResult::NoListener,
                describe("connect")};
    }
    if (!sameUser(socket.fd)) {
        return {HandOverResult::NoAnswer, "the socket " + socketName + " is another user's"};
    }
    const std::string request = std::string(kHandOverGreeting).append(address);
    if (!sendAll(socket.fd, request, deadline) || ::shutdown(socket.fd, SHUT_WR) != 0) {
        return {Clock::now() < deadline ? HandOverResult::NoListener : HandOverResult::NoAnswer,
                describe("send")};
    }
    std::string answer;
    for (;;) {
        char buffer[64];
        const ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (got > 0 && answer.size() < kHandOverAnswer.size()) {
            answer.append(buffer, std::size_t(got));
        } else if (got == 0) {
            return answer == kHandOverAnswer
                       ? HandOverResult{HandOverResult::Answered, {}}
                       : HandOverResult{HandOverResult::NoListener, "closed without an answer"};
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            return {HandOverResult::NoListener, describe("receive")};
        } else if (got < 0 && !waitFor(socket.fd, POLLIN, deadline)) {
            return {HandOverResult::NoAnswer, "no answer in time"};
        }
    }
}

int ListenForHandOvers(const std::string& socketName) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    socklen_t length = 0;
    const sockaddr_un at = addressOf(socketName, length);
    if (fd >= 0 && (::bind(fd, reinterpret_cast<const sockaddr*>(&at), length) != 0 ||
                    ::listen(fd, SOMAXCONN) != 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int AcceptHandOver(int listening) {
    for (;;) {
        const int fd = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0 || sameUser(fd)) {
            return fd;
        }
        ::close(fd);
    }
}

std::optional<std::string> ParseHandOver(std::string_view request) {
    if (!request.starts_with(kHandOverGreeting) || request.size() > kHandOverMaxRequest) {
        return std::nullopt;
    }
    return std::string(request.substr(kHandOverGreeting.size()));
}

} // namespace kestrova
