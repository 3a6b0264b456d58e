#include "support/FeedServer.h"

#include "text/Utf8.h"

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrova::test {

namespace {

constexpr std::string_view kFeedPath = "/feeds/api/videos/";
constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr int kPollMs = 50;
constexpr auto kPiecePause = std::chrono::milliseconds(20);

std::string reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 410:
        return "Gone";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out.push_back(char(hexValue(text[i + 1]) << 4 | hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string headerValue(const std::string& head, std::string_view name) {
    std::size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        const std::size_t start = pos + 2;
        const std::size_t end = head.find("\r\n", start);
        const std::string_view line(head.data() + start, end - start);
        if (line.size() > name.size() && line[name.size()] == ':' &&
            strncasecmp(line.data(), name.data(), name.size()) == 0) {
            const std::size_t value = line.find_first_not_of(' ', name.size() + 1);
            return std::string(line.substr(value == std::string_view::npos ? line.size() : value));
        }
        pos = end;
    }
    return {};
}

std::string chunk(const std::string& piece) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
    return size + piece + "\r\n";
}

} // namespace

FeedServer::FeedServer() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listenFd < 0 || ::pipe2(m_wakePipe, O_CLOEXEC) != 0 ||
        ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 16) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("FeedServer: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread(&FeedServer::acceptLoop, this);
}

FeedServer::~FeedServer() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        // Cuts every open connection: blocked reads and writes return at once.
        for (const int fd : m_openFds) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    m_stopped.notify_all();
    [[maybe_unused]] const auto written = ::write(m_wakePipe[1], "x", 1);
    m_acceptor.join();
    for (auto& [id, handler] : m_handlers) {
        handler.join();
    }
    ::close(m_listenFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

std::string FeedServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::string FeedServer::feedUrl() const {
    return baseUrl() + std::string(kFeedPath);
}

void FeedServer::setTitle(const std::u16string& id, const std::u16string& title) {
    std::lock_guard lock(m_mutex);
    m_titles[EncodeUtf8(id)] = title;
}

void FeedServer::setReply(const std::string& target, FeedReply reply) {
    std::lock_guard lock(m_mutex);
    m_replies[target] = std::move(reply);
}

void FeedServer::holdRequests(const std::string& target) {
    std::lock_guard lock(m_mutex);
    m_held.insert(target);
}

void FeedServer::releaseRequests(const std::string& target) {
    {
        std::lock_guard lock(m_mutex);
        m_held.erase(target);
    }
    m_stopped.notify_all();
}

bool FeedServer::waitWhileHeld(const std::string& target) {
    std::unique_lock lock(m_mutex);
    m_stopped.wait(lock, [&] { return m_stopping || !m_held.contains(target); });
    return !m_stopping;
}

std::vector<FeedRequest> FeedServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void FeedServer::acceptLoop() {
    pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) >= 0 && !(fds[1].revents & POLLIN)) {
        reapFinishedHandlers();
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            ::close(fd);
            break;
        }
        m_openFds.insert(fd);
        const std::uint64_t id = m_nextHandler++;
        m_handlers.emplace(id, std::thread(&FeedServer::serve, this, id, fd));
    }
}

void FeedServer::reapFinishedHandlers() {
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(m_mutex);
        for (const std::uint64_t id : m_finishedHandlers) {
            const auto handler = m_handlers.find(id);
            finished.push_back(std::move(handler->second));
            m_handlers.erase(handler);
        }
        m_finishedHandlers.clear();
    }
    for (std::thread& thread : finished) {
        thread.join();
    }
}

void FeedServer::serve(std::uint64_t handler, int fd) {
    std::string head;
    if (readHead(fd, head)) {
        respond(fd, head);
    } else {
        closeConnection(fd, false);
    }
    std::lock_guard lock(m_mutex);
    m_finishedHandlers.push_back(handler);
}

void FeedServer::respond(int fd, const std::string& head) {
    const std::size_t targetStart = head.find(' ') + 1;
    const std::size_t targetEnd = head.find(' ', targetStart);
    FeedRequest request{head.substr(targetStart, targetEnd - targetStart),
                        headerValue(head, "User-Agent")};
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    if (!waitWhileHeld(request.target)) {
        closeConnection(fd, false);
        return;
    }
    const FeedReply reply = replyFor(request.target);
    answer(fd, reply);
    if (reply.resetAfterAnswer) {
        std::string next;
        readHead(fd, next);
    }
    closeConnection(fd, reply.kind == FeedReply::Kind::Reset || reply.resetAfterAnswer);
}

bool FeedServer::readHead(int fd, std::string& head) {
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) {
                return false;
            }
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0 || head.size() + std::size_t(n) > kMaxHeadBytes) {
            return false;
        }
        head.append(buffer, std::size_t(n));
    }
    return head.find(' ') != std::string::npos;
}

FeedReply FeedServer::replyFor(const std::string& target) const {
    std::lock_guard lock(m_mutex);
    if (const auto scripted = m_replies.find(target); scripted != m_replies.end()) {
        return scripted->second;
    }
    if (target.starts_with(kFeedPath)) {
        const std::string id = percentDecode(target.substr(kFeedPath.size()));
        if (const auto known = m_titles.find(id); known != m_titles.end()) {
            return FeedReply::ok(AtomEntry(DecodeUtf8(id), known->second));
        }
    }
    return FeedReply::withStatus(404, "not found");
}

void FeedServer::answer(int fd, const FeedReply& reply) {
    using Kind = FeedReply::Kind;
    if (reply.kind == Kind::Hang) {
        std::unique_lock lock(m_mutex);
        m_stopped.wait(lock, [this] { return m_stopping; });
        return;
    }
    if (reply.kind == Kind::Reset && reply.pieces.empty()) {
        return;
    }
    const bool chunked = reply.kind == Kind::Endless || reply.pieces.size() > 1;
    std::string head =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonPhrase(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
    }
    std::size_t length = 0;
    for (const std::string& piece : reply.pieces) {
        length += piece.size();
    }
    if (reply.kind == Kind::Reset) {
        length += 1000; // promised but never sent
    }
    head += chunked ? "Transfer-Encoding: chunked\r\n"
                    : "Content-Length: " + std::to_string(length) + "\r\n";
    head += "Content-Type: application/atom+xml; charset=UTF-8\r\n";
    head += reply.resetAfterAnswer ? "\r\n" : "Connection: close\r\n\r\n";
    if (!sendAll(fd, head)) {
        return;
    }
    if (reply.kind == Kind::Endless) {
        const std::string piece = chunk(std::string(16 * 1024, 'x'));
        while (sendAll(fd, piece)) {
        }
        return;
    }
    for (std::size_t i = 0; i < reply.pieces.size(); ++i) {
        if ((i > 0 && !pause()) ||
            !sendAll(fd, chunked ? chunk(reply.pieces[i]) : reply.pieces[i])) {
            return;
        }
    }
    if (chunked) {
        sendAll(fd, "0\r\n\r\n");
    }
}

bool FeedServer::pause() {
    std::unique_lock lock(m_mutex);
    return !m_stopped.wait_for(lock, kPiecePause, [this] { return m_stopping; });
}

bool FeedServer::sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += std::size_t(n);
    }
    return true;
}

void FeedServer::closeConnection(int fd, bool reset) {
    if (reset) {
        // A zero linger time makes close() send RST instead of an orderly FIN.
        const linger abortive{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    } else {
        ::shutdown(fd, SHUT_WR);
    }
    std::lock_guard lock(m_mutex);
    m_openFds.erase(fd);
    ::close(fd);
}

} // namespace kestrova::test
