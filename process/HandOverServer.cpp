#include "process/HandOverServer.h"

#include "process/HandOver.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>

namespace kestrova {

Q_LOGGING_CATEGORY(lcInstance, "kestrova.instance", QtCriticalMsg)

// One later start's connection. It goes with deleteLater(), as its own notifier or timer may
// be what ends it.
struct HandOverServer::Request : QObject {
    int fd;
    std::string bytes;
    QSocketNotifier notifier;
    QTimer limit;

    Request(int socket, QObject* server)
        : QObject(server)
        , fd(socket)
        , notifier(socket, QSocketNotifier::Read) {
        limit.setSingleShot(true);
        limit.start(kRequestLimitMs);
    }
    ~Request() override { close(); }

    void close() {
        notifier.setEnabled(false);
        limit.stop();
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

HandOverServer::HandOverServer(const std::string& socketName)
    : m_listening(ListenForHandOvers(socketName)) {
    if (m_listening < 0) {
        qCInfo(lcInstance, "later starts cannot hand over (%s): %s", socketName.c_str(),
               std::strerror(errno));
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_listening, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &HandOverServer::acceptWaiting);
}

HandOverServer::~HandOverServer() {
    m_notifier.reset();
    if (m_listening >= 0) {
        ::close(m_listening);
    }
}

void HandOverServer::acceptWaiting() {
    for (int fd = AcceptHandOver(m_listening); fd >= 0; fd = AcceptHandOver(m_listening)) {
        auto* request = new Request(fd, this);
        connect(&request->notifier, &QSocketNotifier::activated, this,
                [this, request] { readFrom(request); });
        connect(&request->limit, &QTimer::timeout, this, [this, request] { drop(request); });
    }
}

void HandOverServer::readFrom(Request* request) {
    if (request->fd < 0) {
        return; // dropped, and going
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(request->fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            request->bytes.append(buffer, std::size_t(got));
            if (request->bytes.size() > kHandOverMaxRequest) {
                break;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno == EAGAIN) {
            return; // the rest comes later
        }
        const std::optional<std::string> address =
            got == 0 ? ParseHandOver(request->bytes) : std::nullopt;
        if (address) {
            // A few bytes on a fresh connection: the socket's buffer takes them at once.
            [[maybe_unused]] const ssize_t sent =
                ::send(request->fd, kHandOverAnswer.data(), kHandOverAnswer.size(), MSG_NOSIGNAL);
            drop(request);
            qCInfo(lcInstance, "a later start handed over \"%s\"", address->c_str());
            emit handedOver(QString::fromStdString(*address));
            return;
        }
        break;
    }
    drop(request);
}

void HandOverServer::drop(Request* request) {
    request->close();
    request->deleteLater();
}

} // namespace kestrova
